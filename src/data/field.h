#pragma once

#include <QString>
#include <QVariant>

#include <functional>

class Dataset;

enum class FieldKind {
    Integer,    // 32-bit integer column
    Date,       // calendar date without time
    Text,       // variable-length text of at most `size` characters
    FixedText,  // fixed-length text of `size` characters, kept without its padding
    Lookup,     // not stored: a field of the row of another dataset whose key matches
    Calculated, // not stored: worked out from the row each time it is shown
};

// One field of a dataset. Data fields map one to one onto the columns of its select.
struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::Integer;
    int size = 0; // characters, for text, fixed text and lookup fields
    bool required = false;

    // Lookup fields: this row's `keyField` is searched for among the rows that `lookupDataset`
    // holds, by its `lookupKeyField`; the field shows that row's `lookupResultField`.
    QString keyField;
    Dataset *lookupDataset = nullptr;
    QString lookupKeyField;
    QString lookupResultField;

    // Calculated fields: the display value of the given row.
    std::function<QVariant(const Dataset &, int row)> calculate;

    bool isData() const { return kind != FieldKind::Lookup && kind != FieldKind::Calculated; }
    bool isText() const { return kind == FieldKind::Text || kind == FieldKind::FixedText; }

    static FieldDef make(const QString &name, FieldKind kind, int size = 0, bool required = false) {
        FieldDef field;
        field.name = name;
        field.kind = kind;
        field.size = size;
        field.required = required;
        return field;
    }
    static FieldDef integer(const QString &name, bool required = false) {
        return make(name, FieldKind::Integer, 0, required);
    }
    static FieldDef date(const QString &name) { return make(name, FieldKind::Date); }
    static FieldDef text(const QString &name, int size, bool required = false) {
        return make(name, FieldKind::Text, size, required);
    }
    static FieldDef fixedText(const QString &name, int size) {
        return make(name, FieldKind::FixedText, size);
    }
    static FieldDef lookup(const QString &name, int size, const QString &keyField, Dataset *dataset,
                           const QString &lookupKey, const QString &result) {
        FieldDef field = make(name, FieldKind::Lookup, size);
        field.keyField = keyField;
        field.lookupDataset = dataset;
        field.lookupKeyField = lookupKey;
        field.lookupResultField = result;
        return field;
    }
    static FieldDef calculated(const QString &name,
                               std::function<QVariant(const Dataset &, int row)> calculate) {
        FieldDef field = make(name, FieldKind::Calculated);
        field.calculate = std::move(calculate);
        return field;
    }
};
