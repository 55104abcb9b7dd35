// The benchmarks' relay: it holds every request and every answer back by its delay and counts a
// request with its answer as one round trip however many pieces each comes in; a Firebird
// client reaches the tests' server through it.

#include "delayproxy.h"
#include "privateserver.h"
#include "rawattach.h"

#include <QElapsedTimer>
#include <QTest>

#include <thread>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Firebird;

namespace {

sockaddr_in loopback(quint16 port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Each write goes out at once, as the engine's client and server send theirs: Nagle's rule
// would hold a small write back until the one before it is acknowledged.
void sendAtOnce(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Sends back what it gets, one connection at a time, on a thread of its own.
class EchoServer {
public:
    EchoServer() : m_listener(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        if (bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            listen(m_listener, 4) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            qFatal("the echo server cannot listen");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            for (int client; (client = accept(m_listener, nullptr, nullptr)) >= 0; close(client)) {
                sendAtOnce(client);
                char buffer[4096];
                for (ssize_t length; (length = read(client, buffer, sizeof buffer)) > 0;)
                    if (write(client, buffer, size_t(length)) != length)
                        break;
            }
        });
    }
    ~EchoServer() {
        shutdown(m_listener, SHUT_RDWR); // ends the wait in accept
        m_thread.join();
        close(m_listener);
    }
    quint16 port() const { return m_port; }

private:
    int m_listener;
    quint16 m_port = 0;
    std::thread m_thread;
};

// Attaches to the server's register as SYSDBA at `address`, changes every patient in a
// transaction and detaches; the database's text on a refusal.
QString attachAndUpdate(const QString &address) {
    try {
        IAttachment *attachment = rawAttach(address, "SYSDBA", PrivateServer::kSysdbaPassword);
        fb::call([&](ThrowStatusWrapper *status) {
            ITransaction *transaction = attachment->startTransaction(status, 0, nullptr);
            attachment->execute(status, transaction, 0, "update MAIN set FIO = FIO", 3, nullptr,
                                nullptr, nullptr, nullptr);
            transaction->commit(status);
            attachment->detach(status);
        });
    } catch (const DbError &error) {
        return error.message();
    }
    return QString();
}

} // namespace

class TestDelayProxy : public QObject {
    Q_OBJECT

private slots:
    void delaysAndCountsEachExchange_data() {
        QTest::addColumn<double>("delay"); // each way, in milliseconds
        QTest::addColumn<int>("exchanges");
        QTest::addColumn<int>("pieces"); // of each request, and so of its answer
        QTest::newRow("no delay") << 0.0 << 5 << 1;
        QTest::newRow("2.5 ms each way") << 2.5 << 8 << 1;
        QTest::newRow("requests in three pieces") << 10.0 << 3 << 3;
    }
    void delaysAndCountsEachExchange() {
        QFETCH(double, delay);
        QFETCH(int, exchanges);
        QFETCH(int, pieces);
        EchoServer echo;
        DelayProxy proxy;
        QVERIFY2(proxy.start(0, QStringLiteral("127.0.0.1"), echo.port(), delay),
                 qPrintable(proxy.errorString()));
        const int client = socket(AF_INET, SOCK_STREAM, 0);
        sendAtOnce(client);
        const sockaddr_in address = loopback(proxy.port());
        QCOMPARE(::connect(client, reinterpret_cast<const sockaddr *>(&address), sizeof address),
                 0);
        QElapsedTimer clock;
        clock.start();
        for (int exchange = 0; exchange < exchanges; ++exchange) {
            for (int piece = 0; piece < pieces; ++piece)
                QCOMPARE(write(client, "ab", 2), 2);
            char answer[64];
            for (ssize_t got = 0; got < 2 * pieces;) {
                const ssize_t length = read(client, answer, sizeof answer);
                QVERIFY(length > 0);
                got += length;
            }
        }
        const double elapsed = double(clock.nsecsElapsed()) / 1e6;
        close(client);
        QCOMPARE(proxy.roundTrips(), exchanges);
        QVERIFY2(elapsed >= exchanges * 2 * delay, qPrintable(QString::number(elapsed)));
        proxy.reset();
        QCOMPARE(proxy.roundTrips(), 0);
    }

    // The engine's wire protocol, encrypted, passes through; each round trip it counts takes
    // the delay both ways.
    void relaysAFirebirdClient() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        PrivateServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const double delay = 5;
        DelayProxy proxy;
        QVERIFY2(proxy.start(0, server.host(), server.port(), delay),
                 qPrintable(proxy.errorString()));
        QElapsedTimer clock;
        clock.start();
        const QString address = QStringLiteral("%1/%2:%3")
                                    .arg(server.host())
                                    .arg(proxy.port())
                                    .arg(QLatin1String(PrivateServer::kAlias));
        QCOMPARE(attachAndUpdate(address), QString());
        const double elapsed = double(clock.nsecsElapsed()) / 1e6;
        qInfo("attach, update, commit, detach: %lld round trips, %.0f ms",
              static_cast<long long>(proxy.roundTrips()), elapsed);
        QVERIFY(proxy.roundTrips() >= 4);
        QVERIFY2(elapsed >= double(proxy.roundTrips()) * 2 * delay,
                 qPrintable(QString::number(elapsed)));
    }
};

QTEST_GUILESS_MAIN(TestDelayProxy)
#include "test_delayproxy.moc"
