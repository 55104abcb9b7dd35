#include "data/shareddata.h"

#include "data/dberror.h"
#include "data/registerindexes.h"
#include "data/registerschema.h"
#include "support/dates.h"

#include <QDebug>

namespace {

QString parameterList(const QStringList &columns) {
    QStringList parameters;
    for (const QString &column : columns)
        parameters << QLatin1Char(':') + column;
    return parameters.join(QStringLiteral(", "));
}

// How a dataset writes to its table: the key is the first column and comes from `generator`;
// the insert lists every column, the modify all but the first `fixedColumns` (the key, and for a
// visit its patient), and the refresh lists the columns or, with `refreshAll`, asks for "*".
struct TableWrites {
    const char *table;
    const char *generator;
    std::initializer_list<const char *> columns;
    int fixedColumns;
    bool refreshAll;
};

void configureWrites(Dataset &dataset, const TableWrites &writes) {
    QStringList columns;
    for (const char *column : writes.columns)
        columns << QLatin1String(column);
    const WriteStatements s = makeWriteStatements(QLatin1String(writes.table), columns.first(),
                                                  columns, columns.mid(writes.fixedColumns),
                                                  writes.refreshAll ? QStringList() : columns);
    dataset.setInsertSql(s.insert);
    dataset.setModifySql(s.modify);
    dataset.setDeleteSql(s.remove);
    dataset.setRefreshSql(s.refresh);
    dataset.setKey(columns.first(), QLatin1String(writes.generator));
}

// Deletes every row of the dataset, from the first on, however many were read so far.
void deleteAll(Dataset &dataset) {
    dataset.fetchAll();
    dataset.first();
    while (!dataset.atEnd())
        dataset.remove();
}

// Runs a step that follows a change already made; its failure must not undo or stop that
// change, so it is logged instead of raised.
template <typename Step> void asSideEffect(const char *what, Step &&step) {
    try {
        step();
    } catch (const DbError &error) {
        qWarning().noquote() << "Failed" << what << ":" << error.message();
    }
}

} // namespace

WriteStatements makeWriteStatements(const QString &table, const QString &key,
                                    const QStringList &insertColumns,
                                    const QStringList &updateColumns,
                                    const QStringList &refreshColumns) {
    WriteStatements s;
    s.insert =
        QStringLiteral("insert into %1\n  (%2)\nvalues\n  (%3)")
            .arg(table, insertColumns.join(QStringLiteral(", ")), parameterList(insertColumns));
    QStringList assignments;
    for (const QString &column : updateColumns)
        assignments << QStringLiteral("  %1 = :%1").arg(column);
    s.modify = QStringLiteral("update %1\nset\n%2\nwhere\n  %3 = :OLD_%3")
                   .arg(table, assignments.join(QStringLiteral(",\n")), key);
    s.remove = QStringLiteral("delete from %1\nwhere\n  %2 = :OLD_%2").arg(table, key);
    const QString columns =
        refreshColumns.isEmpty() ? QStringLiteral("*") : refreshColumns.join(QStringLiteral(", "));
    s.refresh = QStringLiteral("Select %1\nfrom %2\nwhere\n  %3 = :%3").arg(columns, table, key);
    return s;
}

bool isActiveFlag(const QVariant &flag) {
    const QString text = flag.toString();
    return !text.isEmpty() && QStringLiteral("TtYy").contains(text.at(0));
}

const QString SharedData::kDocsSelect = QStringLiteral("select * from DOCS order by D_FIO");
const QString SharedData::kDiagSelect = QStringLiteral("select * from DIAG order by Z_NAME");
const QString SharedData::kVmesSelect = QStringLiteral("select * from VMESH order by E_NAME");

SharedData::SharedData() {
    configure();
    addRules();
    connect(&events, &RegisterEvents::changed, this, &SharedData::refreshAfterOthers);
    m_retryRefresh.setSingleShot(true);
    m_retryRefresh.setInterval(1000);
    connect(&m_retryRefresh, &QTimer::timeout, this, [this] { refreshAfterOthers({}); });
}

SharedData::~SharedData() {
    // An orderly end goes through close(); this only keeps an unexpected end from detaching
    // with a transaction open, which the database refuses.
    try {
        close();
    } catch (const DbError &error) {
        qWarning().noquote() << "Closing the database failed:" << error.message();
    }
}

void SharedData::configure() {
    ibdsMain.setFields({
        FieldDef::integer(QStringLiteral("ID")),
        FieldDef::text(QStringLiteral("FIO"), 50),
        FieldDef::text(QStringLiteral("FIOR"), 50),
        FieldDef::date(QStringLiteral("DATAR")),
        FieldDef::fixedText(QStringLiteral("SEX"), 1),
        FieldDef::text(QStringLiteral("ANAMNEZ"), 600),
        FieldDef::text(QStringLiteral("ADR"), 100),
        FieldDef::text(QStringLiteral("TELD"), 100),
        FieldDef::calculated(QStringLiteral("Age"),
                             [](const Dataset &patients, int row) -> QVariant {
                                 const QDate born = patients.value(row, 3).toDate();
                                 if (patients.isEmpty() || !born.isValid())
                                     return QString();
                                 return QString::number(dates::ageInYears(born));
                             }),
    });
    configureWrites(ibdsMain, {"MAIN",
                               "GEN_MAIN_ID",
                               {"ID", "FIO", "FIOR", "DATAR", "SEX", "ANAMNEZ", "ADR", "TELD"},
                               1,
                               true});

    ibdsCard.setFields({
        FieldDef::integer(QStringLiteral("C_ID")),
        FieldDef::integer(QStringLiteral("C_KEY")),
        FieldDef::integer(QStringLiteral("C_DOC")),
        FieldDef::date(QStringLiteral("C_DATE")),
        FieldDef::text(QStringLiteral("C_DIAGNOZ"), 600),
        FieldDef::text(QStringLiteral("C_ZHALOBA"), 600),
        FieldDef::text(QStringLiteral("C_ANAMNEZ"), 600),
        FieldDef::text(QStringLiteral("C_STATUS"), 600),
        FieldDef::text(QStringLiteral("C_REKOMEND"), 600),
        FieldDef::text(QStringLiteral("C_OBSLED"), 600),
        FieldDef::lookup(QStringLiteral("C_DocFIO"), 20, QStringLiteral("C_DOC"), &ibdsDocs,
                         QStringLiteral("D_ID"), QStringLiteral("D_FIO")),
    });
    ibdsCard.setSelectSql(
        QStringLiteral("select * from CARD where C_KEY=:ID order by C_DATE desc"));
    // A visit never moves to another patient: C_KEY is written once.
    configureWrites(ibdsCard, {"CARD",
                               "GEN_CARD_ID",
                               {"C_ID", "C_KEY", "C_DOC", "C_DATE", "C_DIAGNOZ", "C_ZHALOBA",
                                "C_ANAMNEZ", "C_STATUS", "C_REKOMEND", "C_OBSLED"},
                               2,
                               true});
    ibdsCard.setMaster(&ibdsMain);

    // A book entry without a name could be chosen for a visit and never told from another.
    ibdsDocs.setFields({
        FieldDef::integer(QStringLiteral("D_ID"), true),
        FieldDef::text(QStringLiteral("D_FIO"), 50, true),
        FieldDef::text(QStringLiteral("D_ACTIVE"), 1, true),
    });
    ibdsDocs.setSelectSql(QStringLiteral("select * from DOCS\norder by D_FIO"));
    configureWrites(ibdsDocs, {"DOCS", "GEN_DOCS_ID", {"D_ID", "D_FIO", "D_ACTIVE"}, 1, true});
    // The books are small and every visit looks names up in them: they are held whole.
    ibdsDocs.setReadWhole(true);

    ibdsDiagnoz.setFields({
        FieldDef::integer(QStringLiteral("G_ID")),
        FieldDef::integer(QStringLiteral("G_KEY")),
        FieldDef::integer(QStringLiteral("G_DIAG")),
        FieldDef::lookup(QStringLiteral("G_DIAGNAME"), 100, QStringLiteral("G_DIAG"), &ibdsDiag,
                         QStringLiteral("Z_ID"), QStringLiteral("Z_NAME")),
        FieldDef::text(QStringLiteral("G_PRIM"), 100),
    });
    ibdsDiagnoz.setSelectSql(QStringLiteral("select * from DIAGNOZ\nwhere (G_KEY=:C_ID)"));
    configureWrites(ibdsDiagnoz,
                    {"DIAGNOZ", "GEN_DIAGNOZ_ID", {"G_ID", "G_KEY", "G_DIAG", "G_PRIM"}, 1, false});
    ibdsDiagnoz.setMaster(&ibdsCard);

    ibdsDiag.setFields({
        FieldDef::integer(QStringLiteral("Z_ID")),
        FieldDef::text(QStringLiteral("Z_NAME"), 100, true),
    });
    ibdsDiag.setSelectSql(QStringLiteral("select * from DIAG\norder by Z_NAME"));
    configureWrites(ibdsDiag, {"DIAG", "GEN_DIAG_ID", {"Z_ID", "Z_NAME"}, 1, false});
    ibdsDiag.setReadWhole(true);

    ibdsVmeshat.setFields({
        FieldDef::integer(QStringLiteral("V_ID")),
        FieldDef::integer(QStringLiteral("V_KEY")),
        FieldDef::integer(QStringLiteral("V_VMESH")),
        FieldDef::lookup(QStringLiteral("V_VMESHATNAME"), 100, QStringLiteral("V_VMESH"), &ibdsVmes,
                         QStringLiteral("E_ID"), QStringLiteral("E_NAME")),
    });
    ibdsVmeshat.setSelectSql(QStringLiteral("select * from  VMESHAT\nwhere (V_KEY=:C_ID)"));
    configureWrites(ibdsVmeshat,
                    {"VMESHAT", "GEN_VMESHAT_ID", {"V_ID", "V_KEY", "V_VMESH"}, 1, false});
    ibdsVmeshat.setMaster(&ibdsCard);

    ibdsVmes.setFields({
        FieldDef::integer(QStringLiteral("E_ID")),
        FieldDef::text(QStringLiteral("E_NAME"), 100, true),
    });
    ibdsVmes.setSelectSql(QStringLiteral("select * from VMESH\norder by E_NAME"));
    configureWrites(ibdsVmes, {"VMESH", "GEN_VMESH_ID", {"E_ID", "E_NAME"}, 1, false});
    ibdsVmes.setReadWhole(true);
}

void SharedData::addRules() {
    using Event = Dataset::Event;

    // Deleting a patient deletes every visit first, each with its own children.
    ibdsMain.addRule(Event::BeforeDelete, [this](Dataset &) { deleteAll(ibdsCard); });

    ibdsMain.addRule(Event::AfterScroll, [this](Dataset &) { ibdsMainAfterScroll(); });

    // A new visit belongs to the current patient; with one or two doctors in the book it
    // gets the current one, with more the user chooses.
    ibdsCard.addRule(Event::AfterInsert, [this](Dataset &visits) {
        visits.setValue(QStringLiteral("C_KEY"), ibdsMain.value(QStringLiteral("ID")));
        const int doctors = ibdsDocs.isOpen() ? ibdsDocs.recordCount() : 0;
        if (doctors == 1 || doctors == 2)
            visits.setValue(QStringLiteral("C_DOC"), ibdsDocs.value(QStringLiteral("D_ID")));
    });

    ibdsCard.addRule(Event::BeforeDelete, [this](Dataset &) {
        deleteAll(ibdsDiagnoz);
        deleteAll(ibdsVmeshat);
    });

    auto countVisits = [this](Dataset &visits) {
        if (isListened(QMetaMethod::fromSignal(&SharedData::visitCountChanged))) {
            asSideEffect("counting the visits",
                         [&] { Q_EMIT visitCountChanged(visits.recordCount()); });
        }
    };
    ibdsCard.addRule(Event::AfterPost, countVisits);
    ibdsCard.addRule(Event::AfterDelete, countVisits);

    ibdsDocs.addRule(Event::BeforePost, [](Dataset &doctors) {
        if (doctors.value(QStringLiteral("D_ACTIVE")).isNull())
            doctors.setValue(QStringLiteral("D_ACTIVE"), QStringLiteral("T"));
    });

    // A diagnosis or intervention row refers to its visit, so a visit still being filled is
    // written first: the register never holds a link row whose visit is not there.
    const auto writeNewVisitFirst = [this](Dataset &) {
        if (ibdsCard.state() == Dataset::State::Insert)
            ibdsCard.post();
    };
    ibdsDiagnoz.addRule(Event::BeforeInsert, writeNewVisitFirst);
    ibdsVmeshat.addRule(Event::BeforeInsert, writeNewVisitFirst);
    ibdsDiagnoz.addRule(Event::AfterInsert, [this](Dataset &rows) {
        rows.setValue(QStringLiteral("G_KEY"), ibdsCard.value(QStringLiteral("C_ID")));
    });
    ibdsVmeshat.addRule(Event::AfterInsert, [this](Dataset &rows) {
        rows.setValue(QStringLiteral("V_KEY"), ibdsCard.value(QStringLiteral("C_ID")));
    });

    // A link row written without its reference is removed again at once.
    ibdsDiagnoz.addRule(Event::AfterPost, [](Dataset &rows) {
        if (rows.value(QStringLiteral("G_DIAG")).isNull())
            rows.remove();
    });
    ibdsVmeshat.addRule(Event::AfterPost, [](Dataset &rows) {
        if (rows.value(QStringLiteral("V_VMESH")).isNull())
            rows.remove();
    });
}

// A new current patient: the editor's age box follows, and the visits start at the top. Neither
// step may stop the move that has already happened: a failure is only logged.
void SharedData::ibdsMainAfterScroll() {
    if (isListened(QMetaMethod::fromSignal(&SharedData::patientAgeChanged))) {
        asSideEffect("showing the age", [this] {
            const QDate born = ibdsMain.value(QStringLiteral("DATAR")).toDate();
            Q_EMIT patientAgeChanged(dates::ageSinceBirth(born));
        });
    }
    if (ibdsCard.isOpen())
        asSideEffect("moving to the first visit", [this] { ibdsCard.first(); });
}

QList<Dataset *> SharedData::datasets() {
    return {&ibdsMain, &ibdsCard, &ibdsDocs, &ibdsDiagnoz, &ibdsDiag, &ibdsVmeshat, &ibdsVmes};
}

void SharedData::open(const ConnectionTarget &target, const QString &patientListSql) {
    close();
    ibTrans.setIsolation(target.onServer ? Transaction::Isolation::ReadCommitted
                                         : Transaction::Isolation::ServerDefault);
    ibMain.open(target);
    // A register file made by an earlier version gets the indexes, the role and the change
    // events it lacks. Without them every statement still works, only slower, and the file can
    // be moved onto a server as it is. A server's register is the administrator's to change.
    if (!target.onServer) {
        asSideEffect("adding the register's new indexes",
                     [this] { registerindexes::addMissing(ibMain); });
        asSideEffect("adding the register's role and change events",
                     [this] { registerschema::addMissing(ibMain); });
    }
    ibdsMain.setSelectSql(patientListSql);
    for (Dataset *dataset : datasets())
        dataset->open();
    endBooksTransaction();
    listenToOthers();
}

void SharedData::endBooksTransaction() {
    ibBooksTrans.commit();
}

void SharedData::listenToOthers() {
    // A register without the events' triggers (made by an older version and not yet brought up
    // to date) still works: its lists are read again by hand (F5).
    if (onServer())
        asSideEffect("listening to other workstations", [this] { events.listen(ibMain); });
}

bool SharedData::isQuiet(const Dataset &dataset) const {
    if (dataset.isEditing())
        return false;
    for (const Dataset *detail : {&ibdsCard, &ibdsDiagnoz, &ibdsVmeshat}) {
        for (const Dataset *master = detail->master(); master; master = master->master()) {
            if (master == &dataset && detail->isEditing())
                return false;
        }
    }
    return true;
}

QList<std::pair<RegisterEvents::Kind, QList<Dataset *>>> SharedData::refreshedLists() {
    return {
        {RegisterEvents::Patients, {&ibdsMain}},
        {RegisterEvents::Visits, {&ibdsCard}},
        {RegisterEvents::Books, {&ibdsDocs, &ibdsDiag, &ibdsVmes}},
    };
}

void SharedData::refreshByHand() {
    for (const auto &[kind, datasets] : refreshedLists()) {
        for (Dataset *dataset : datasets) {
            if (dataset->isOpen() && isQuiet(*dataset))
                dataset->reread();
        }
    }
}

void SharedData::refreshAfterOthers(RegisterEvents::Kinds kinds) {
    m_pendingRefresh |= kinds;
    if (!ibMain.isOpen())
        return;
    for (const auto &[kind, datasets] : refreshedLists()) {
        if (!m_pendingRefresh.testFlag(kind))
            continue;
        bool done = true;
        for (Dataset *dataset : datasets) {
            if (!dataset->isOpen())
                continue;
            if (!isQuiet(*dataset)) {
                done = false;
                continue;
            }
            asSideEffect("reading again what others changed", [dataset] { dataset->reread(); });
        }
        if (done)
            m_pendingRefresh &= ~RegisterEvents::Kinds(kind);
    }
    if (m_pendingRefresh)
        m_retryRefresh.start();
}

void SharedData::commitIdle() {
    if (!ibMain.isOpen() || !unconfirmed.isEmpty())
        return;
    for (const Dataset *dataset : datasets()) {
        if (dataset->isEditing())
            return;
    }
    endBooksTransaction();
    if (!ibMain.target().onServer) {
        ibTrans.commitRetaining();
        return;
    }
    // A transaction committed while retaining goes on with the snapshot it started with, and the
    // server's oldest snapshot stays there for the whole run.
    ibTrans.commit();
    for (Dataset *list : {&ibdsMain, &ibdsCard}) {
        if (list->isOpen())
            list->reread();
    }
}

void SharedData::abandonConnection() {
    events.stop();
    m_openBeforeLoss.clear();
    for (Dataset *dataset : datasets()) {
        if (dataset->isOpen())
            m_openBeforeLoss.append({dataset, dataset->currentKey()});
    }
    // Details first: a master closed before them would have them read their rows again.
    const QList<Dataset *> all = datasets();
    for (auto dataset = all.rbegin(); dataset != all.rend(); ++dataset)
        (*dataset)->releaseStatements();
    ibBooksTrans.abandon();
    ibTrans.abandon();
    ibMain.abandon();
}

void SharedData::reattach() {
    const ConnectionTarget target = ibMain.target();
    ibMain.open(target);
    // Masters come first: a detail opened after its master reads the rows of its current row.
    for (const auto &[dataset, key] : std::as_const(m_openBeforeLoss)) {
        dataset->open();
        if (!key.isNull())
            dataset->locateKey(key);
    }
    m_openBeforeLoss.clear();
    endBooksTransaction();
    listenToOthers();
}

void SharedData::showPatients(const QString &sql) {
    ibdsMain.close();
    ibdsMain.setSelectSql(sql);
    ibdsMain.open();
}

void SharedData::close() {
    events.stop();
    const QList<Dataset *> all = datasets();
    for (auto dataset = all.rbegin(); dataset != all.rend(); ++dataset)
        (*dataset)->releaseStatements(); // they belong to the attachment that is going away
    if (ibMain.isOpen()) {
        ibBooksTrans.commit();
        ibTrans.commit();
        ibMain.close();
    }
}
