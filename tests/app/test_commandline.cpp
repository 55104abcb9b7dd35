// The administrator's commands: how the arguments read, and the real program run without a
// window on a real register, judged by its exit status.

#include "app/commandline.h"
#include "data/connection.h"
#include "privateserver.h"
#include "reports/reportfixture.h"
#include "service/registerservices.h"
#include "testdatabase.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTest>

using commandline::Action;

class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }
    QString registerFile() const { return path(QStringLiteral("program/Base/base.fdb")); }

    struct Run {
        int status;
        QString out, err;
    };

    // The program copied into a folder of its own with "Base/base.fdb" and a "Ventrel.ini"
    // beside it, so that it uses that register and keeps its settings there.
    Run ventrel(const QStringList &arguments, const QString &home = QStringLiteral("home"),
                const QString &password = QString()) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("ISC_PASSWORD"));
        if (!password.isNull())
            environment.insert(QStringLiteral("ISC_PASSWORD"), password);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), path(home));
        environment.insert(QStringLiteral("VENTREL_COMMON_DATA"), path(QStringLiteral("common")));
        process.setProcessEnvironment(environment);
        process.start(path(QStringLiteral("program/ventrel")), arguments);
        if (!process.waitForFinished(60000))
            qFatal("the program did not end");
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("mistake");
        QTest::newRow("none") << QStringList() << Action::Window << ""
                              << "" << false;
        QTest::newRow("view mode is the window's")
            << QStringList{"/view", "x"} << Action::Window << ""
            << "" << false;
        QTest::newRow("Qt's own option") << QStringList{"-platform", "xcb"} << Action::Window << ""
                                         << "" << false;
        QTest::newRow("help") << QStringList{"--help"} << Action::Help << ""
                              << "" << false;
        QTest::newRow("version") << QStringList{"--version"} << Action::Version << ""
                                 << "" << false;
        QTest::newRow("unknown option, no command")
            << QStringList{"--geometry"} << Action::Window << ""
            << "" << true;
        QTest::newRow("unknown option after view mode")
            << QStringList{"/view", "--viewer"} << Action::Window << ""
            << "" << true;
        QTest::newRow("backup") << QStringList{"--backup", "a.fbk"} << Action::Backup << "a.fbk"
                                << "" << false;
        QTest::newRow("backup=") << QStringList{"--backup=a b.fbk"} << Action::Backup << "a b.fbk"
                                 << "" << false;
        QTest::newRow("restore to")
            << QStringList{"--restore", "a.fbk", "--to", "n.fdb"} << Action::Restore << "a.fbk"
            << "n.fdb" << false;
        QTest::newRow("to first") << QStringList{"--to=n.fdb", "--restore=a.fbk"} << Action::Restore
                                  << "a.fbk"
                                  << "n.fdb" << false;
        QTest::newRow("check") << QStringList{"--check"} << Action::Check << ""
                               << "" << false;
        QTest::newRow("backup without file") << QStringList{"--backup"} << Action::Window << ""
                                             << "" << true;
        QTest::newRow("restore without --to")
            << QStringList{"--restore", "a.fbk"} << Action::Window << ""
            << "" << true;
        QTest::newRow("--to alone") << QStringList{"--to", "n.fdb"} << Action::Window << ""
                                    << "" << true;
        QTest::newRow("two commands")
            << QStringList{"--check", "--backup", "a.fbk"} << Action::Window << ""
            << "" << true;
        QTest::newRow("check with a value") << QStringList{"--check=yes"} << Action::Window << ""
                                            << "" << true;
        QTest::newRow("unknown beside a command")
            << QStringList{"--check", "--fast"} << Action::Window << ""
            << "" << true;
        const QStringList report{"--report",   "journal", "--from",
                                 "01.01.2024", "--to",    "31.01.2024"};
        QTest::newRow("report") << report + QStringList{"--csv", "j.csv"} << Action::Report
                                << "journal"
                                << "" << false;
        QTest::newRow("report of a doctor")
            << QStringList{"--pdf=j.pdf", "--doctor", "Петров П.П."} + report << Action::Report
            << "journal"
            << "" << false;
        QTest::newRow("unknown report")
            << QStringList{"--report", "visits",     "--from", "01.01.2024",
                           "--to",     "31.01.2024", "--csv",  "v.csv"}
            << Action::Window << ""
            << "" << true;
        QTest::newRow("report without its end")
            << report.mid(0, 4) + QStringList{"--csv", "j.csv"} << Action::Window << ""
            << "" << true;
        QTest::newRow("report without a file") << report << Action::Window << ""
                                               << "" << true;
        QTest::newRow("report into two files")
            << report + QStringList{"--csv", "j.csv", "--xlsx", "j.xlsx"} << Action::Window << ""
            << "" << true;
        QTest::newRow("report on no such day")
            << QStringList{"--report", "journal",    "--from", "30.02.2024",
                           "--to",     "31.03.2024", "--csv",  "j.csv"}
            << Action::Window << ""
            << "" << true;
        QTest::newRow("report backwards")
            << QStringList{"--report", "journal",    "--from", "31.03.2024",
                           "--to",     "01.03.2024", "--csv",  "j.csv"}
            << Action::Window << ""
            << "" << true;
        QTest::newRow("doctor of the report of every doctor")
            << QStringList{"--report",   "visits-by-doctor", "--from",      "01.01.2024", "--to",
                           "31.01.2024", "--doctor",         "Петров П.П.", "--csv",      "v.csv"}
            << Action::Window << ""
            << "" << true;
        QTest::newRow("a report's option beside a backup")
            << QStringList{"--backup", "a.fbk", "--from", "01.01.2024"} << Action::Window << ""
            << "" << true;
    }

    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, file);
        QFETCH(QString, target);
        QFETCH(bool, mistake);
        const commandline::Request request =
            commandline::parse(QStringList{QStringLiteral("ventrel")} + arguments);
        QCOMPARE(!request.error.isEmpty(), mistake);
        if (!mistake) {
            QCOMPARE(request.action, action);
            QCOMPARE(request.file, file);
            QCOMPARE(request.target, target);
        }
    }

    void initTestCase() {
        QVERIFY(QDir().mkpath(path(QStringLiteral("program/Base"))));
        QVERIFY(
            QFile::copy(QStringLiteral(VENTREL_PROGRAM), path(QStringLiteral("program/ventrel"))));
        QVERIFY(QFile::copy(QStringLiteral(VENTREL_TEMPLATE_DB), registerFile()));
        QFile::setPermissions(registerFile(), QFile::ReadOwner | QFile::WriteOwner);
        QFile ini(path(QStringLiteral("program/Ventrel.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
    }

    // Each command by its exit status: 0 done, 1 failed with a message, 2 a mistake in the
    // arguments; a restore never writes over a file.
    void exitStatuses() {
        const QString copy = path(QStringLiteral("copy.fbk"));
        Run run = ventrel({QStringLiteral("--backup"), copy});
        QCOMPARE(run.status, 0);
        QVERIFY(run.err.isEmpty());
        QVERIFY(QFileInfo::exists(copy));

        run = ventrel({QStringLiteral("--restore"), copy, QStringLiteral("--to"),
                       path(QStringLiteral("new.fdb"))});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains(QStringLiteral("пациентов 0")));
        QCOMPARE(registerfile::countRows(path(QStringLiteral("new.fdb"))).patients, 0);

        run = ventrel({QStringLiteral("--restore"), copy, QStringLiteral("--to"),
                       path(QStringLiteral("new.fdb"))});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(QStringLiteral("уже существует")));

        const QString damaged = path(QStringLiteral("damaged.fbk"));
        QFile::copy(copy, damaged);
        QFile::resize(damaged, QFileInfo(copy).size() / 2);
        run = ventrel({QStringLiteral("--restore"), damaged, QStringLiteral("--to"),
                       path(QStringLiteral("other.fdb"))});
        QCOMPARE(run.status, 1);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("other.fdb"))));

        run = ventrel({QStringLiteral("--check")});
        QCOMPARE(run.status, 0);
        QVERIFY(run.err.isEmpty());

        run = ventrel({QStringLiteral("--restore"), copy});
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.contains(QStringLiteral("--to")));
    }

    // The usage, the version and a mistake are told on the terminal, and touch neither the
    // user's folder nor the register.
    void terminal_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QStringList>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << QStringList{"Использование:",
                                             "ventrel [/view]",
                                             "--version",
                                             "Настройки:",
                                             "program/Ventrel.ini",
                                             "common/Ventrel/base.fdb",
                                             "Пустая база:      не найдена"}
                              << QStringList();
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << QStringList{"Вентрель " VENTREL_VERSION "\n"} << QStringList();
        QTest::newRow("unknown option")
            << QStringList{"--nonsense"} << 2 << QStringList()
            << QStringList{"Непонятный параметр: --nonsense\n", "Использование:"};
    }
    void terminal() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, out);
        QFETCH(QStringList, err);
        const QDateTime registerChanged = QFileInfo(registerFile()).lastModified();
        const Run run = ventrel(arguments, QStringLiteral("untouched-home"));
        QCOMPARE(run.status, status);
        for (const QString &text : out)
            QVERIFY2(run.out.contains(text), qPrintable(run.out));
        for (const QString &text : err)
            QVERIFY2(run.err.contains(text), qPrintable(run.err));
        QCOMPARE(run.out.isEmpty(), out.isEmpty());
        QCOMPARE(run.err.isEmpty(), err.isEmpty());
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("untouched-home"))));
        QCOMPARE(QFileInfo(registerFile()).lastModified(), registerChanged);
    }

    // While a running program (here, this test) has the register open, the commands say so
    // and change nothing.
    void registerOpenInARunningProgram() {
        Connection running;
        running.open(registerFile());
        const QString copy = path(QStringLiteral("while-open.fbk"));
        for (const QStringList &arguments : {QStringList{QStringLiteral("--backup"), copy},
                                             QStringList{QStringLiteral("--check")}}) {
            const Run run = ventrel(arguments);
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(QStringLiteral("открыта работающей программой")),
                     qPrintable(run.err));
        }
        const Run report = ventrel({"--report", "patients", "--from", "01.01.2024", "--to",
                                    "31.01.2024", "--csv", path(QStringLiteral("while-open.csv"))});
        QCOMPARE(report.status, 1);
        QVERIFY2(report.err.contains(QStringLiteral("База уже открыта")), qPrintable(report.err));
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("while-open*")}, QDir::Files),
                 QStringList());
        running.close();
    }

    // The register the commands worked with is gone: a backup and a check say so and make no
    // new empty one in its place; a restore into a new file, the way to get it back, works.
    void goneRegisterIsNeverReplaced() {
        QVERIFY(ventrel({QStringLiteral("--check")}).status == 0); // remembered now
        const QString away = path(QStringLiteral("away.fdb"));
        QVERIFY(QFile::rename(registerFile(), away));
        const QString copy = path(QStringLiteral("gone.fbk"));
        for (const QStringList &arguments : {QStringList{QStringLiteral("--backup"), copy},
                                             QStringList{QStringLiteral("--check")}}) {
            const Run run = ventrel(arguments);
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(registerFile() +
                                      QStringLiteral(", с которой вы работали до сих пор")),
                     qPrintable(run.err));
        }
        QVERIFY(!QFileInfo::exists(copy));
        QCOMPARE(QDir(path(QStringLiteral("program"))).entryList({QStringLiteral("*.fdb")}),
                 QStringList());
        QCOMPARE(QDir(path(QStringLiteral("program/Base"))).entryList(QDir::Files), QStringList());

        registerfile::backup(away, copy, {});
        const Run run =
            ventrel({QStringLiteral("--restore"), copy, QStringLiteral("--to"), registerFile()});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(ventrel({QStringLiteral("--check")}).status, 0);
    }

    void reportOptions() {
        const commandline::Request request = commandline::parse(
            {"ventrel", "--report=diagnoses", "--from", "15.12.2024", "--to=15.01.2025", "--doctor",
             " Сидоров С.С. ", "--xlsx", "d.xlsx"});
        QVERIFY2(request.error.isEmpty(), qPrintable(request.error));
        QCOMPARE(request.report.name, QStringLiteral("diagnoses"));
        QCOMPARE(request.report.first, QDate(2024, 12, 15));
        QCOMPARE(request.report.last, QDate(2025, 1, 15));
        QCOMPARE(request.report.doctor, QStringLiteral("Сидоров С.С."));
        QCOMPARE(request.report.format, QStringLiteral("xlsx"));
        QCOMPARE(request.report.file, QStringLiteral("d.xlsx"));
    }

    // A report into a new file, never over one; the doctor by name, in any letter case; a name
    // two doctors share, or none has, makes no report. Nothing but a failure is said.
    void reports() {
        reportfixture::fill(registerFile());
        const QStringList period{"--from", "15.12.2024", "--to", "15.01.2025"};
        const QString csv = path(QStringLiteral("пациенты.csv"));
        Run run = ventrel(QStringList{"--report", "patients"} + period + QStringList{"--csv", csv});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray content = written.readAll();
        written.close();
        QVERIFY(content.contains(QStringLiteral("\r\nИтого;6;3;3;5;1;8;1,33\r\n").toUtf8()));

        run = ventrel(QStringList{"--report", "diagnoses"} + period + QStringList{"--csv", csv});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("такой файл уже есть")), qPrintable(run.err));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), content);

        const QString pdf = path(QStringLiteral("журнал.pdf"));
        run = ventrel(QStringList{"--report", "journal", "--doctor", "сидоров с.с."} + period +
                      QStringList{"--pdf", pdf});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QFile journal(pdf);
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QVERIFY(journal.read(5) == "%PDF-");

        for (const auto &[doctor, says] :
             {std::pair{"Петров П.П.", "2 врача"}, {"Нет Такого", "нет в справочнике"}}) {
            const QString file = path(QStringLiteral("врач.xlsx"));
            run =
                ventrel(QStringList{"--report", "journal", "--doctor", QString::fromUtf8(doctor)} +
                        period + QStringList{"--xlsx", file});
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(QString::fromUtf8(says)), qPrintable(run.err));
            QVERIFY(!QFileInfo::exists(file));
        }
    }

    // On the practice's server: a report and a check as one of its users, the password from
    // the environment; the backup for its administrator only, written by the server.
    void onTheServer() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        const QString filled = path(QStringLiteral("server.fdb"));
        QVERIFY(QFile::copy(QStringLiteral(VENTREL_TEMPLATE_DB), filled));
        QFile::setPermissions(filled, QFile::ReadOwner | QFile::WriteOwner);
        reportfixture::fill(filled);
        PrivateServer server(PrivateServer::WireCrypt::Required, filled);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.addUser(QStringLiteral("ivanova"), QStringLiteral("secret")).ok);
        const QStringList asIvanova{"--server", server.address(), "--user", "ivanova"};
        const QStringList asAdministrator{"--server", server.address(), "--user", "SYSDBA"};
        const QString home = QStringLiteral("home");
        const QString secret = QStringLiteral("secret");
        const QString sysdba = QString::fromLatin1(PrivateServer::kSysdbaPassword);

        const QString csv = path(QStringLiteral("с сервера.csv"));
        const QStringList report{"--report", "patients",   "--from", "15.12.2024",
                                 "--to",     "15.01.2025", "--csv",  csv};
        Run run = ventrel(report + asIvanova, home, secret);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(
            written.readAll().contains(QStringLiteral("\r\nИтого;6;3;3;5;1;8;1,33\r\n").toUtf8()));
        QFile::remove(csv);

        for (const auto &[password, says] :
             {std::pair{QStringLiteral("wrong"), QStringLiteral("Неверное имя пользователя")},
              {QString(), QStringLiteral("ISC_PASSWORD")}}) {
            run = ventrel(report + asIvanova, home, password);
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(says), qPrintable(run.err));
            QVERIFY(!QFileInfo::exists(csv));
        }

        run = ventrel(QStringList{"--check"} + asIvanova, home, secret);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));

        const QString copy = path(QStringLiteral("server.fbk"));
        run = ventrel(QStringList{"--backup", copy} + asIvanova, home, secret);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(registerfile::kServerAdministratorOnly), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(copy));
        run = ventrel(QStringList{"--backup", copy} + asAdministrator, home, sysdba);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QVERIFY(QFileInfo(copy).size() > 0);
        run = ventrel(QStringList{"--backup", "server.fbk"} + asAdministrator, home, sysdba);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QStringLiteral("полный путь")), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
