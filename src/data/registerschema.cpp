#include "data/registerschema.h"

#include "data/statement.h"
#include "data/transaction.h"

namespace registerschema {

namespace {

// The register's tables, each with the event its changes post. Every table takes its keys from
// the generator GEN_<table>_ID.
struct Table {
    const char *name;
    const char *event;
};
constexpr Table kTables[] = {
    {"MAIN", kPatientsEvent},  {"CARD", kVisitsEvent}, {"DIAGNOZ", kVisitsEvent},
    {"VMESHAT", kVisitsEvent}, {"DIAG", kBooksEvent},  {"VMESH", kBooksEvent},
    {"DOCS", kBooksEvent},
};

// The role's rows of RDB$USER_PRIVILEGES on one object (13: granted to a role).
QString rolePrivileges(const QString &object) {
    return QStringLiteral("select 1 from RDB$USER_PRIVILEGES where RDB$USER = '%1' and "
                          "RDB$USER_TYPE = 13 and RDB$RELATION_NAME = '%2'")
        .arg(QLatin1String(kRole), object);
}

} // namespace

QList<Definition> definitions() {
    const QString role = QLatin1String(kRole);
    QList<Definition> all{
        {QStringLiteral("role ") + role,
         QStringLiteral("select 1 from RDB$ROLES where RDB$ROLE_NAME = '%1'").arg(role),
         QStringLiteral("create role ") + role},
    };
    for (const Table &table : kTables) {
        const QString name = QLatin1String(table.name);
        // Rights on the whole table (no column list) for each of the four statements.
        all << Definition{
            QStringLiteral("grants on ") + name,
            rolePrivileges(name) + QStringLiteral(" and RDB$FIELD_NAME is null and "
                                                  "RDB$PRIVILEGE in ('S', 'I', 'U', 'D') "
                                                  "having count(distinct RDB$PRIVILEGE) = 4"),
            QStringLiteral("grant select, insert, update, delete on %1 to %2").arg(name, role)};
    }
    for (const Table &table : kTables) {
        // The right to take keys from the generator ('G', usage; 14: a generator).
        const QString generator = QStringLiteral("GEN_%1_ID").arg(QLatin1String(table.name));
        all << Definition{QStringLiteral("usage of ") + generator,
                          rolePrivileges(generator) +
                              QStringLiteral(" and RDB$PRIVILEGE = 'G' and RDB$OBJECT_TYPE = 14"),
                          QStringLiteral("grant usage on sequence %1 to %2").arg(generator, role)};
    }
    for (const Table &table : kTables) {
        // Posted once per row; the engine delivers it, counted, when the transaction commits,
        // and not at all when it rolls back.
        const QString trigger = QStringLiteral("TR_%1_EVENT").arg(QLatin1String(table.name));
        all << Definition{
            QStringLiteral("trigger ") + trigger,
            QStringLiteral("select 1 from RDB$TRIGGERS where RDB$TRIGGER_NAME = '%1'").arg(trigger),
            QStringLiteral("create trigger %1 for %2 active after insert or update or delete "
                           "position 0 as begin post_event '%3'; end")
                .arg(trigger, QLatin1String(table.name), QLatin1String(table.event))};
    }
    return all;
}

QStringList addMissing(Connection &connection) {
    const QList<Definition> all = definitions();
    // One statement tells which objects are there: on a server every statement costs a round
    // trip, and a register that has everything is only read.
    QStringList checks;
    for (qsizetype i = 0; i < all.size(); ++i)
        checks << QStringLiteral("select %1 from RDB$DATABASE where exists (%2)")
                      .arg(i)
                      .arg(all[i].exists);
    QStringList added;
    Transaction transaction(connection);
    try {
        QList<bool> present(all.size(), false);
        Statement check(connection, transaction, checks.join(QStringLiteral(" union all ")));
        check.open();
        for (QVariantList row; check.fetch(row);)
            present[row.value(0).toInt()] = true;
        for (qsizetype i = 0; i < all.size(); ++i) {
            if (present[i])
                continue;
            Statement(connection, transaction, all[i].create).execute();
            transaction.commitRetaining(); // the grants need the role committed
            added << all[i].name;
        }
        transaction.commit();
    } catch (...) {
        transaction.rollback();
        throw;
    }
    return added;
}

} // namespace registerschema
