// Start-up: the folders, the settings file and the database of a run, on real temporary folders.

#include "app/databaselocation.h"
#include "app/folders.h"
#include "app/sharedfolder.h"
#include "app/startup.h"
#include "otheruser.h"
#include "support/programinfo.h"
#include "support/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray kOwnData = "the practice's patients";
// When set (to the test's root folder), this program only settles start-up there and prints
// the database folder and the notice: it plays a user without the rights of the test's own.
const char *const kLocateOnly = "VENTREL_TEST_LOCATE_ONLY";

QByteArray templateContent() {
    QFile file(QStringLiteral(VENTREL_TEMPLATE_DB));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The first-run start-up the program makes in a test's root folder: "program" holds the
// template, "home" stands for the user's folder and "common" for the all-users one.
StartupResult startIn(const QString &root) {
    return settleStartup(
        root + QStringLiteral("/program"), {QStringLiteral("ventrel")},
        [root] { return root + QStringLiteral("/home/"); },
        [root] { return root + QStringLiteral("/common/"); });
}
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

    // The template, and the shared folder given to root and `group` with `mode`, for a start
    // as the other user (otheruser.h), who may make a home and pass through to both. Returns
    // the shared folder.
    QString prepareForTheOtherUser(unsigned group, unsigned mode) {
        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
        const QString shared = path(QStringLiteral("common/Ventrel"));
        [&] {
            QVERIFY(QDir().mkpath(shared));
            QVERIFY(QDir().mkpath(path(QStringLiteral("home"))));
            QVERIFY(::chown(QFile::encodeName(shared).constData(), 0, group) == 0);
            QVERIFY(::chmod(QFile::encodeName(shared).constData(), mode) == 0);
        }();
        QFile::setPermissions(path(QStringLiteral("home")), QFile::Permissions(0x7777));
        otheruser::letThrough(root->path());
        otheruser::letThrough(path(QStringLiteral("common")));
        return shared;
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

    void userFolderFollowsXdgAndIsMade() {
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("xdg/home"))));
        QCOMPARE(folders::userAppDataFolder(), folder(QStringLiteral("xdg/home")));
        QVERIFY(QFileInfo(path(QStringLiteral("xdg/home"))).isDir());
    }

    // The register does not move with the session's list of data folders (flatpak puts its
    // exports first), and the all-users folder is never made by the program.
    void allUsersFolderIsVarLibOrTheOverride() {
        qputenv("XDG_DATA_DIRS", QFile::encodeName(QStringLiteral("/root/.local/share/flatpak/"
                                                                  "exports/share:") +
                                                   path(QStringLiteral("xdg/all"))));
        qunsetenv("VENTREL_COMMON_DATA");
        QCOMPARE(folders::commonAppDataFolder(), QStringLiteral("/var/lib/"));
        qputenv("VENTREL_COMMON_DATA", QFile::encodeName(path(QStringLiteral("portable"))));
        QCOMPARE(folders::commonAppDataFolder(), folder(QStringLiteral("portable")));
        qputenv("VENTREL_COMMON_DATA", QByteArray());
        QCOMPARE(folders::commonAppDataFolder(), QString());
        qunsetenv("VENTREL_COMMON_DATA");
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("xdg/all"))));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("portable"))));
    }

    // Every path of the table is relative to the test's root folder, where "program" is the
    // program folder, "data" the data folder and "common" the all-users folder.
    void locate_data() {
        QTest::addColumn<QStringList>("templates"); // files holding the template
        QTest::addColumn<QStringList>("databases"); // files holding a database of the practice
        QTest::addColumn<QString>("pathBase");
        QTest::addColumn<bool>("sharedFolder"); // the package made "common/Ventrel"
        QTest::addColumn<QString>("databaseFolder");
        QTest::addColumn<QString>("databaseFile");
        QTest::addColumn<bool>("copied"); // a copy of the template, not the practice's own

        const QStringList withTemplate{QStringLiteral("program/Base0.fdb")};
        QTest::newRow("first run") << withTemplate << QStringList() << QString() << true
                                   << QStringLiteral("common/Ventrel")
                                   << QStringLiteral("common/Ventrel/Base.fdb") << true;
        QTest::newRow("no shared folder: the user's own")
            << withTemplate << QStringList() << QString() << false << QStringLiteral("data")
            << QStringLiteral("data/Base.fdb") << true;
        QTest::newRow("Base beside the program wins over PathBase")
            << QStringList() << QStringList{QStringLiteral("program/Base/base.fdb")}
            << QStringLiteral("elsewhere") << true << QStringLiteral("program/Base")
            << QStringLiteral("program/Base/base.fdb") << false;
        QTest::newRow("Base beside the program in other letter case")
            << QStringList() << QStringList{QStringLiteral("program/BASE/Base.FDB")} << QString()
            << true << QStringLiteral("program/BASE") << QStringLiteral("program/BASE/Base.FDB")
            << false;
        QTest::newRow("PathBase without a trailing separator")
            << withTemplate << QStringList{QStringLiteral("db/base.fdb")} << QStringLiteral("db")
            << true << QStringLiteral("db") << QStringLiteral("db/base.fdb") << false;
        QTest::newRow("PathBase with a trailing separator")
            << withTemplate << QStringList{QStringLiteral("db/base.fdb")} << QStringLiteral("db/")
            << true << QStringLiteral("db") << QStringLiteral("db/base.fdb") << false;
        QTest::newRow("existing database needs no template")
            << QStringList() << QStringList{QStringLiteral("db/BASE.FDB")} << QStringLiteral("db")
            << true << QStringLiteral("db") << QStringLiteral("db/BASE.FDB") << false;
        QTest::newRow("PathBase names a missing folder")
            << withTemplate << QStringList() << QStringLiteral("missing") << true
            << QStringLiteral("data") << QStringLiteral("data/Base.fdb") << true;
        QTest::newRow("PathBase missing, the data folder's database of an earlier run")
            << withTemplate << QStringList{QStringLiteral("data/base.fdb")}
            << QStringLiteral("missing") << true << QStringLiteral("data")
            << QStringLiteral("data/base.fdb") << false;
        // The name an earlier run of the program itself gave the copy.
        QTest::newRow("PathBase missing, the copy an earlier run made in the data folder")
            << withTemplate << QStringList{QStringLiteral("data/Base.fdb")}
            << QStringLiteral("missing") << true << QStringLiteral("data")
            << QStringLiteral("data/Base.fdb") << false;
        QTest::newRow("installed template")
            << QStringList{QStringLiteral("share/ventrel/Base0.fdb")} << QStringList() << QString()
            << false << QStringLiteral("data") << QStringLiteral("data/Base.fdb") << true;
        QTest::newRow("empty Base folder beside the program")
            << QStringList{QStringLiteral("program/Base0.fdb"), QStringLiteral("program/Base/x")}
            << QStringList() << QString() << true << QStringLiteral("common/Ventrel")
            << QStringLiteral("common/Ventrel/Base.fdb") << true;
    }
    void locate() {
        QFETCH(QStringList, templates);
        QFETCH(QStringList, databases);
        QFETCH(QString, pathBase);
        QFETCH(bool, sharedFolder);
        QFETCH(QString, databaseFolder);
        QFETCH(QString, databaseFile);
        QFETCH(bool, copied);
        for (const QString &file : templates)
            makeFile(file, templateContent());
        for (const QString &file : databases)
            makeFile(file, kOwnData);
        if (sharedFolder)
            QVERIFY(QDir().mkpath(path(QStringLiteral("common/Ventrel"))));

        const database::Location location =
            database::locate(folder(QStringLiteral("program")), folder(QStringLiteral("data")),
                             pathBase.isEmpty() ? QString() : path(pathBase),
                             [&] { return folder(QStringLiteral("common")); });

        QCOMPARE(location.failure, database::Failure::None);
        QCOMPARE(location.folder, folder(databaseFolder));
        QCOMPARE(location.file, path(databaseFile));
        QCOMPARE(contentOf(location.file) == kOwnData, !copied);
        // Only the database itself: no copy under another name is left behind.
        QCOMPARE(QDir(location.folder)
                     .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)
                     .size(),
                 1);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("elsewhere"))));
        QCOMPARE(QFileInfo::exists(path(QStringLiteral("common/Ventrel"))), sharedFolder);
        QVERIFY(QFileInfo(location.file).isWritable());
    }

    // An installation keeps the template in share/ventrel/ beside bin/; the one beside the
    // program (a build folder, a portable copy) comes first.
    void templateFile_data() {
        QTest::addColumn<QStringList>("templates");
        QTest::addColumn<QString>("found");
        const QString beside = QStringLiteral("program/Base0.fdb");
        const QString installed = QStringLiteral("share/ventrel/Base0.fdb");
        QTest::newRow("beside") << QStringList{beside} << beside;
        QTest::newRow("installed") << QStringList{installed} << installed;
        QTest::newRow("both") << QStringList{installed, beside} << beside;
        QTest::newRow("other letter case") << QStringList{QStringLiteral("share/ventrel/base0.FDB")}
                                           << QStringLiteral("share/ventrel/base0.FDB");
        QTest::newRow("none") << QStringList{QStringLiteral("share/Base0.fdb")} << QString();
    }
    void templateFile() {
        QFETCH(QStringList, templates);
        QFETCH(QString, found);
        for (const QString &file : templates)
            makeFile(file, templateContent());
        QCOMPARE(database::templateFile(folder(QStringLiteral("program"))),
                 found.isEmpty() ? QString() : path(found));
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
        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
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
        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
        QVERIFY(QDir().mkpath(path(QStringLiteral("common/Ventrel"))));
        const StartupResult start = settleStartup(
            path(QStringLiteral("program")), {QStringLiteral("ventrel"), QStringLiteral("/View")},
            [&] { return folder(QStringLiteral("home")); },
            [&] { return folder(QStringLiteral("common")); });
        QVERIFY(start.failure.isEmpty());
        QVERIFY(start.notice.isEmpty());
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
        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
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

    // A template that is not a sound database is never kept as the register: nothing is left
    // in either folder, the message names the cause, and once the template is mended the next
    // start makes the register.
    void damagedTemplateIsNeverKept_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("cut to 4 KiB") << templateContent().left(4096);
        QByteArray noise(65536, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("random bytes") << noise;
    }
    void damagedTemplateIsNeverKept() {
        QFETCH(QByteArray, content);
        makeFile(QStringLiteral("program/Base0.fdb"), content);
        QVERIFY(QDir().mkpath(path(QStringLiteral("common/Ventrel"))));

        StartupResult start = startIn(root->path());
        QVERIFY(start.failure.startsWith(QStringLiteral(
            "Не удалось скопировать файлы пустой базы из папки программы в папку\n")));
        QVERIFY2(start.failure.contains(path(QStringLiteral("program/Base0.fdb")) +
                                        QStringLiteral(" не открывается как база данных")),
                 qPrintable(start.failure));
        QVERIFY(!start.failureDetail.isEmpty()); // the engine's own words
        for (const QString &folder :
             {QStringLiteral("common/Ventrel"), QStringLiteral("home/Ventrel")})
            QVERIFY2(QDir(path(folder)).entryList(QDir::Files | QDir::Hidden).isEmpty(),
                     qPrintable(folder));

        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
        start = startIn(root->path());
        QVERIFY2(start.failure.isEmpty(), qPrintable(start.failure));
        QCOMPARE(start.state.databaseFile, path(QStringLiteral("common/Ventrel/Base.fdb")));
    }

    // In a shared folder (set-group-id, as the package makes it) a new register is the group's
    // to read and write; in the user's own folder it is the user's alone.
    void newDatabaseTakesTheFolderAccess_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("databaseMode");
        QTest::addColumn<bool>("folderGroup");
        QTest::newRow("shared folder") << 02770 << 0660 << true;
        QTest::newRow("the user's own folder") << 0700 << 0600 << false;
    }
    void newDatabaseTakesTheFolderAccess() {
        QFETCH(int, folderMode);
        QFETCH(int, databaseMode);
        QFETCH(bool, folderGroup);
        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
        const QByteArray shared = QFile::encodeName(path(QStringLiteral("common/Ventrel")));
        QVERIFY(QDir().mkpath(path(QStringLiteral("common/Ventrel"))));
        // Root gives the folder a group of its own, as the package does; a user keeps theirs.
        if (otheruser::isRoot())
            QCOMPARE(::chown(shared.constData(), uid_t(-1), gid_t(otheruser::kNobody)), 0);
        QCOMPARE(::chmod(shared.constData(), mode_t(folderMode)), 0);

        const StartupResult start = startIn(root->path());
        QVERIFY2(start.failure.isEmpty(), qPrintable(start.failure));
        const PathFacts file = pathFacts(start.state.databaseFile);
        QCOMPARE(int(file.mode), databaseMode);
        if (folderGroup)
            QCOMPARE(file.group, pathFacts(path(QStringLiteral("common/Ventrel"))).group);
        else
            QCOMPARE(file.group, unsigned(::getegid()));
    }

    void sharedFolderRules_data() {
        QTest::addColumn<unsigned>("owner");
        QTest::addColumn<unsigned>("mode");
        QTest::addColumn<bool>("shared");
        const unsigned me = 1000;
        QTest::newRow("the user's own, closed") << me << 0700u << false;
        QTest::newRow("the user's own, readable by all") << me << 0755u << false;
        QTest::newRow("the practice's group may write") << 0u << 02770u << true;
        QTest::newRow("everybody may write") << me << 01777u << true;
        QTest::newRow("another user's") << 1001u << 0755u << true;
    }
    void sharedFolderRules() {
        QFETCH(unsigned, owner);
        QFETCH(unsigned, mode);
        QFETCH(bool, shared);
        PathFacts folder;
        folder.exists = folder.isDir = true;
        folder.owner = owner;
        folder.mode = mode;
        PathFacts link;
        link.exists = link.isLink = true;
        PathFacts file;
        file.exists = true;
        QCOMPARE(sharedfolder::isShared(folder, 1000), shared);
        QCOMPARE(sharedfolder::refusesDatabase(link, folder, 1000), shared);
        QVERIFY(!sharedfolder::refusesDatabase(file, folder, 1000));
    }

    // A database file that is a link is refused in a shared folder, where anyone in the group
    // could have planted it; in the user's own folder it is followed.
    void linkAsDatabase_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<bool>("refused");
        QTest::newRow("shared folder") << 02770 << true;
        QTest::newRow("the user's own folder") << 0700 << false;
    }
    void linkAsDatabase() {
        QFETCH(int, folderMode);
        QFETCH(bool, refused);
        makeFile(QStringLiteral("elsewhere/victim.fdb"), kOwnData);
        QVERIFY(QDir().mkpath(path(QStringLiteral("db"))));
        QVERIFY(QFile::link(path(QStringLiteral("elsewhere/victim.fdb")),
                            path(QStringLiteral("db/base.fdb"))));
        QCOMPARE(
            ::chmod(QFile::encodeName(path(QStringLiteral("db"))).constData(), mode_t(folderMode)),
            0);
        const database::Location location =
            database::locate(folder(QStringLiteral("program")), folder(QStringLiteral("data")),
                             path(QStringLiteral("db")), [] { return QString(); });
        QCOMPARE(location.file, path(QStringLiteral("db/base.fdb")));
        QCOMPARE(location.failure,
                 refused ? database::Failure::PlantedLink : database::Failure::None);
        const QString message = database::failureMessage(location, folder("program"));
        QCOMPARE(message.contains(location.file), refused);
    }

    // A PathBase that cannot be a folder still falls back to the data folder, and the user is
    // told so, both folders named, so that an empty list is not taken for lost patients. A
    // name cut by a NUL leaves nothing at the text before it.
    void unreachablePathBase_data() {
        QTest::addColumn<QByteArray>("pathBase");
        QTest::addColumn<QString>("shownAs");
        QTest::newRow("missing folder") << QByteArray("/missing") << QStringLiteral("/missing/");
        QTest::newRow("NUL in the name")
            << QByteArray("/stray\0/db", 10) << QStringLiteral("/stray?/db");
    }
    void unreachablePathBase() {
        QFETCH(QByteArray, pathBase);
        QFETCH(QString, shownAs);
        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
        makeFile(QStringLiteral("home/Ventrel/Ventrel.ini"),
                 "[Main]\r\nPathBase=" + QFile::encodeName(root->path()) + pathBase + "\r\n");
        const StartupResult start = startIn(root->path());
        QVERIFY2(start.failure.isEmpty(), qPrintable(start.failure));
        QCOMPARE(start.state.databaseFolder, folder(QStringLiteral("home/Ventrel")));
        QVERIFY2(start.notice.contains(root->path() + shownAs), qPrintable(start.notice));
        QVERIFY(start.notice.contains(start.state.databaseFolder));
        QCOMPARE(QDir(root->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("common"), QStringLiteral("data"),
                              QStringLiteral("home"), QStringLiteral("program")}));
    }

    // The register a user opened is remembered; when it is gone from its folder, the start
    // makes nothing in its place and says which one is missing. A user who never opened a
    // register in a folder gets a new one there without a question.
    void goneRegisterIsAQuestion_data() {
        QTest::addColumn<bool>("sharedFolder");
        // What happened to it: "renamed", "deleted", "folder removed", or "PathBase" (it is
        // still there, and the settings name a new folder).
        QTest::addColumn<QString>("gone");
        QTest::addColumn<bool>("asked");
        QTest::newRow("the user's own, renamed away") << false << "renamed" << true;
        QTest::newRow("the shared one, deleted") << true << "deleted" << true;
        QTest::newRow("the shared folder removed") << true << "folder removed" << true;
        QTest::newRow("PathBase names a new folder") << false << "PathBase" << false;
    }
    void goneRegisterIsAQuestion() {
        QFETCH(bool, sharedFolder);
        QFETCH(QString, gone);
        QFETCH(bool, asked);
        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
        if (sharedFolder)
            QVERIFY(QDir().mkpath(path(QStringLiteral("common/Ventrel"))));
        StartupResult start = startIn(root->path());
        const QString first = start.state.databaseFile;
        QVERIFY2(start.failure.isEmpty() && !first.isEmpty(), qPrintable(start.failure));
        QCOMPARE(SettingsFile(start.state.settingsFile)
                     .readString(QStringLiteral("Main"), kLastBaseKey, QString()),
                 first);

        if (gone == QLatin1String("renamed")) {
            QVERIFY(QFile::rename(first, path(QStringLiteral("moved.fdb"))));
        } else if (gone == QLatin1String("deleted")) {
            QVERIFY(QFile::remove(first));
        } else if (gone == QLatin1String("folder removed")) {
            QVERIFY(QDir(QFileInfo(first).path()).removeRecursively());
        } else {
            QVERIFY(QDir().mkpath(path(QStringLiteral("db"))));
            SettingsFile(start.state.settingsFile)
                .writeString(QStringLiteral("Main"), QStringLiteral("PathBase"),
                             path(QStringLiteral("db")));
        }
        start = startIn(root->path());
        QVERIFY(start.failure.isEmpty());
        QCOMPARE(start.missingRegister, asked ? first : QString());
        QCOMPARE(start.state.databaseFile.isEmpty(), asked);
        if (asked) {
            QCOMPARE(database::missingMessage(first),
                     QStringLiteral("Не найдена база данных ") + first +
                         QStringLiteral(", с которой вы работали до сих пор."));
            QVERIFY(!QFileInfo::exists(first));
            QVERIFY(QDir(QFileInfo(first).path()).entryList({QStringLiteral("*.fdb")}).isEmpty());
        } else {
            QCOMPARE(start.state.databaseFile, path(QStringLiteral("db/Base.fdb")));
        }
    }

    // What earlier runs of this user left half done goes at the start, in the register's folder
    // and in the backups' folder; the work of a program still running stays.
    void leftoversGoAtTheStart() {
        makeFile(QStringLiteral("program/Base0.fdb"), templateContent());
        QVERIFY(QDir().mkpath(path(QStringLiteral("common/Ventrel"))));
        const QString running = QString::number(::getpid());
        const QStringList planted = {
            QStringLiteral("common/Ventrel/Base-restoring-99999999-Ab12Cd/Base.fdb"),
            QStringLiteral("common/Ventrel/Base-restoring-Ab12Cd.fdb"),
            QStringLiteral("common/Ventrel/.Base.fdb-99999999-Ab12Cd"),
            QStringLiteral("common/Ventrel/Base-swapping-99999999-1.fdb"),
            QStringLiteral("home/Ventrel/backups/base-2024-12-09.fbk.ventrel-99999999-Ab12Cd"),
            QStringLiteral("home/Ventrel/backups/base-2024-12-08.fbk.Ab12Cd"),
            QStringLiteral("home/Ventrel/backups/base-2024-12-10.fbk.ventrel-") + running +
                QStringLiteral("-Ab12Cd"),
        };
        for (const QString &file : planted)
            makeFile(file, kOwnData);
        QCOMPARE(
            ::chmod(QFile::encodeName(path(QStringLiteral("home/Ventrel/backups"))).constData(),
                    0700),
            0);
        const StartupResult start = startIn(root->path());
        QVERIFY2(start.failure.isEmpty(), qPrintable(start.failure));
        QCOMPARE(QDir(path(QStringLiteral("common/Ventrel")))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Base.fdb")});
        QCOMPARE(QDir(path(QStringLiteral("home/Ventrel/backups"))).entryList(QDir::Files),
                 QStringList{QFileInfo(planted.last()).fileName()});
    }

    // A member of the practice's group (here "nobody", the folder given to its group, mode
    // 3770 as the package makes it) works with the shared register; someone renames it away;
    // the member's next start makes nothing and asks.
    void goneSharedRegisterAsAnotherMember() {
        if (!otheruser::isRoot())
            QSKIP("giving the folder to a group of the other user needs root");
        const QString shared = prepareForTheOtherUser(otheruser::kNobody, 03770);

        QString output = otheruser::runAgain(kLocateOnly, root->path());
        const QString made = shared + QStringLiteral("/Base.fdb");
        QVERIFY2(output.startsWith(shared + u'/' + u'\n'), qPrintable(output));
        QCOMPARE(pathFacts(made).owner, otheruser::kNobody);
        QCOMPARE(pathFacts(made).mode, 0660u);

        QVERIFY(QFile::rename(made, path(QStringLiteral("moved.fdb"))));
        output = otheruser::runAgain(kLocateOnly, root->path());
        QVERIFY2(output.endsWith(QStringLiteral("missing: ") + made + u'\n'), qPrintable(output));
        QCOMPARE(QDir(shared).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // A shared folder this user cannot write into is left for the user's own folder. A user of
    // the folder's group (who may just not have logged in again since being added) is told,
    // both folders named; for anyone else the folder is none of theirs, and nothing is said.
    void sharedFolderThisUserCannotWrite_data() {
        QTest::addColumn<unsigned>("group");
        QTest::addColumn<bool>("told");
        QTest::newRow("of the folder's group") << otheruser::kNobody << true;
        QTest::newRow("not of the folder's group") << 0u << false;
    }
    void sharedFolderThisUserCannotWrite() {
        QFETCH(unsigned, group);
        QFETCH(bool, told);
        if (!otheruser::isRoot())
            QSKIP("giving the folder to a group of the other user needs root");
        prepareForTheOtherUser(group, 02750);

        const QString output = otheruser::runAgain(kLocateOnly, root->path());
        QVERIFY2(output.startsWith(folder(QStringLiteral("home/Ventrel")) + u'\n'),
                 qPrintable(output));
        QCOMPARE(output.contains(QStringLiteral("Папка базы недоступна:\n") +
                                 folder(QStringLiteral("common/Ventrel"))),
                 told);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("common/Ventrel/Base.fdb"))));
    }
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QByteArray locateOnly = qgetenv(kLocateOnly);
    if (!locateOnly.isEmpty()) {
        if (!otheruser::becomeUnprivileged())
            return 2;
        const StartupResult start = startIn(QFile::decodeName(locateOnly));
        printf("%s\n%s\n%s\nmissing: %s\n", start.state.databaseFolder.toUtf8().constData(),
               start.notice.toUtf8().constData(), start.failure.toUtf8().constData(),
               start.missingRegister.toUtf8().constData());
        return 0;
    }
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_startup.moc"
