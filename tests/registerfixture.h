#pragma once

// A small made-up register, filled by the same generator as the benchmark's register, and the
// whole content of a register file read back for comparison.

#include "data/connection.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "registergenerator.h"

#include <QMap>
#include <QVariantList>

// Fills the register at `path` with the books and `patients` patients with their visits.
inline void fillRegister(const QString &path, int patients, quint64 seed = 1) {
    Connection connection;
    connection.open(path);
    Transaction transaction(connection);
    RegisterGenerator generator(connection, transaction, seed, QDate(2024, 3, 31));
    generator.writeBooks();
    generator.writePatients(patients, [](int, int) {});
    transaction.commit();
    connection.close();
}

// Every row of every table, in key order, and the value of every generator, by name.
inline QMap<QString, QList<QVariantList>> registerContent(const QString &path) {
    const QList<std::pair<QString, QString>> tables = {
        {QStringLiteral("MAIN"), QStringLiteral("ID")},
        {QStringLiteral("CARD"), QStringLiteral("C_ID")},
        {QStringLiteral("DIAGNOZ"), QStringLiteral("G_ID")},
        {QStringLiteral("VMESHAT"), QStringLiteral("V_ID")},
        {QStringLiteral("DIAG"), QStringLiteral("Z_ID")},
        {QStringLiteral("VMESH"), QStringLiteral("E_ID")},
        {QStringLiteral("DOCS"), QStringLiteral("D_ID")},
    };
    QMap<QString, QList<QVariantList>> content;
    Connection connection;
    connection.open(path);
    {
        Transaction transaction(connection);
        const auto readAll = [&](const QString &sql) {
            QList<QVariantList> rows;
            Statement statement(connection, transaction, sql);
            statement.open();
            for (QVariantList row; statement.fetch(row);)
                rows << row;
            return rows;
        };
        for (const auto &[table, key] : tables)
            content[table] =
                readAll(QStringLiteral("select * from %1 order by %2").arg(table, key));
        content[QStringLiteral("generators")] = readAll(QStringLiteral(
            "select rdb$generator_name, gen_id(GEN_MAIN_ID, 0), gen_id(GEN_CARD_ID, 0), "
            "gen_id(GEN_DIAGNOZ_ID, 0), gen_id(GEN_VMESHAT_ID, 0), gen_id(GEN_DIAG_ID, 0), "
            "gen_id(GEN_VMESH_ID, 0), gen_id(GEN_DOCS_ID, 0) from rdb$generators "
            "where rdb$system_flag = 0 order by 1"));
        transaction.commit();
    }
    connection.close();
    return content;
}
