#pragma once

#include "data/connection.h"
#include "data/dataset.h"
#include "data/registerevents.h"
#include "data/transaction.h"
#include "data/unconfirmedwork.h"

#include <QMetaMethod>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

// The four write statements of a table, made by one pattern from its columns.
struct WriteStatements {
    QString insert, modify, remove, refresh;
};
// `refreshColumns` empty means "*".
WriteStatements makeWriteStatements(const QString &table, const QString &key,
                                    const QStringList &insertColumns,
                                    const QStringList &updateColumns,
                                    const QStringList &refreshColumns = {});

// True when a doctor's D_ACTIVE flag reads as "still sees patients".
bool isActiveFlag(const QVariant &flag);

// The one connection `ibMain`, its transaction `ibTrans` and the seven datasets every window
// reads and writes, with the rules that run on their events: visit and link rows get their
// parent's key, child rows are deleted before their parent, link rows without a reference
// are removed again, and a new doctor is written as active.
class SharedData : public QObject {
    Q_OBJECT
public:
    SharedData();
    ~SharedData() override;

    // Opens the register and the seven datasets, the patients with `patientListSql`. On a server
    // the run's transaction reads what others committed last, so that two workstations see each
    // other's work; a file on this computer keeps the server's default parameters.
    void open(const ConnectionTarget &target, const QString &patientListSql);
    void open(const QString &databasePath, const QString &patientListSql) {
        open(ConnectionTarget::localFile(databasePath), patientListSql);
    }
    // Closes every dataset and commits what is not yet committed, the books' and the run's.
    void close();
    // Lets a lost connection go: the statements, the transactions (which the server has rolled
    // back) and the attachment are dropped without a word to the server. The datasets keep the
    // rows they hold, to be read again once the register is reached again (reattach).
    void abandonConnection();
    // Attaches again after a lost connection and reads the datasets again, each on the row it
    // stood on; rows being edited are dropped (their editors put them back from their drafts).
    void reattach();
    bool onServer() const { return ibMain.target().onServer; }

    // Closes the patient list, gives it a new select and opens it again.
    void showPatients(const QString &sql);

    // The rule that runs whenever the current patient changes; run again by the commands that
    // open the patient card editor on the patient already current, so that its age box is filled.
    void ibdsMainAfterScroll();

    Connection ibMain;
    // The patients, their visits and the visits' diagnosis and intervention rows: saved by the
    // editors' OK, discarded by their Cancel.
    Transaction ibTrans{ibMain};
    // The three reference books, kept apart: an entry a book window saved stays whatever becomes
    // of the visit it was chosen for. The book windows commit it when they close.
    Transaction ibBooksTrans{ibMain, Transaction::Isolation::ReadCommitted};
    Dataset ibdsMain{QStringLiteral("ibdsMain"), ibMain, ibTrans};
    Dataset ibdsCard{QStringLiteral("ibdsCard"), ibMain, ibTrans};
    Dataset ibdsDocs{QStringLiteral("ibdsDocs"), ibMain, ibBooksTrans};
    Dataset ibdsDiagnoz{QStringLiteral("ibdsDiagnoz"), ibMain, ibTrans};
    Dataset ibdsDiag{QStringLiteral("ibdsDiag"), ibMain, ibBooksTrans};
    Dataset ibdsVmeshat{QStringLiteral("ibdsVmeshat"), ibMain, ibTrans};
    Dataset ibdsVmes{QStringLiteral("ibdsVmes"), ibMain, ibBooksTrans};
    DataSource dsMain{QStringLiteral("dsMain"), &ibdsMain};
    DataSource dsCard{QStringLiteral("dsCard"), &ibdsCard};
    DataSource dsDocs{QStringLiteral("dsDocs"), &ibdsDocs};
    DataSource dsDiagnoz{QStringLiteral("dsDiagnoz"), &ibdsDiagnoz};
    DataSource dsDiag{QStringLiteral("dsDiag"), &ibdsDiag};
    DataSource dsVmeshat{QStringLiteral("dsVmeshat"), &ibdsVmeshat};
    DataSource dsVmes{QStringLiteral("dsVmes"), &ibdsVmes};

    // The editors open now with what they hold that the user has not confirmed.
    UnconfirmedWork unconfirmed;

    // On a server: what other workstations saved, announced by the register's events.
    RegisterEvents events;
    // Reads again the lists of what others changed: the patient list, the current patient's
    // visits, the books, each staying on its current row. A list with a row being edited is
    // left alone until the edit is saved or cancelled; it is read then.
    void refreshAfterOthers(RegisterEvents::Kinds kinds);
    // F5 in any window: the same for every list at once, now; a list with a row being edited is
    // left as it is. Raises DbError when the database refuses.
    void refreshByHand();
    // Ends the run's transactions for good, so that the server's clean-up of old record versions
    // is not held back by a run that sits idle; only when nothing is pending. The patients' and
    // visits' lists are read again then, on the rows they showed (a hard commit closes their
    // cursors); a register on this computer, which has no one else to hold back, keeps them by
    // committing while retaining.
    void commitIdle();

    // The seven datasets in the order they are opened: every master before its details.
    QList<Dataset *> datasets();

    // The select texts the book windows put back after a search.
    static const QString kDocsSelect, kDiagSelect, kVmesSelect;

Q_SIGNALS:
    // The current patient changed: the age in whole years (0 without a date of birth or with one
    // in the future). Worked
    // out only while something listens (the patient card editor's age box).
    void patientAgeChanged(int age);
    // A visit of the current patient was written or deleted: how many visits the patient has
    // now. Counted only while something listens (the patient card editor's visit label).
    void visitCountChanged(int visits);

private:
    bool isListened(const QMetaMethod &signal) const { return isSignalConnected(signal); }
    // True when the dataset, and every detail below it, holds no row being edited.
    bool isQuiet(const Dataset &dataset) const;
    // The lists read again after a change of each kind.
    QList<std::pair<RegisterEvents::Kind, QList<Dataset *>>> refreshedLists();
    void listenToOthers();
    // The books are read whole, and hold no cursor open: their transaction is ended, not
    // retained, once they are read and whenever the run sits idle, so that a workstation does
    // not hold the server's clean-up of old record versions back for the whole run (its oldest
    // active transaction). The next statement of a book starts a new one.
    void endBooksTransaction();

    RegisterEvents::Kinds m_pendingRefresh;
    QTimer m_retryRefresh;
    // The datasets open when the connection was lost, each with the key of its current row, to
    // be opened again on those rows.
    QList<std::pair<Dataset *, QVariant>> m_openBeforeLoss;
    void configure();
    void addRules();
};
