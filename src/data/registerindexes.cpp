#include "data/registerindexes.h"

#include "data/statement.h"
#include "data/transaction.h"

namespace registerindexes {

namespace {

// The name in capitals with "Ё" as "Е". The default collation of WIN1251 makes capitals of
// every letter of the code page; the column's own PXW_CYRL leaves a few of them ("ї", "ў") small.
QString folded(const QString &name) {
    return QStringLiteral("replace(upper(%1 collate WIN1251), 'Ё', 'Е')").arg(name);
}

// The text without spaces at either end and with every run of spaces inside made one: each
// replacement halves the runs, and six of them bring a run of 64 spaces down to one.
QString squeezed(QString text) {
    for (int i = 0; i < 6; ++i)
        text = QStringLiteral("replace(%1, '  ', ' ')").arg(text);
    return QStringLiteral("trim(%1)").arg(text);
}

// The name's two parts, folded: the text outside the first pair of brackets (a space in their
// place), and the text inside them. A bracket that is not closed runs to the end.
struct Parts {
    QString outside, inside;
};
Parts parts(const QString &name) {
    const QString text = folded(name);
    const QString opening = QStringLiteral("position('(' in %1)").arg(text);
    const QString closing = QStringLiteral("position(')', %1, %2 + 1)").arg(text, opening);
    const QString after =
        QStringLiteral("iif(%1 = 0, '', substring(%2 from %1 + 1))").arg(closing, text);
    const QString inside = QStringLiteral("iif(%1 = 0, substring(%2 from %3 + 1), "
                                          "substring(%2 from %3 + 1 for %1 - %3 - 1))")
                               .arg(closing, text, opening);
    return {QStringLiteral("iif(%1 = 0, %2, substring(%2 from 1 for %1 - 1) || ' ' || %3)")
                .arg(opening, text, after),
            QStringLiteral("iif(%1 = 0, '', %2)").arg(opening, inside)};
}

} // namespace

QString nameKey(const QString &name) {
    return QStringLiteral("nullif(%1, '')").arg(squeezed(parts(name).outside));
}

QString formerNameKey(const QString &name) {
    const Parts split = parts(name);
    const QString former = squeezed(split.inside);
    const QString rest = squeezed(split.outside);
    // The given name and patronymic: the rest of the name from its first space on.
    const QString given = QStringLiteral("substring(%1 from position(' ' in %1 || ' '))").arg(rest);
    return QStringLiteral("nullif(%1, '') || %2").arg(former, given);
}

QList<Definition> definitions() {
    const QString column = QStringLiteral("FIO");
    const auto index = [](const QString &name, const QString &key) {
        return Definition{
            name, QStringLiteral("create index %1 on MAIN computed by (%2)").arg(name, key)};
    };
    return {index(QStringLiteral("IX_MAIN_NAME_KEY"), nameKey(column)),
            index(QStringLiteral("IX_MAIN_FORMER_NAME_KEY"), formerNameKey(column))};
}

QStringList addMissing(Connection &connection) {
    QStringList added;
    Transaction transaction(connection);
    try {
        for (const Definition &index : definitions()) {
            Statement exists(connection, transaction,
                             QStringLiteral("select 1 from RDB$INDICES where RDB$INDEX_NAME = '%1'")
                                 .arg(index.name));
            if (!exists.selectOne().isEmpty())
                continue;
            Statement(connection, transaction, index.create).execute();
            transaction.commitRetaining();
            added << index.name;
        }
        transaction.commit();
    } catch (...) {
        transaction.rollback();
        throw;
    }
    return added;
}

} // namespace registerindexes
