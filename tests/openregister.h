#pragma once

#include "data/shareddata.h"
#include "data/statement.h"
#include "testdatabase.h"

#include <QList>
#include <QVariantList>

// A register made from the template in a temporary folder and open through the shared
// datasets, with plain statements to fill it and read it.
struct OpenRegister {
    OpenRegister() { data.open(db.path(), QStringLiteral("select * from MAIN")); }

    void execute(const QString &sql) { Statement(data.ibMain, data.ibTrans, sql).execute(); }

    // The rows a statement reads in the run's transaction, or in another (the books').
    QList<QVariantList> rows(const QString &sql) { return rows(sql, data.ibTrans); }
    QList<QVariantList> rows(const QString &sql, Transaction &transaction) {
        Statement select(data.ibMain, transaction, sql);
        select.open();
        QList<QVariantList> all;
        QVariantList row;
        while (select.fetch(row))
            all << row;
        return all;
    }

    TestDatabase db;
    SharedData data;
};
