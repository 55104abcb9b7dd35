// The tests' own Firebird server: it serves the register to a user of its own, keeps what was
// committed across a crash and a restart on the same port, and holds its clients to the wire
// encryption it was started with.

#include "privateserver.h"
#include "rawattach.h"

#include <QTest>

using namespace Firebird;

namespace {

// Attaches to the server's register as SYSDBA with the client's wire encryption set for this
// attachment alone; the database's text when it is refused.
QString attachWith(const PrivateServer &server, const char *wireCrypt) {
    try {
        IAttachment *attachment =
            rawAttach(server.address(), "SYSDBA", PrivateServer::kSysdbaPassword,
                      QByteArray("WireCrypt = ") + wireCrypt);
        fb::call([&](ThrowStatusWrapper *status) { attachment->detach(status); });
    } catch (const DbError &error) {
        return error.message();
    }
    return QString();
}

int patients(const PrivateServer &server) {
    const PrivateServer::Answer answer =
        server.isql(QStringLiteral("set list on; select count(*) as N from MAIN;"));
    return answer.ok ? answer.output.section(u'N', 1).trimmed().toInt() : -1;
}

} // namespace

class TestPrivateServer : public QObject {
    Q_OBJECT

private slots:
    void keepsTheRegisterAcrossACrash() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        PrivateServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const PrivateServer::Answer added =
            server.addUser(QStringLiteral("ivanova"), QStringLiteral("it's secret"));
        QVERIFY2(added.ok, qPrintable(added.errors));
        const PrivateServer::Answer written =
            server.isql(QStringLiteral("insert into MAIN (ID, FIO) values (gen_id(GEN_MAIN_ID, 1), "
                                       "'Иванова Мария'); commit;"),
                        QStringLiteral("ivanova"), QStringLiteral("it's secret"),
                        QLatin1String(registerschema::kRole));
        QVERIFY2(written.ok, qPrintable(written.errors));

        const quint16 port = server.port();
        server.kill();
        QCOMPARE(patients(server), -1);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QCOMPARE(server.port(), port);
        QCOMPARE(patients(server), 1);
        const PrivateServer::Answer read = server.isql(
            QStringLiteral("set list on; select FIO from MAIN;"), QStringLiteral("ivanova"),
            QStringLiteral("it's secret"), QLatin1String(registerschema::kRole));
        QVERIFY2(read.output.contains(QStringLiteral("Иванова Мария")), qPrintable(read.errors));
    }

    void holdsClientsToItsWireEncryption_data() {
        QTest::addColumn<PrivateServer::WireCrypt>("server");
        QTest::addColumn<QByteArray>("client");
        QTest::addColumn<bool>("attaches");
        QTest::newRow("required, client in the clear")
            << PrivateServer::WireCrypt::Required << QByteArray("Disabled") << false;
        QTest::newRow("required, client requires")
            << PrivateServer::WireCrypt::Required << QByteArray("Required") << true;
        QTest::newRow("in the clear, client requires")
            << PrivateServer::WireCrypt::Disabled << QByteArray("Required") << false;
    }
    void holdsClientsToItsWireEncryption() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        QFETCH(PrivateServer::WireCrypt, server);
        QFETCH(QByteArray, client);
        QFETCH(bool, attaches);
        PrivateServer running(server);
        QVERIFY2(running.start(), qPrintable(running.errorString()));
        const QString refusal = attachWith(running, client.constData());
        if (attaches)
            QCOMPARE(refusal, QString());
        else
            QVERIFY2(refusal.contains(QStringLiteral("Incompatible wire encryption")),
                     qPrintable(refusal));
    }
};

QTEST_GUILESS_MAIN(TestPrivateServer)
#include "test_privateserver.moc"
