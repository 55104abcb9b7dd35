// The register on the practice's server, as two workstations use it at once: what one saves the
// other shows without losing its place, a change saved meanwhile by another is noticed before it
// is saved over, and a connection lost with the server is reached again.

#include "data/connectiontarget.h"
#include "data/dberror.h"
#include "data/errorkind.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "privateserver.h"

#include <QTest>

namespace {

const QString kUser = QStringLiteral("ivanova");
const QString kOtherUser = QStringLiteral("petrov");
const QString kPassword = QStringLiteral("secret");
const QString kList = QStringLiteral("select * from MAIN order by FIO");

ConnectionTarget signedIn(const PrivateServer &server, const QString &user) {
    const std::optional<ServerAddress> address = ServerAddress::parse(server.address());
    return ConnectionTarget::server(*address, user, kPassword);
}

int addPatient(SharedData &data, const QString &fio) {
    data.ibdsMain.insert();
    data.ibdsMain.setValue(QStringLiteral("FIO"), fio);
    data.ibdsMain.post();
    data.ibTrans.commitRetaining();
    return data.ibdsMain.value(QStringLiteral("ID")).toInt();
}

QStringList names(Dataset &patients) {
    QStringList shown;
    patients.fetchAll();
    for (patients.first(); !patients.atEnd(); patients.next())
        shown << patients.value(QStringLiteral("FIO")).toString();
    return shown;
}

} // namespace

class TestServerRegister : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateServer> server;

    // Two workstations signed in as two of the practice's users.
    void startServer() {
        server = std::make_unique<PrivateServer>();
        QVERIFY2(server->start(), qPrintable(server->errorString()));
        QVERIFY(server->addUser(kUser, kPassword).ok);
        QVERIFY(server->addUser(kOtherUser, kPassword).ok);
    }

private slots:
    void init() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        startServer();
    }

    void cleanup() { server.reset(); }

    void savedOnOneWorkstationShownOnTheOther() {
        SharedData first;
        SharedData second;
        first.open(signedIn(*server, kUser), kList);
        second.open(signedIn(*server, kOtherUser), kList);
        addPatient(second, QStringLiteral("Борисова Бэлла"));
        const int id = addPatient(first, QStringLiteral("Зайцева Зоя"));
        QTRY_COMPARE(names(second.ibdsMain), QStringList({QStringLiteral("Борисова Бэлла"),
                                                          QStringLiteral("Зайцева Зоя")}));

        // The other's row stays current where it was; a row being edited is not read again.
        second.ibdsMain.locate(QStringLiteral("FIO"), QStringLiteral("Борисова Бэлла"));
        second.ibdsMain.edit();
        second.ibdsMain.setValue(QStringLiteral("TELD"), QStringLiteral("22-33-44"));
        first.ibdsMain.locateKey(id);
        first.ibdsMain.edit();
        first.ibdsMain.setValue(QStringLiteral("ADR"), QStringLiteral("ул. Лесная, 5"));
        first.ibdsMain.post();
        first.ibTrans.commitRetaining();
        QTest::qWait(300);
        QCOMPARE(second.ibdsMain.value(QStringLiteral("TELD")).toString(),
                 QStringLiteral("22-33-44"));
        second.ibdsMain.post();
        second.ibTrans.commitRetaining();
        QTRY_COMPARE(second.ibdsMain.value(QStringLiteral("FIO")).toString(),
                     QStringLiteral("Борисова Бэлла"));
        QTRY_VERIFY(second.ibdsMain.locateKey(id) &&
                    second.ibdsMain.value(QStringLiteral("ADR")).toString() ==
                        QStringLiteral("ул. Лесная, 5"));
    }

    // F5: every list read again at once (here without the events), a row being edited left
    // as typed.
    void refreshByHandReadsEveryQuietList() {
        SharedData first;
        SharedData second;
        first.open(signedIn(*server, kUser), kList);
        second.open(signedIn(*server, kOtherUser), kList);
        second.events.stop();
        addPatient(first, QStringLiteral("Зайцева Зоя"));
        first.ibdsDocs.insert();
        first.ibdsDocs.setValue(QStringLiteral("D_FIO"), QStringLiteral("Петрова Е.В."));
        first.ibdsDocs.post();
        first.ibBooksTrans.commitRetaining();

        second.refreshByHand();
        QCOMPARE(names(second.ibdsMain), QStringList{QStringLiteral("Зайцева Зоя")});
        QCOMPARE(second.ibdsDocs.recordCount(), 1);

        second.ibdsMain.edit();
        second.ibdsMain.setValue(QStringLiteral("TELD"), QStringLiteral("22-33-44"));
        addPatient(first, QStringLiteral("Борисова Бэлла"));
        second.refreshByHand();
        QCOMPARE(second.ibdsMain.state(), Dataset::State::Edit);
        QCOMPARE(second.ibdsMain.value(QStringLiteral("TELD")).toString(),
                 QStringLiteral("22-33-44"));
    }

    // A workstation keeps only the run's transaction running: the books' one ends once they are
    // read, and again when the run sits idle after a book entry was saved, so that the server's
    // clean-up of old record versions is not held back for the whole run.
    void onlyTheRunsTransactionKeepsRunning() {
        SharedData data;
        data.open(signedIn(*server, kUser), kList);
        auto running = [this] {
            return server
                ->isql(QStringLiteral("set heading off;\nselect count(*) from MON$TRANSACTIONS t "
                                      "join MON$ATTACHMENTS a on a.MON$ATTACHMENT_ID = "
                                      "t.MON$ATTACHMENT_ID where a.MON$USER = '%1';")
                           .arg(kUser.toUpper()))
                .output.trimmed()
                .toInt();
        };
        QCOMPARE(running(), 1);
        data.ibdsDocs.insert();
        data.ibdsDocs.setValue(QStringLiteral("D_FIO"), QStringLiteral("Петрова Е.В."));
        data.ibdsDocs.post();
        QCOMPARE(running(), 2);
        data.commitIdle();
        QCOMPARE(running(), 1);
        data.ibdsDocs.reread();
        QCOMPARE(data.ibdsDocs.recordCount(), 1);
    }

    // A run that sits idle lets the server's oldest snapshot move on, and its list, read in part
    // before, goes on from the row it showed.
    void idleRunHoldsNoSnapshotBack() {
        SharedData data;
        data.open(signedIn(*server, kUser), kList);
        for (int i = 0; i < 300; ++i)
            addPatient(data, QStringLiteral("Пациент %1").arg(i, 3, 10, QLatin1Char('0')));
        data.ibdsMain.reread();
        QVERIFY(data.ibdsMain.locateKey(addPatient(data, QStringLiteral("Пациент 150а"))));
        auto oldestSnapshot = [this] {
            return server
                ->isql(QStringLiteral("set heading off;\n"
                                      "select MON$OLDEST_SNAPSHOT from MON$DATABASE;"))
                .output.trimmed()
                .toLongLong();
        };
        const qint64 before = oldestSnapshot();
        data.commitIdle();
        QVERIFY2(oldestSnapshot() > before, "the run still holds the oldest snapshot");
        QCOMPARE(data.ibdsMain.value(QStringLiteral("FIO")).toString(),
                 QStringLiteral("Пациент 150а"));
        QCOMPARE(names(data.ibdsMain).size(), 301);
    }

    void changeSavedMeanwhileIsNoticed() {
        SharedData first;
        SharedData second;
        first.open(signedIn(*server, kUser), kList);
        const int id = addPatient(first, QStringLiteral("Зайцева Зоя"));
        second.open(signedIn(*server, kOtherUser), kList);
        QVERIFY(second.ibdsMain.locateKey(id));
        second.ibdsMain.edit();
        QVERIFY(!second.ibdsMain.changedSinceRead());
        first.ibdsMain.edit();
        first.ibdsMain.setValue(QStringLiteral("ADR"), QStringLiteral("ул. Лесная, 5"));
        first.ibdsMain.post();
        first.ibTrans.commitRetaining();
        QVERIFY(second.ibdsMain.changedSinceRead());
    }

    void savesAfterTheServerIsReachedAgain() {
        SharedData data;
        data.open(signedIn(*server, kUser), kList);
        const int id = addPatient(data, QStringLiteral("Зайцева Зоя"));
        data.ibdsMain.edit();
        data.ibdsMain.setValue(QStringLiteral("TELD"), QStringLiteral("22-33-44"));

        server->kill();
        try {
            data.ibdsMain.post();
            QFAIL("saved on a server that is gone");
        } catch (const DbError &error) {
            QVERIFY2(errorkind::isConnectionLost(error), qPrintable(error.message()));
        }
        QVERIFY(server->start());
        data.abandonConnection();
        data.reattach();

        QCOMPARE(data.ibdsMain.value(QStringLiteral("ID")).toInt(), id);
        data.ibdsMain.edit();
        data.ibdsMain.setValue(QStringLiteral("TELD"), QStringLiteral("22-33-44"));
        data.ibdsMain.post();
        data.ibTrans.commitRetaining();
        const PrivateServer::Answer stored =
            server->isql(QStringLiteral("select TELD from MAIN where ID = %1;").arg(id));
        QVERIFY2(stored.output.contains(QStringLiteral("22-33-44")), qPrintable(stored.errors));
    }
};

QTEST_GUILESS_MAIN(TestServerRegister)
#include "test_serverregister.moc"
