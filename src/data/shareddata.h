#pragma once

#include "data/connection.h"
#include "data/dataset.h"
#include "data/transaction.h"

#include <QString>
#include <QStringList>

#include <functional>

// The four write statements of a table, made by one pattern from its columns.
struct WriteStatements {
    QString insert, modify, remove, refresh;
};
// `refreshColumns` empty means "*".
WriteStatements makeWriteStatements(const QString &table, const QString &key,
                                    const QStringList &insertColumns,
                                    const QStringList &updateColumns,
                                    const QStringList &refreshColumns = {});

// Text of the patient card editor's visit label for a number of visits.
QString visitLabelText(int visits);

// True when a doctor's D_ACTIVE flag reads as "still sees patients".
bool isActiveFlag(const QVariant &flag);

// The one connection `ibMain`, its transaction `ibTrans` and the seven datasets every window
// reads and writes, with the rules that run on their events: visit and link rows get their
// parent's key, child rows are deleted before their parent, link rows without a reference
// are removed again, and a new doctor is written as active.
class SharedData {
public:
    SharedData();
    ~SharedData();

    // Opens the database file and the seven datasets, the patients with `patientListSql`.
    void open(const QString &databasePath, const QString &patientListSql);
    // Closes every dataset and commits what is not yet committed.
    void close();

    // Closes the patient list, gives it a new select and opens it again.
    void showPatients(const QString &sql);

    // The patient card editor sets these while it exists: its age box and its visit label.
    std::function<void(int age)> showAgeInEditor;
    std::function<void(const QString &label)> showVisitLabelInEditor;

    Connection ibMain;
    Transaction ibTrans{ibMain};
    Dataset ibdsMain{QStringLiteral("ibdsMain"), ibMain, ibTrans};
    Dataset ibdsCard{QStringLiteral("ibdsCard"), ibMain, ibTrans};
    Dataset ibdsDocs{QStringLiteral("ibdsDocs"), ibMain, ibTrans};
    Dataset ibdsDiagnoz{QStringLiteral("ibdsDiagnoz"), ibMain, ibTrans};
    Dataset ibdsDiag{QStringLiteral("ibdsDiag"), ibMain, ibTrans};
    Dataset ibdsVmeshat{QStringLiteral("ibdsVmeshat"), ibMain, ibTrans};
    Dataset ibdsVmes{QStringLiteral("ibdsVmes"), ibMain, ibTrans};
    DataSource dsMain{QStringLiteral("dsMain"), &ibdsMain};
    DataSource dsCard{QStringLiteral("dsCard"), &ibdsCard};
    DataSource dsDocs{QStringLiteral("dsDocs"), &ibdsDocs};
    DataSource dsDiagnoz{QStringLiteral("dsDiagnoz"), &ibdsDiagnoz};
    DataSource dsDiag{QStringLiteral("dsDiag"), &ibdsDiag};
    DataSource dsVmeshat{QStringLiteral("dsVmeshat"), &ibdsVmeshat};
    DataSource dsVmes{QStringLiteral("dsVmes"), &ibdsVmes};

    // The select texts the book windows put back after a search.
    static const QString kDocsSelect, kDiagSelect, kVmesSelect;

private:
    void configure();
    void addRules();
};
