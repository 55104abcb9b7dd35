// Start-up: the folders, the settings file and the database of a run, on real temporary folders.

#include "app/databaselocation.h"
#include "app/folders.h"
#include "app/startup.h"
#include "support/programinfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray kTemplate = "empty template";
const QByteArray kOwnData = "the practice's patients";
} // namespace

class TestStartup : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root;

    QString path(const QString &relative) const { return root->filePath(relative); }
    QString folder(const QString &relative) const { return path(relative) + u'/'; }

    void makeFile(const QString &relative, const QByteArray &content) {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray contentOf(const QString &file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init() {
        root = std::make_unique<QTemporaryDir>();
        QDir(root->path()).mkpath(QStringLiteral("program"));
        QDir(root->path()).mkpath(QStringLiteral("data"));
        QDir(root->path()).mkpath(QStringLiteral("common"));
    }

    void trailingSeparator_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("with");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("without") << QStringLiteral("/srv/a") << QStringLiteral("/srv/a/");
        QTest::newRow("with") << QStringLiteral("/srv/a/") << QStringLiteral("/srv/a/");
    }
    void trailingSeparator() {
        QFETCH(QString, path);
        QFETCH(QString, with);
        QCOMPARE(folders::withTrailingSeparator(path), with);
    }

    void programFolderHasCapitalDriveLetter() {
        QCOMPARE(folders::programFolderFor(QStringLiteral("c:/Program Files/ventrel")),
                 QStringLiteral("C:/Program Files/ventrel/"));
        QCOMPARE(folders::programFolderFor(QStringLiteral("/opt/ventrel")),
                 QStringLiteral("/opt/ventrel/"));
    }

    void viewSwitch_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("viewMode");
        const QString exe = QStringLiteral("ventrel");
        QTest::newRow("none") << QStringList{exe} << false;
        QTest::newRow("/view") << QStringList{exe, QStringLiteral("/view")} << true;
        QTest::newRow("/VIEW") << QStringList{exe, QStringLiteral("/VIEW")} << true;
        QTest::newRow("second argument")
            << QStringList{exe, QStringLiteral("/edit"), QStringLiteral("/view")} << false;
        QTest::newRow("longer") << QStringList{exe, QStringLiteral("/viewer")} << false;
    }
    void viewSwitch() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, viewMode);
        QCOMPARE(program::isViewModeSwitch(arguments), viewMode);
    }

    void specialFoldersFollowXdgAndAreMade() {
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("xdg/home"))));
        qputenv("XDG_DATA_DIRS",
                QFile::encodeName(QStringLiteral("relative:") + path(QStringLiteral("xdg/all")) +
                                  u':' + path(QStringLiteral("xdg/other"))));
        QCOMPARE(folders::userAppDataFolder(), folder(QStringLiteral("xdg/home")));
        QCOMPARE(folders::commonAppDataFolder(), folder(QStringLiteral("xdg/all")));
        QVERIFY(QFileInfo(path(QStringLiteral("xdg/all"))).isDir());
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("xdg/other"))));
    }

    // Every path of the table is relative to the test's root folder, where "program" is the
    // program folder, "data" the data folder and "common" the all-users folder.
    void locate_data() {
        QTest::addColumn<QStringList>("templates"); // files holding the template
        QTest::addColumn<QStringList>("databases"); // files holding a database of the practice
        QTest::addColumn<QString>("pathBase");
        QTest::addColumn<bool>("commonExists");
        QTest::addColumn<QString>("databaseFolder");
        QTest::addColumn<QString>("databaseFile");
        QTest::addColumn<QByteArray>("databaseContent");

        const QStringList withTemplate{QStringLiteral("program/Base0.fdb")};
        QTest::newRow("first run") << withTemplate << QStringList() << QString() << true
                                   << QStringLiteral("common/Ventrel")
                                   << QStringLiteral("common/Ventrel/Base.fdb") << kTemplate;
        QTest::newRow("no all-users folder")
            << withTemplate << QStringList() << QString() << false << QStringLiteral("program")
            << QStringLiteral("program/Base.fdb") << kTemplate;
        QTest::newRow("Base beside the program wins over PathBase")
            << QStringList() << QStringList{QStringLiteral("program/Base/base.fdb")}
            << QStringLiteral("elsewhere") << true << QStringLiteral("program/Base")
            << QStringLiteral("program/Base/base.fdb") << kOwnData;
        QTest::newRow("Base beside the program in other letter case")
            << QStringList() << QStringList{QStringLiteral("program/BASE/Base.FDB")} << QString()
            << true << QStringLiteral("program/BASE") << QStringLiteral("program/BASE/Base.FDB")
            << kOwnData;
        QTest::newRow("PathBase without a trailing separator")
            << withTemplate << QStringList{QStringLiteral("db/base.fdb")} << QStringLiteral("db")
            << true << QStringLiteral("db") << QStringLiteral("db/base.fdb") << kOwnData;
        QTest::newRow("PathBase with a trailing separator")
            << withTemplate << QStringList{QStringLiteral("db/base.fdb")} << QStringLiteral("db/")
            << true << QStringLiteral("db") << QStringLiteral("db/base.fdb") << kOwnData;
        QTest::newRow("existing database needs no template")
            << QStringList() << QStringList{QStringLiteral("db/BASE.FDB")} << QStringLiteral("db")
            << true << QStringLiteral("db") << QStringLiteral("db/BASE.FDB") << kOwnData;
        QTest::newRow("PathBase names a missing folder")
            << withTemplate << QStringList() << QStringLiteral("missing") << true
            << QStringLiteral("data") << QStringLiteral("data/Base.fdb") << kTemplate;
        QTest::newRow("PathBase missing, the data folder's database of an earlier run")
            << withTemplate << QStringList{QStringLiteral("data/base.fdb")}
            << QStringLiteral("missing") << true << QStringLiteral("data")
            << QStringLiteral("data/base.fdb") << kOwnData;
    }
    void locate() {
        QFETCH(QStringList, templates);
        QFETCH(QStringList, databases);
        QFETCH(QString, pathBase);
        QFETCH(bool, commonExists);
        QFETCH(QString, databaseFolder);
        QFETCH(QString, databaseFile);
        QFETCH(QByteArray, databaseContent);
        for (const QString &file : templates)
            makeFile(file, kTemplate);
        for (const QString &file : databases)
            makeFile(file, kOwnData);
        const QString common = commonExists ? folder(QStringLiteral("common")) : QString();

        const database::Location location = database::locate(
            folder(QStringLiteral("program")), folder(QStringLiteral("data")),
            pathBase.isEmpty() ? QString() : path(pathBase), [&] { return common; });

        QCOMPARE(location.failure, database::Failure::None);
        QCOMPARE(location.folder, folder(databaseFolder));
        QCOMPARE(location.file, path(databaseFile));
        QCOMPARE(contentOf(location.file), databaseContent);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("elsewhere"))));
        QVERIFY(QFileInfo(location.file).isWritable());
    }

    void relativePathBaseIsTakenFromCurrentFolder() {
        makeFile(QStringLiteral("db/base.fdb"), kOwnData);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(root->path());
        const database::Location location =
            database::locate(folder(QStringLiteral("program")), folder(QStringLiteral("data")),
                             QStringLiteral("db"), [] { return QString(); });
        QDir::setCurrent(previous);
        QCOMPARE(location.file, path(QStringLiteral("db/base.fdb")));
    }

    void noTemplateEndsTheRun() {
        const database::Location location =
            database::locate(folder(QStringLiteral("program")), folder(QStringLiteral("data")),
                             QString(), [&] { return folder(QStringLiteral("common")); });
        QCOMPARE(location.failure, database::Failure::NoTemplate);
        QVERIFY(location.file.isEmpty());
    }

    void bothCopiesFailing() {
        makeFile(QStringLiteral("program/Base0.fdb"), kTemplate);
        // A file stands where the folders would have to be made, so both copies fail.
        makeFile(QStringLiteral("blocker"), "not a folder");
        const database::Location location = database::locate(
            folder(QStringLiteral("program")), folder(QStringLiteral("blocker/data")),
            path(QStringLiteral("blocker/db")), [] { return QString(); });
        QCOMPARE(location.failure, database::Failure::CopyFailed);
        QCOMPARE(location.folder, folder(QStringLiteral("blocker/data")));
    }

    void failureMessages_data() {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("message");
        const QString end = QStringLiteral("Обратитесь к разработчику ventrel@example.org.\n"
                                           "Программа будет закрыта.");
        QTest::newRow("no template")
            << int(database::Failure::NoTemplate)
            << QStringLiteral("Файл пустой базы не найден в папке программы\n/opt/ventrel/\n") +
                   end;
        QTest::newRow("copies failed")
            << int(database::Failure::CopyFailed)
            << QStringLiteral("Не удалось скопировать файлы пустой базы из папки программы в "
                              "папку\n/home/doc/.local/share/Ventrel/\n") +
                   end;
        QTest::newRow("no database")
            << int(database::Failure::NoDatabase)
            << QStringLiteral("Файл не найден.\n/home/doc/.local/share/Ventrel/base.fdb\n") + end;
        QTest::newRow("none") << int(database::Failure::None) << QString();
    }
    void failureMessages() {
        QFETCH(int, failure);
        QFETCH(QString, message);
        database::Location location;
        location.folder = QStringLiteral("/home/doc/.local/share/Ventrel/");
        location.failure = database::Failure(failure);
        QCOMPARE(database::failureMessage(location, QStringLiteral("/opt/ventrel/")), message);
    }

    void firstRunSettlesEverything() {
        makeFile(QStringLiteral("program/Base0.fdb"), kTemplate);
        const StartupResult start = settleStartup(
            path(QStringLiteral("program")), {QStringLiteral("ventrel"), QStringLiteral("/View")},
            [&] { return folder(QStringLiteral("home")); },
            [&] { return folder(QStringLiteral("common")); });
        QVERIFY(start.failure.isEmpty());
        QVERIFY(start.state.viewMode);
        QCOMPARE(start.state.programFolder, folder(QStringLiteral("program")));
        QCOMPARE(start.state.dataFolder, folder(QStringLiteral("home/Ventrel")));
        QVERIFY(QFileInfo(start.state.dataFolder).isDir());
        QCOMPARE(start.state.settingsFile, path(QStringLiteral("home/Ventrel/Ventrel.ini")));
        QCOMPARE(start.state.databaseFolder, folder(QStringLiteral("common/Ventrel")));
        QCOMPARE(start.state.databaseFile, path(QStringLiteral("common/Ventrel/Base.fdb")));
        // Patients' records are for the owner's eyes only.
        QCOMPARE(QFile::permissions(start.state.databaseFile),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }

    // A settings file beside the program makes the program folder the data folder: its PathBase
    // is the one read, and the user's folder is not even asked for.
    void settingsBesideProgramMakeItTheDataFolder() {
        makeFile(QStringLiteral("program/Base0.fdb"), kTemplate);
        makeFile(QStringLiteral("db/base.fdb"), kOwnData);
        makeFile(QStringLiteral("program/ventrel.INI"),
                 "[Main]\r\nPathBase=" + path(QStringLiteral("db")).toLocal8Bit() + "\r\n");
        bool userFolderAsked = false;
        const StartupResult start = settleStartup(
            path(QStringLiteral("program")), {QStringLiteral("ventrel")},
            [&] {
                userFolderAsked = true;
                return folder(QStringLiteral("home"));
            },
            [&] { return folder(QStringLiteral("common")); });
        QVERIFY(start.failure.isEmpty());
        QVERIFY(!start.state.viewMode);
        QVERIFY(!userFolderAsked);
        QCOMPARE(start.state.dataFolder, folder(QStringLiteral("program")));
        QCOMPARE(start.state.settingsFile, path(QStringLiteral("program/ventrel.INI")));
        QCOMPARE(start.state.databaseFile, path(QStringLiteral("db/base.fdb")));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
