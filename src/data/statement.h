#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/packedrow.h"

#include <functional>
#include <memory>
#include <vector>

class Connection;
class Transaction;

// A statement text with named parameters (":FIO", ":OLD_ID") turned into the positional form
// the database takes; names are kept in order of appearance.
struct ParsedSql {
    QString text;
    QStringList parameters;
};
ParsedSql parseNamedParameters(const QString &sql);

// The value of a named parameter; an invalid QVariant writes null.
using ParameterSource = std::function<QVariant(const QString &name)>;

// One prepared statement in the run's transaction. Values cross the connection as
// Windows-1251 text, dates, integers and floating-point numbers, and come back as QVariant:
// int, qlonglong, double, QDate, QTime, QDateTime, bool, QString; null is an invalid QVariant.
class Statement {
public:
    Statement(Connection &connection, Transaction &transaction, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    const QString &sql() const { return m_sql; }
    const QStringList &parameterNames() const;
    bool returnsRows() const;

    // Column names (aliases) of a select, upper case as the database keeps them.
    const QStringList &columnNames() const;

    // Runs a statement that returns no rows; gives the number of rows it inserted, changed or
    // deleted.
    qint64 execute(const ParameterSource &parameters = {});
    // Opens the cursor of a select; rows are then read one by one with fetch.
    void open(const ParameterSource &parameters = {});
    // Reads the next row into `row`; false at the end, and the cursor is then closed.
    bool fetch(QVariantList &row);
    // Reads the next row as packed bytes: field i of the row is column columnOfField[i], or
    // null where that is -1. False at the end, and the cursor is then closed.
    bool fetchPacked(PackedRow &row, const std::vector<int> &columnOfField);
    bool isOpen() const;
    void close();

    // Runs a select and returns its first row (or an empty list).
    QVariantList selectOne(const ParameterSource &parameters = {});

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QString m_sql;
};
