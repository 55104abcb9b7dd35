// The administrator's command on the practice's server: how its arguments and the server's
// files read, and each command run against a private server of the test's own.

#include "admin/admincommands.h"
#include "admin/adminrequest.h"
#include "admin/backupnames.h"
#include "admin/serverconfig.h"
#include "data/connection.h"
#include "data/dberror.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "privateserver.h"
#include "registergenerator.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using adminrequest::Command;

class TestAdmin : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    struct Run {
        int status;
        QString out, err;
    };

    // ventrel-admin as the test's server's administrator.
    Run admin(const PrivateServer &server, QStringList arguments) {
        arguments << QStringLiteral("--server")
                  << QStringLiteral("%1/%2").arg(server.host()).arg(server.port())
                  << QStringLiteral("--config") << server.root() << QStringLiteral("--backups")
                  << dir.filePath(QStringLiteral("backups"));
        qputenv("ISC_PASSWORD", PrivateServer::kSysdbaPassword);
        Run run{0, {}, {}};
        QTextStream out(&run.out), err(&run.err);
        run.status = admincommands::run(adminrequest::parse(arguments), out, err);
        qunsetenv("ISC_PASSWORD");
        return run;
    }

    QString passwordFile(const QString &password) {
        const QString path = dir.filePath(QStringLiteral("password"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(password.toUtf8() + "\n") < 0)
            qFatal("cannot write the password file");
        return path;
    }

    // Patients on the server's register, read as `user` with the register's role; throws
    // DbError when the server refuses the user.
    static qint64 patientsAs(const PrivateServer &server, const QString &user,
                             const QString &password) {
        Connection connection;
        connection.open(
            ConnectionTarget::server(*ServerAddress::parse(server.address()), user, password));
        Transaction transaction(connection);
        Statement count(connection, transaction, QStringLiteral("select count(*) from MAIN"));
        const qint64 patients = count.selectOne().value(0).toLongLong();
        transaction.commit();
        connection.close();
        return patients;
    }

    // A workstation's register with `patients` made-up patients.
    QString workstationRegister(const QString &name, int patients) {
        const QString path = dir.filePath(name);
        QFile::copy(QStringLiteral(VENTREL_TEMPLATE_DB), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        Connection connection;
        connection.open(path);
        Transaction transaction(connection);
        RegisterGenerator generator(connection, transaction, 7, QDate(2026, 12, 10));
        generator.writeBooks();
        generator.writePatients(patients, {});
        transaction.commit();
        connection.close();
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("backups")));
    }

    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("value"); // the name, or the file
        QTest::addColumn<bool>("mistake");
        QTest::newRow("nothing: the usage") << QStringList() << Command::Help << "" << false;
        QTest::newRow("user add") << QStringList{"user", "add", "ivanova"} << Command::UserAdd
                                  << "ivanova" << false;
        QTest::newRow("password file")
            << QStringList{"user", "password", "ivanova", "--password-file=/root/p"}
            << Command::UserPassword << "ivanova" << false;
        QTest::newRow("user list")
            << QStringList{"user", "list"} << Command::UserList << "" << false;
        QTest::newRow("import") << QStringList{"import", "--replace", "Base.fdb"} << Command::Import
                                << "Base.fdb" << false;
        QTest::newRow("listen without address")
            << QStringList{"listen"} << Command::Help << "" << true;
        QTest::newRow("who with a value")
            << QStringList{"who", "me"} << Command::Help << "" << true;
        QTest::newRow("user alone") << QStringList{"user"} << Command::Help << "" << true;
        QTest::newRow("unknown command") << QStringList{"drop"} << Command::Help << "" << true;
        QTest::newRow("unknown option")
            << QStringList{"who", "--force"} << Command::Help << "" << true;
        QTest::newRow("keep not a number")
            << QStringList{"backup", "--keep", "all"} << Command::Help << "" << true;
        QTest::newRow("keep none")
            << QStringList{"backup", "--keep=0"} << Command::Help << "" << true;
        QTest::newRow("option without value")
            << QStringList{"backup", "--server"} << Command::Help << "" << true;
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(Command, command);
        QFETCH(QString, value);
        QFETCH(bool, mistake);
        const adminrequest::Request request = adminrequest::parse(arguments);
        QCOMPARE(!request.error.isEmpty(), mistake);
        QCOMPARE(request.command, command);
        QCOMPARE(request.name + request.file, value);
    }

    void serverFiles() {
        // Debian's firebird.conf sets the address once among comments that name it too.
        const QString conf = QStringLiteral("#RemoteBindAddress =\nRemoteBindAddress = localhost\n"
                                            "#WireCrypt = Enabled\n");
        QCOMPARE(serverconfig::setting(conf, QStringLiteral("remotebindaddress")),
                 QStringLiteral("localhost"));
        QCOMPARE(serverconfig::setting(conf, QStringLiteral("WireCrypt")), std::nullopt);
        QCOMPARE(serverconfig::withSetting(conf, QStringLiteral("RemoteBindAddress"),
                                           QStringLiteral("0.0.0.0")),
                 QStringLiteral("#RemoteBindAddress =\nRemoteBindAddress = 0.0.0.0\n"
                                "#WireCrypt = Enabled\n"));
        QCOMPARE(serverconfig::withSetting(conf, QStringLiteral("WireCrypt"),
                                           QStringLiteral("Required")),
                 conf + QStringLiteral("WireCrypt = Required\n"));

        const QString databases =
            QStringLiteral("# ventrel = /old.fdb\nsecurity.db = /s.fdb\n{\n  ventrel = /x\n}\n"
                           "ventrel = /var/lib/firebird/3.0/data/ventrel.fdb\n");
        QCOMPARE(serverconfig::aliasPath(databases, QStringLiteral("ventrel")),
                 QStringLiteral("/var/lib/firebird/3.0/data/ventrel.fdb"));
        QCOMPARE(serverconfig::aliasPath(databases, QStringLiteral("employee")), std::nullopt);

        QCOMPARE(serverconfig::sysdbaPassword(QStringLiteral(
                     "# ISC_PASSWORD=old\nISC_USER=sysdba\nISC_PASSWORD=\"s3 cret\"\n")),
                 QStringLiteral("s3 cret"));
        for (const char *address : {"localhost", "0.0.0.0", "192.168.1.10", "::"})
            QVERIFY2(serverconfig::isListenAddress(QLatin1String(address)), address);
        for (const char *address : {"", "0.0.0.0; rm -rf /", "server.local", "300.1.1.1"})
            QVERIFY2(!serverconfig::isListenAddress(QLatin1String(address)), address);
    }

    void backupsKept() {
        const QStringList names{"ventrel-2026-12-09-023000.fbk",
                                "ventrel-2026-12-10-023000.fbk",
                                "ventrel-2026-12-08-023000.fbk",
                                "ventrel-before-import-2026-01-01-000000.fbk",
                                "notes.txt",
                                "ventrel-2026-12-07-023000.fbk.part"};
        QCOMPARE(backupnames::beyondKept(names, 2), QStringList{"ventrel-2026-12-08-023000.fbk"});
        QCOMPARE(backupnames::beyondKept(names, 30), QStringList());
    }

    void listenWritesTheServersSetting() {
        QTemporaryDir config;
        QFile conf(config.filePath(QStringLiteral("firebird.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("# The server's own settings\nRemoteBindAddress = localhost\n");
        conf.close();
        const auto listen = [&](const QString &address) {
            QString out, err;
            QTextStream outStream(&out), errStream(&err);
            return admincommands::run(
                adminrequest::parse({"listen", address, "--config", config.path()}), outStream,
                errStream);
        };
        QCOMPARE(listen(QStringLiteral("0.0.0.0")), 0);
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QCOMPARE(conf.readAll(), "# The server's own settings\nRemoteBindAddress = 0.0.0.0\n");
        conf.close();
        QCOMPARE(listen(QStringLiteral("every")), 1);
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QVERIFY(conf.readAll().contains("RemoteBindAddress = 0.0.0.0\n"));
    }

    // Users added sign in and read the register; a removed one no longer gets in.
    void users() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        PrivateServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QCOMPARE(admin(server, {"user", "add", "ivanova", "--password-file",
                                passwordFile(QStringLiteral("пароль"))})
                     .status,
                 1);
        const QString secret = QStringLiteral("s3 cret'");
        Run run =
            admin(server, {"user", "add", "ivanova", "--password-file", passwordFile(secret)});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(patientsAs(server, QStringLiteral("ivanova"), secret), 0);
        run = admin(server, {"user", "add", "IVANOVA", "--password-file", passwordFile(secret)});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("уже есть")), qPrintable(run.err));
        run = admin(server, {"user", "add", "iv;drop", "--password-file", passwordFile(secret)});
        QCOMPARE(run.status, 1);

        run = admin(server, {"user", "password", "ivanova", "--password-file",
                             passwordFile(QStringLiteral("new"))});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(patientsAs(server, QStringLiteral("ivanova"), QStringLiteral("new")), 0);

        run = admin(server, {"user", "list"});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(QStringLiteral("IVANOVA\n")), qPrintable(run.out));

        run = admin(server, {"user", "remove", "ivanova"});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY_THROWS_EXCEPTION(
            DbError, patientsAs(server, QStringLiteral("ivanova"), QStringLiteral("new")));
        QCOMPARE(admin(server, {"user", "remove", "ivanova"}).status, 1);
    }

    // who lists the workstations attached; the backup, the check and a restore run on the
    // server; an import brings a workstation's register in whole and never over patients
    // unasked, and the users keep their access.
    void registerWork() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        PrivateServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.addUser(QStringLiteral("petrov"), QStringLiteral("secret")).ok);

        {
            Connection workstation;
            workstation.open(ConnectionTarget::server(*ServerAddress::parse(server.address()),
                                                      QStringLiteral("petrov"),
                                                      QStringLiteral("secret")));
            const Run run = admin(server, {"who"});
            QVERIFY2(run.status == 0, qPrintable(run.err));
            QVERIFY2(run.out.contains(QStringLiteral("PETROV")), qPrintable(run.out));
            QVERIFY2(run.out.contains(QStringLiteral("127.0.0.1")), qPrintable(run.out));
            workstation.close();
        }
        QVERIFY2(admin(server, {"who"}).out.contains(QStringLiteral("никто")), "");

        const QString workstation = workstationRegister(QStringLiteral("Base.fdb"), 200);
        Run run = admin(server, {"import", workstation});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(QStringLiteral("MAIN       200\n")), qPrintable(run.out));
        QCOMPARE(patientsAs(server, QStringLiteral("petrov"), QStringLiteral("secret")), 200);

        const QString other = workstationRegister(QStringLiteral("Other.fdb"), 30);
        run = admin(server, {"import", other});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("--replace")), qPrintable(run.err));
        QCOMPARE(patientsAs(server, QStringLiteral("petrov"), QStringLiteral("secret")), 200);

        run = admin(server, {"backup", "--keep", "1"});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QString backup = run.out.section(QStringLiteral(": "), 1).trimmed();
        QVERIFY2(QFileInfo(backup).size() > 0, qPrintable(run.out));
        QCOMPARE(admin(server, {"check"}).status, 0);

        run = admin(server, {"import", other, "--replace"});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(patientsAs(server, QStringLiteral("petrov"), QStringLiteral("secret")), 30);
        run = admin(server, {"restore", backup});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(patientsAs(server, QStringLiteral("petrov"), QStringLiteral("secret")), 200);
        // Every register replaced was kept, as a backup and as a file.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("backups")))
                     .entryList({QStringLiteral("ventrel-before-import-*")})
                     .size(),
                 3);
        QCOMPARE(QDir(server.root() + QStringLiteral("/data"))
                     .entryList({QStringLiteral("Base-before-restore-*")})
                     .size(),
                 3);

        run = admin(server, {"restore", dir.filePath(QStringLiteral("nothing.fbk"))});
        QCOMPARE(run.status, 1);
        QCOMPARE(patientsAs(server, QStringLiteral("petrov"), QStringLiteral("secret")), 200);
    }
};

QTEST_GUILESS_MAIN(TestAdmin)
#include "test_admin.moc"
