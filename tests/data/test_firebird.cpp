// The Firebird access layer: parameters, text, errors and the one-process rule.

#include "app/openfailure.h"
#include "data/connection.h"
#include "data/dberror.h"
#include "data/programend.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "otheruser.h"
#include "testdatabase.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <QTest>
#include <csignal>
#include <unistd.h>

namespace {
// When set, this program only attaches to the named file and reports the outcome: it plays
// a second copy of the program started by mistake.
const char *const kAttachOnly = "VENTREL_TEST_ATTACH_ONLY";
// With kAttachOnly: the second copy runs as another user, who has a lock folder of their own.
const char *const kAsOtherUser = "VENTREL_TEST_AS_OTHER_USER";
// When set, this program writes a row, receives SIGTERM in the middle of its work, and then ends
// the ordinary way, committing: what the program does when the session ends under it.
const char *const kTerminateDuringWork = "VENTREL_TEST_TERMINATE_DURING_WORK";

int terminateDuringWork(const QString &path) {
    bool asked = false;
    // The test runner may have left the signal blocked for its children.
    sigset_t terminate;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    pthread_sigmask(SIG_UNBLOCK, &terminate, nullptr);
    routeProgramEnd(qApp, [&] { asked = true; });
    try {
        Connection connection;
        connection.open(path);
        Transaction transaction(connection);
        Statement(connection, transaction,
                  QStringLiteral("insert into VMESH (E_ID, E_NAME) values (1, 'ФГДС')"))
            .execute();
        ::kill(::getpid(), SIGTERM);
        QDeadlineTimer deadline(10000);
        while (!asked && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        if (!asked)
            return 2;
        transaction.commit(); // the engine is still there to take it
        connection.close();
        return 0;
    } catch (const DbError &error) {
        printf("%s\n", error.message().toUtf8().constData());
        return 1;
    }
}
} // namespace

class TestFirebird : public QObject {
    Q_OBJECT

    QStringList column(Connection &connection, Transaction &transaction, const QString &sql) {
        Statement statement(connection, transaction, sql);
        statement.open();
        QStringList values;
        QVariantList row;
        while (statement.fetch(row))
            values << row.value(0).toString();
        return values;
    }

private Q_SLOTS:
    void namedParameters_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("plain") << "update MAIN set FIO = :FIO where ID = :OLD_ID"
                               << "update MAIN set FIO = ? where ID = ?"
                               << QStringList{"FIO", "OLD_ID"};
        QTest::newRow("quoted colon") << "select ':X', \":Y\" from T where A=:a"
                                      << "select ':X', \":Y\" from T where A=?" << QStringList{"A"};
        QTest::newRow("doubled apostrophe")
            << "where FIO like 'О''Нил:%' and ID=:ID"
            << "where FIO like 'О''Нил:%' and ID=?" << QStringList{"ID"};
        QTest::newRow("comments") << "select 1 /* :A */ -- :B\nfrom T where C=:C"
                                  << "select 1 /* :A */ -- :B\nfrom T where C=?"
                                  << QStringList{"C"};
    }
    void namedParameters() {
        QFETCH(QString, sql);
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        const ParsedSql parsed = parseNamedParameters(sql);
        QCOMPARE(parsed.text, text);
        QCOMPARE(parsed.parameters, names);
    }

    void textRoundTripsAndCyrillicRulesHold() {
        TestDatabase db;
        Connection connection;
        connection.open(db.path());
        Transaction transaction(connection);
        Statement insert(connection, transaction,
                         QStringLiteral("insert into DIAG (Z_ID, Z_NAME) values (:ID, :NAME)"));
        const QStringList names = {QStringLiteral("ёлка №5 «ель» — ЁЖ"), QStringLiteral("Ясли"),
                                   QStringLiteral("абв"), QStringLiteral("Ежевика")};
        for (int i = 0; i < names.size(); ++i) {
            insert.execute([&](const QString &name) -> QVariant {
                return name == QLatin1String("ID") ? QVariant(i + 1) : QVariant(names[i]);
            });
        }
        QCOMPARE(column(connection, transaction,
                        QStringLiteral("select Z_NAME from DIAG where Z_ID = 1")),
                 QStringList{names[0]});
        // Russian alphabetical order, letter case and Ё included.
        QCOMPARE(column(connection, transaction,
                        QStringLiteral("select Z_NAME from DIAG order by Z_NAME")),
                 (QStringList{names[2], names[3], names[0], names[1]}));
        QCOMPARE(column(connection, transaction,
                        QStringLiteral("select Z_NAME from DIAG where UPPER(Z_NAME) "
                                       "containing UPPER('ЁЛКА')")),
                 QStringList{names[0]});
        QCOMPARE(column(connection, transaction,
                        QStringLiteral("select Z_NAME from DIAG where Z_NAME like 'я%'")),
                 QStringList{});
        QCOMPARE(column(connection, transaction,
                        QStringLiteral("select GEN_ID(GEN_DIAG_ID, 1) from RDB$DATABASE")),
                 QStringList{QStringLiteral("1")});
        transaction.commit();
        connection.close();
    }

    // A savepoint undoes only what came after it, nested ones each their own share; committing
    // retaining ends them all, so a window that goes on sets a new one.
    void savepointsUndoOnlyWhatCameAfter() {
        TestDatabase db;
        Connection connection;
        connection.open(db.path());
        Transaction transaction(connection);
        auto add = [&](const char *name) {
            Statement(connection, transaction,
                      QStringLiteral("insert into VMESH (E_ID, E_NAME) values "
                                     "(GEN_ID(GEN_VMESH_ID, 1), '%1')")
                          .arg(QLatin1String(name)))
                .execute();
        };
        auto names = [&] {
            return column(connection, transaction,
                          QStringLiteral("select E_NAME from VMESH order by E_ID"));
        };
        add("a");
        Savepoint outer(transaction);
        add("b");
        {
            Savepoint inner(transaction);
            add("c");
            inner.rollBack();
            add("d");
            inner.release();
        }
        QCOMPARE(names(), (QStringList{"a", "b", "d"}));
        outer.rollBack();
        QCOMPARE(names(), QStringList{"a"});
        add("e");
        outer.rollBack(); // the savepoint stays after a rollback to it
        QCOMPARE(names(), QStringList{"a"});

        transaction.commitRetaining();
        QVERIFY_THROWS_EXCEPTION(DbError, outer.rollBack());
        Savepoint after(transaction);
        add("f");
        after.rollBack();
        transaction.rollbackRetaining();
        QCOMPARE(names(), QStringList{"a"});
        transaction.commit();
        connection.close();
    }

    void refusalsCarryTheDatabaseText_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unknown table") << "select * from NO_SUCH_TABLE"
                                       << "NO_SUCH_TABLE";
        QTest::newRow("too long") << "insert into DOCS (D_ID, D_ACTIVE) values (1, 'TT')"
                                  << "string right truncation";
        QTest::newRow("required") << "insert into DOCS (D_ID) values (1)"
                                  << "D_ACTIVE";
    }
    void refusalsCarryTheDatabaseText() {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        TestDatabase db;
        Connection connection;
        connection.open(db.path());
        Transaction transaction(connection);
        try {
            Statement(connection, transaction, sql).execute();
            QFAIL("the statement was accepted");
        } catch (const DbError &error) {
            QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
        }
        // The transaction stays usable after a refusal.
        QCOMPARE(column(connection, transaction, QStringLiteral("select 1 from RDB$DATABASE")),
                 QStringList{QStringLiteral("1")});
        transaction.commit();
        connection.close();
    }

    void filesThatAreNotDatabasesGiveTheDatabaseText() {
        QTemporaryDir dir;
        const QString notADatabase = dir.filePath(QStringLiteral("notes.fdb"));
        QFile file(notADatabase);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(20000, 'x'));
        file.close();
        for (const QString &path : {notADatabase, dir.filePath(QStringLiteral("missing.fdb"))}) {
            Connection connection;
            try {
                connection.open(path);
                QFAIL("the file was opened");
            } catch (const DbError &error) {
                QVERIFY2(!error.message().isEmpty(), qPrintable(path));
            }
            QVERIFY(!connection.isOpen());
        }
    }

    void terminationSignalLetsTheProgramCommit() {
        TestDatabase db;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kTerminateDuringWork), db.path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        // The row written before the signal was committed by the program, not lost with it.
        Connection connection;
        connection.open(db.path());
        Transaction transaction(connection);
        QCOMPARE(column(connection, transaction, QStringLiteral("select E_NAME from VMESH")),
                 QStringList{QStringLiteral("ФГДС")});
        transaction.commit();
        connection.close();
    }

    // While one user has the register open, another start is refused with the message that
    // says so, and nothing is damaged: also when the second program is another user's, with
    // its lock files in a folder of its own, so that the two engines share no lock table.
    void secondProcessIsRefusedAndNothingIsDamaged_data() {
        QTest::addColumn<bool>("otherLockFolder");
        QTest::newRow("the same lock folder") << false;
        QTest::newRow("another user, another lock folder") << true;
    }
    void secondProcessIsRefusedAndNothingIsDamaged() {
        QFETCH(bool, otherLockFolder);
        TestDatabase db;
        // Open to the second user's program as well.
        QFile::setPermissions(db.path(), QFile::Permissions(0x6666));
        otheruser::letThrough(db.folder());
        Connection connection;
        connection.open(db.path());
        Transaction transaction(connection);
        Statement(connection, transaction,
                  QStringLiteral("insert into VMESH (E_ID, E_NAME) values (1, 'ФГДС')"))
            .execute();
        transaction.commitRetaining();

        QTemporaryDir ownLockFolder; // an ordinary user's second program: a lock folder apart
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kAttachOnly), db.path());
        if (otherLockFolder) {
            environment.remove(QStringLiteral("FIREBIRD_LOCK"));
            environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            if (otheruser::isRoot())
                environment.insert(QLatin1String(kAsOtherUser), QStringLiteral("1"));
            else
                environment.insert(QStringLiteral("FIREBIRD_LOCK"), ownLockFolder.path());
        }
        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(second.waitForFinished(30000));
        const QStringList output = QString::fromUtf8(second.readAllStandardOutput()).split(u'\n');
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(output.value(0) != qEnvironmentVariable("FIREBIRD_LOCK"), otherLockFolder);
        QCOMPARE(output.value(1), QStringLiteral("Не удалось открыть базу данных"));
        QCOMPARE(output.value(2), db.path());
        QVERIFY2(output.value(3).startsWith(QStringLiteral("База уже открыта другой копией "
                                                           "программы")),
                 qPrintable(output.join(u'\n')));

        QCOMPARE(column(connection, transaction, QStringLiteral("select E_NAME from VMESH")),
                 QStringList{QStringLiteral("ФГДС")});
        transaction.commit();
        connection.close();
        // Whole after the second start: it opens again, with every row.
        connection.open(db.path());
        Transaction again(connection);
        QCOMPARE(column(connection, again, QStringLiteral("select count(*) from VMESH")),
                 QStringList{QStringLiteral("1")});
        again.commit();
        connection.close();
    }
};

int main(int argc, char **argv) {
    const QByteArray terminate = qgetenv(kTerminateDuringWork);
    if (!terminate.isEmpty()) {
        QCoreApplication app(argc, argv);
        return terminateDuringWork(QString::fromLocal8Bit(terminate));
    }
    const QByteArray attachOnly = qgetenv(kAttachOnly);
    if (!attachOnly.isEmpty()) {
        QCoreApplication app(argc, argv);
        if (qEnvironmentVariableIsSet(kAsOtherUser) && !otheruser::becomeUnprivileged())
            return 2;
        const QString path = QString::fromLocal8Bit(attachOnly);
        Connection connection;
        try {
            connection.open(path);
            connection.close();
            return 0;
        } catch (const DbError &error) {
            // The lock folder this program used, and what the user is told.
            printf("%s\n%s\n", qgetenv("FIREBIRD_LOCK").constData(),
                   openfailure::message(path, error).toUtf8().constData());
            return 1;
        }
    }
    QCoreApplication app(argc, argv);
    TestFirebird test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_firebird.moc"
