#include "cards/cardmerge.h"

#include "data/dberror.h"
#include "data/statement.h"
#include "data/transaction.h"

namespace cardmerge {

const QList<Field> &fields() {
    static const QList<Field> all = {
        {QStringLiteral("FIO"), QStringLiteral("Ф.И.О.")},
        {QStringLiteral("FIOR"), QStringLiteral("Ф.И.О. родителей")},
        {QStringLiteral("DATAR"), QStringLiteral("Дата рождения")},
        {QStringLiteral("SEX"), QStringLiteral("Пол")},
        {QStringLiteral("ADR"), QStringLiteral("Домашний адрес")},
        {QStringLiteral("TELD"), QStringLiteral("Телефоны")},
        {QStringLiteral("ANAMNEZ"), QStringLiteral("Анамнез жизни")},
    };
    return all;
}

bool holdsValue(const QVariant &value) {
    if (value.isNull())
        return false;
    if (value.typeId() == QMetaType::QString)
        return !value.toString().trimmed().isEmpty();
    return true;
}

QList<FieldRow> compare(const QVariantMap &kept, const QVariantMap &other) {
    QList<FieldRow> rows;
    for (const Field &field : fields()) {
        FieldRow row{field.name, kept.value(field.name), other.value(field.name)};
        const bool inKept = holdsValue(row.kept);
        const bool inOther = holdsValue(row.other);
        row.choice = inKept && inOther && row.kept != row.other;
        if (inOther && !inKept)
            row.source = Source::Other;
        rows << row;
    }
    return rows;
}

QVariantMap takenFromOther(const QList<FieldRow> &rows) {
    QVariantMap values;
    for (const FieldRow &row : rows) {
        if (row.source == Source::Other)
            values.insert(row.field, row.other);
    }
    return values;
}

namespace {

QStringList fieldNames() {
    QStringList names;
    for (const Field &field : fields())
        names << field.name;
    return names;
}

ParameterSource key(int id) {
    return [id](const QString &) { return QVariant(id); };
}

} // namespace

QVariantMap readCard(Transaction &transaction, int id) {
    const QStringList names = fieldNames();
    Statement select(
        transaction.connection(), transaction,
        QStringLiteral("select %1 from MAIN where ID = :ID").arg(names.join(QStringLiteral(", "))));
    const QVariantList row = select.selectOne(key(id));
    QVariantMap card;
    for (qsizetype i = 0; i < row.size(); ++i)
        card.insert(names.at(i), row.at(i));
    return card;
}

int visitCount(Transaction &transaction, int id) {
    Statement count(transaction.connection(), transaction,
                    QStringLiteral("select count(*) from CARD where C_KEY = :ID"));
    return count.selectOne(key(id)).value(0).toInt();
}

namespace {

int moveAndDelete(Transaction &transaction, int kept, int other, const QVariantMap &fields) {
    Connection &connection = transaction.connection();
    const ParameterSource values = [&](const QString &name) {
        if (name == QLatin1String("KEPT_ID"))
            return QVariant(kept);
        if (name == QLatin1String("OTHER_ID"))
            return QVariant(other);
        return fields.value(name);
    };
    // The kept card first: when it is gone, nothing may be moved to it. Writing its key to
    // itself holds the row when no field changes.
    QStringList assignments;
    for (auto field = fields.cbegin(); field != fields.cend(); ++field)
        assignments << QStringLiteral("%1 = :%1").arg(field.key());
    if (assignments.isEmpty())
        assignments << QStringLiteral("ID = ID");
    Statement update(connection, transaction,
                     QStringLiteral("update MAIN set %1 where ID = :KEPT_ID")
                         .arg(assignments.join(QStringLiteral(", "))));
    if (update.execute(values) != 1)
        throw DbError(QStringLiteral("Карточки, которую вы оставляете, уже нет в базе."));
    // The diagnosis and intervention rows refer to their visits and go with them.
    Statement move(connection, transaction,
                   QStringLiteral("update CARD set C_KEY = :KEPT_ID where C_KEY = :OTHER_ID"));
    const int moved = int(move.execute(values));
    Statement remove(connection, transaction,
                     QStringLiteral("delete from MAIN where ID = :OTHER_ID"));
    if (remove.execute(values) != 1)
        throw DbError(QStringLiteral("Второй карточки уже нет в базе."));
    return moved;
}

} // namespace

int merge(Transaction &transaction, int kept, int other, const QVariantMap &fields) {
    if (kept == other)
        throw DbError(QStringLiteral("Карточку нельзя объединить с ней самой."));
    Savepoint point(transaction);
    int moved = 0;
    try {
        moved = moveAndDelete(transaction, kept, other, fields);
    } catch (...) {
        try {
            point.rollBack();
        } catch (const DbError &) {
            // Nothing but the merge is pending: the whole transaction goes back instead, so
            // that no half of it can be committed later.
            transaction.rollbackRetaining();
        }
        throw;
    }
    point.release();
    transaction.commitRetaining();
    return moved;
}

} // namespace cardmerge
