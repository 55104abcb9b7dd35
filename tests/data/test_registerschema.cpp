// The register's role, grants and event triggers: a register made before them
// gets what it lacks when opened, every change of a table posts its event once
// committed, and a practice's user with the role may work in every table of a
// register on a server.

#include "data/connection.h"
#include "data/fbapi.h"
#include "data/registerschema.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "privateserver.h"
#include "testdatabase.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QTest>
#include <QtEndian>

using namespace Firebird;

namespace {

const QList<QByteArray> kEvents{registerschema::kPatientsEvent, registerschema::kVisitsEvent,
                                registerschema::kBooksEvent};

// Listens to the register's three events on an attachment and counts them. The
// engine calls back on a thread of its own; the test reads the counts and asks
// again from its own thread.
class EventCounter : public IEventCallbackImpl<EventCounter, ThrowStatusWrapper> {
public:
    explicit EventCounter(IAttachment *attachment) : m_attachment(attachment) {
        // The event parameter block: its version, then each name with its count so
        // far.
        m_block.append(char(1));
        for (const QByteArray &name : kEvents)
            m_block.append(char(name.size())).append(name).append(4, '\0');
        queue();
        // The engine answers the first request at once with its own counts: the
        // start.
        take();
        m_start = counts(m_block);
    }
    ~EventCounter() override {
        fb::call([&](ThrowStatusWrapper *status) { m_events->cancel(status); });
        m_events->release();
    }

    // Waits until the counts of the three events, since the counter began, are
    // `expected`; returns the counts seen last.
    QList<int> waitFor(const QList<int> &expected) {
        QList<int> seen = sinceStart();
        for (QDeadlineTimer deadline(10'000); seen != expected && !deadline.hasExpired();) {
            if (!take(int(deadline.remainingTime())))
                break;
            seen = sinceStart();
        }
        return seen;
    }

    void addRef() override {}
    int release() override { return 1; }
    void eventCallbackFunction(unsigned length, const unsigned char *events) override {
        QMutexLocker lock(&m_mutex);
        m_received = QByteArray(reinterpret_cast<const char *>(events), int(length));
    }

private:
    bool arrived() {
        QMutexLocker lock(&m_mutex);
        return !m_received.isEmpty();
    }
    // Waits for the engine's answer, keeps its counts and asks again.
    bool take(int timeout = 10'000) {
        if (!QTest::qWaitFor([this] { return arrived(); }, timeout))
            return false;
        {
            QMutexLocker lock(&m_mutex);
            m_block = m_received;
            m_received.clear();
        }
        fb::release(m_events);
        queue();
        return true;
    }
    QList<int> sinceStart() const {
        QList<int> all = counts(m_block);
        for (qsizetype i = 0; i < all.size(); ++i)
            all[i] -= m_start.value(i);
        return all;
    }
    void queue() {
        m_events = fb::call([&](ThrowStatusWrapper *status) {
            return m_attachment->queEvents(status, this, unsigned(m_block.size()),
                                           reinterpret_cast<const unsigned char *>(m_block.data()));
        });
    }
    static QList<int> counts(const QByteArray &block) {
        QList<int> all;
        for (qsizetype at = 1; at < block.size();) {
            at += 1 + uchar(block[at]);
            all << int(qFromLittleEndian<quint32>(block.constData() + at));
            at += 4;
        }
        return all;
    }

    IAttachment *m_attachment;
    IEvents *m_events = nullptr;
    QByteArray m_block;
    QList<int> m_start;
    QMutex m_mutex;
    QByteArray m_received; // what the engine called back with, not taken yet
};

// The tables with their keys, and what else a new row needs.
struct Table {
    const char *name, *key, *more = "", *moreValues = "";
};
const Table kTables[] = {
    {"MAIN", "ID"},
    {"CARD", "C_ID"},
    {"DIAGNOZ", "G_ID"},
    {"VMESHAT", "V_ID"},
    {"DIAG", "Z_ID"},
    {"VMESH", "E_ID"},
    {"DOCS", "D_ID", ", D_ACTIVE", ", 'Y'"},
};

// Everything the role, its rights and the triggers are made of, row by row.
QString schemaOf(Connection &connection) {
    Transaction transaction(connection);
    Statement rows(
        connection, transaction,
        QStringLiteral("select RDB$ROLE_NAME, '' from RDB$ROLES where RDB$SYSTEM_FLAG = 0 "
                       "union all select RDB$USER || RDB$USER_TYPE || RDB$PRIVILEGE || "
                       "RDB$OBJECT_TYPE || coalesce(RDB$FIELD_NAME, ''), RDB$RELATION_NAME "
                       "from RDB$USER_PRIVILEGES where RDB$USER = '%1' "
                       "union all select RDB$TRIGGER_NAME || RDB$TRIGGER_TYPE || "
                       "RDB$TRIGGER_INACTIVE || RDB$RELATION_NAME, RDB$TRIGGER_SOURCE "
                       "from RDB$TRIGGERS where coalesce(RDB$SYSTEM_FLAG, 0) = 0 order by "
                       "1, 2")
            .arg(QLatin1String(registerschema::kRole)));
    QString all;
    rows.open();
    for (QVariantList row; rows.fetch(row);)
        all += row.value(0).toString().simplified() + u' ' + row.value(1).toString() + u'\n';
    transaction.commit();
    return all;
}

} // namespace

class TestRegisterSchema : public QObject {
    Q_OBJECT

private slots:
    void eachChangePostsItsEvent_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("insert");
        QTest::addColumn<int>("event"); // of kEvents
        const auto row = [](const char *table, const char *key, const char *values, int event) {
            QTest::newRow(table) << QString::fromLatin1(table) << QString::fromLatin1(key)
                                 << QStringLiteral("insert into %1 %2").arg(table, values) << event;
        };
        row("MAIN", "ID", "(ID, FIO) values (1, 'Иванова')", 0);
        row("CARD", "C_ID", "(C_ID, C_KEY) values (1, 1)", 1);
        row("DIAGNOZ", "G_ID", "(G_ID, G_KEY) values (1, 1)", 1);
        row("VMESHAT", "V_ID", "(V_ID, V_KEY) values (1, 1)", 1);
        row("DOCS", "D_ID", "(D_ID, D_ACTIVE) values (1, 'Y')", 2);
        row("DIAG", "Z_ID", "(Z_ID, Z_NAME) values (1, 'ОРВИ')", 2);
        row("VMESH", "E_ID", "(E_ID, E_NAME) values (1, 'Осмотр')", 2);
    }
    void eachChangePostsItsEvent() {
        QFETCH(QString, table);
        QFETCH(QString, key);
        QFETCH(QString, insert);
        QFETCH(int, event);
        TestDatabase db;
        Connection connection;
        connection.open(db.path());
        Transaction transaction(connection);
        EventCounter counter(connection.attachment());
        QList<int> expected{0, 0, 0};
        // Each committed statement posts the table's event once, and no other.
        const auto committed = [&](const QString &sql) {
            transaction.execute(sql);
            transaction.commit();
            ++expected[event];
            return counter.waitFor(expected);
        };
        QCOMPARE(committed(insert), expected);
        QCOMPARE(committed(QStringLiteral("update %1 set %2 = 2").arg(table, key)), expected);
        QCOMPARE(committed(QStringLiteral("delete from ") + table), expected);
        connection.close();
    }

    void anOlderRegisterGetsWhatItLacks_data() {
        QTest::addColumn<QStringList>("drops");
        QTest::addColumn<QStringList>("added");
        QStringList all, drops{QStringLiteral("drop role VENTREL_USER")};
        for (const registerschema::Definition &object : registerschema::definitions())
            all << object.name;
        for (const Table &table : kTables)
            drops << QStringLiteral("drop trigger TR_%1_EVENT").arg(QLatin1String(table.name));
        QTest::newRow("made before them") << drops << all;
        QTest::newRow("a right and a trigger lost")
            << QStringList{QStringLiteral("revoke insert on DOCS from VENTREL_USER"),
                           QStringLiteral("revoke usage on sequence GEN_CARD_ID "
                                          "from VENTREL_USER"),
                           QStringLiteral("drop trigger TR_VMESHAT_EVENT")}
            << QStringList{QStringLiteral("grants on DOCS"), QStringLiteral("usage of GEN_CARD_ID"),
                           QStringLiteral("trigger TR_VMESHAT_EVENT")};
    }
    void anOlderRegisterGetsWhatItLacks() {
        QFETCH(QStringList, drops);
        QFETCH(QStringList, added);
        TestDatabase db;
        Connection connection;
        connection.open(db.path());
        const QString made = schemaOf(connection);
        {
            Transaction transaction(connection);
            for (const QString &sql : drops) {
                transaction.execute(sql);
                transaction.commitRetaining();
            }
            transaction.commit();
        }
        QVERIFY(schemaOf(connection) != made);
        QCOMPARE(registerschema::addMissing(connection), added);
        QCOMPARE(schemaOf(connection), made);
        QCOMPARE(registerschema::addMissing(connection), QStringList());
        connection.close();
    }

    // On a server, a practice's user works in every table of the register through
    // the role, and without it may not even read.
    void theRoleGivesEveryTable_data() {
        QTest::addColumn<bool>("withRole");
        QTest::newRow("with the role") << true;
        QTest::newRow("without") << false;
    }
    void theRoleGivesEveryTable() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        QFETCH(bool, withRole);
        PrivateServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.addUser(QStringLiteral("petrov"), QStringLiteral("secret")).ok);
        QString sql;
        for (const Table &table : kTables)
            sql += QStringLiteral("insert into %1 (%2%3) values (gen_id(GEN_%1_ID, 1)%4);\n"
                                  "update %1 set %2 = %2;\n"
                                  "select count(*) from %1;\n"
                                  "delete from %1;\n")
                       .arg(QLatin1String(table.name), QLatin1String(table.key),
                            QLatin1String(table.more), QLatin1String(table.moreValues));
        const PrivateServer::Answer answer = server.isql(
            sql + QStringLiteral("commit;\n"), QStringLiteral("petrov"), QStringLiteral("secret"),
            withRole ? QLatin1String(registerschema::kRole) : QString());
        QVERIFY2(answer.ok == withRole, qPrintable(answer.errors));
        if (!withRole)
            QVERIFY2(answer.errors.contains(QStringLiteral("no permission")),
                     qPrintable(answer.errors));
    }
};

QTEST_GUILESS_MAIN(TestRegisterSchema)
#include "test_registerschema.moc"
