#pragma once

// A register filled for a test: either with patients the test names, visit by visit, or with
// a small made-up crowd by the same generator as the benchmark's register; and the whole content
// of a register file read back for comparison.

#include "data/connection.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "registergenerator.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QVariantList>

// The entries of the three books; an entry's key is its place in its list, from 1. What a test
// leaves out stays empty (every member has its empty value, so the tests name only what they
// need).
struct SeedBooks {
    QStringList diagnoses = {};
    QStringList interventions = {};
    QStringList doctors = {};
};

struct SeedVisit {
    QDate date = {};               // an invalid date stands for a visit without a date
    QList<int> diagnoses = {};     // keys of the diagnoses book
    QString note = {};             // of every diagnosis
    QList<int> interventions = {}; // keys of the interventions book
    QString complaints = {};
};

struct SeedPatient {
    QString fio = {};
    QString sex = {};
    QDate born = {};
    QString address = {};
    QList<SeedVisit> visits = {};
};

// Writes the books and the patients with their visits into the register at `path`, through the
// program's own datasets, and commits them.
inline void seedRegister(const QString &path, const SeedBooks &books,
                         const QList<SeedPatient> &patients) {
    SharedData data;
    data.open(path, QStringLiteral("select * from MAIN"));
    const auto addEntries = [](Dataset &book, const QString &field, const QStringList &names) {
        for (const QString &name : names) {
            book.insert();
            book.setValue(field, name);
            book.post();
        }
    };
    addEntries(data.ibdsDiag, QStringLiteral("Z_NAME"), books.diagnoses);
    addEntries(data.ibdsVmes, QStringLiteral("E_NAME"), books.interventions);
    addEntries(data.ibdsDocs, QStringLiteral("D_FIO"), books.doctors);
    const auto setText = [](Dataset &dataset, const QString &field, const QString &text) {
        if (!text.isEmpty())
            dataset.setValue(field, text);
    };
    for (const SeedPatient &patient : patients) {
        data.ibdsMain.insert();
        setText(data.ibdsMain, QStringLiteral("FIO"), patient.fio);
        setText(data.ibdsMain, QStringLiteral("SEX"), patient.sex);
        setText(data.ibdsMain, QStringLiteral("ADR"), patient.address);
        if (patient.born.isValid())
            data.ibdsMain.setValue(QStringLiteral("DATAR"), patient.born);
        data.ibdsMain.post();
        for (const SeedVisit &visit : patient.visits) {
            data.ibdsCard.insert();
            if (visit.date.isValid())
                data.ibdsCard.setValue(QStringLiteral("C_DATE"), visit.date);
            setText(data.ibdsCard, QStringLiteral("C_ZHALOBA"), visit.complaints);
            for (int diagnosis : visit.diagnoses) {
                data.ibdsDiagnoz.insert();
                data.ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), diagnosis);
                setText(data.ibdsDiagnoz, QStringLiteral("G_PRIM"), visit.note);
                data.ibdsDiagnoz.post();
            }
            for (int intervention : visit.interventions) {
                data.ibdsVmeshat.insert();
                data.ibdsVmeshat.setValue(QStringLiteral("V_VMESH"), intervention);
                data.ibdsVmeshat.post();
            }
            data.ibdsCard.post();
        }
    }
    data.close();
}

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
