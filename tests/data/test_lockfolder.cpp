// The engine's lock folder: only a folder no other user can put anything into is used.

#include "data/connection.h"
#include "data/dberror.h"
#include "data/lockfolder.h"
#include "otheruser.h"
#include "testdatabase.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(PathFacts)

namespace {
// When set, this program only opens the named database and prints what happened: a start of
// the program with a lock folder of the test's making in FIREBIRD_LOCK.
const char *const kOpenOnly = "VENTREL_TEST_OPEN_ONLY";

constexpr unsigned kUser = 1000;

PathFacts folderFacts(unsigned owner, unsigned group, unsigned mode) {
    PathFacts facts;
    facts.exists = facts.isDir = true;
    facts.owner = owner;
    facts.group = group;
    facts.mode = mode;
    return facts;
}

QByteArray native(const QString &path) {
    return QFile::encodeName(path);
}
} // namespace

class TestLockFolder : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root;

    QString path(const QString &relative) const { return root->filePath(relative); }

    lockfolder::Choice choose(const QString &configured = QString()) const {
        return lockfolder::choose(configured, path(QStringLiteral("engine")),
                                  path(QStringLiteral("runtime")), path(QStringLiteral("tmp")),
                                  currentUser());
    }

private Q_SLOTS:
    void init() {
        root = std::make_unique<QTemporaryDir>();
        // No engine default: the tests that want one make it.
        for (const char *folder : {"runtime", "tmp"})
            QVERIFY(QDir(root->path()).mkdir(QLatin1String(folder)));
        QCOMPARE(::chmod(native(path(QStringLiteral("runtime"))).constData(), 0700), 0);
    }

    void ownFolderRule_data() {
        QTest::addColumn<PathFacts>("folder");
        QTest::addColumn<bool>("holdsLink");
        QTest::addColumn<int>("fault");
        using lockfolder::Fault;
        PathFacts missing;
        PathFacts link = folderFacts(kUser, kUser, 0777);
        link.isLink = true;
        PathFacts file = folderFacts(kUser, kUser, 0600);
        file.isDir = false;
        QTest::newRow("the user's, 0700")
            << folderFacts(kUser, kUser, 0700) << false << int(Fault::None);
        QTest::newRow("the user's, 0755: tightened")
            << folderFacts(kUser, kUser, 0755) << false << int(Fault::None);
        QTest::newRow("missing") << missing << false << int(Fault::CannotMake);
        QTest::newRow("a link") << link << false << int(Fault::IsLink);
        QTest::newRow("a file") << file << false << int(Fault::NotAFolder);
        QTest::newRow("another user's, 0700")
            << folderFacts(kUser + 1, kUser, 0700) << false << int(Fault::OtherOwner);
        QTest::newRow("root's") << folderFacts(0, 0, 0700) << false << int(Fault::OtherOwner);
        QTest::newRow("the group may write")
            << folderFacts(kUser, kUser, 0770) << false << int(Fault::OpenToOthers);
        QTest::newRow("everybody may write, as /tmp/firebird was")
            << folderFacts(kUser, kUser, 0777) << false << int(Fault::OpenToOthers);
        QTest::newRow("holds a link")
            << folderFacts(kUser, kUser, 0700) << true << int(Fault::HoldsLink);
    }
    void ownFolderRule() {
        QFETCH(PathFacts, folder);
        QFETCH(bool, holdsLink);
        QFETCH(int, fault);
        QCOMPARE(int(lockfolder::ownFolderFault(folder, kUser, holdsLink)), fault);
    }

    void engineDefaultRule_data() {
        QTest::addColumn<PathFacts>("folder");
        QTest::addColumn<bool>("holdsLink");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("root's, 0770 root group") << folderFacts(0, 0, 0770) << false << true;
        QTest::newRow("root's, 0755") << folderFacts(0, 0, 0755) << false << true;
        QTest::newRow("root's, open to everybody") << folderFacts(0, 0, 0777) << false << false;
        QTest::newRow("root's, open to a group") << folderFacts(0, 84, 0770) << false << false;
        QTest::newRow("root's, holding a link") << folderFacts(0, 0, 0770) << true << false;
        QTest::newRow("a user's, 0700") << folderFacts(kUser, kUser, 0700) << false << false;
        QTest::newRow("a user's, 0777") << folderFacts(kUser, kUser, 0777) << false << false;
        QTest::newRow("missing") << PathFacts() << false << false;
    }
    void engineDefaultRule() {
        QFETCH(PathFacts, folder);
        QFETCH(bool, holdsLink);
        QFETCH(bool, accepted);
        QCOMPARE(lockfolder::engineDefaultAccepted(folder, holdsLink, true), accepted);
        QVERIFY(!lockfolder::engineDefaultAccepted(folder, holdsLink, false));
    }

    // The engine's default made open to everybody, as another user's program left it, is
    // passed over for a folder of the user's own, made 0700.
    void openDefaultIsPassedOver() {
        QVERIFY(QDir().mkdir(path(QStringLiteral("engine"))));
        QCOMPARE(::chmod(native(path(QStringLiteral("engine"))).constData(), 0777), 0);
        const lockfolder::Choice choice = choose();
        QCOMPARE(choice.folder, path(QStringLiteral("runtime/firebird")));
        QCOMPARE(pathFacts(choice.folder).mode, 0700u);
        QCOMPARE(pathFacts(choice.folder).owner, currentUser());
        // Chosen again on the next start, and checked again.
        QCOMPARE(choose(choice.folder).folder, choice.folder);
    }

    void withoutRuntimeFolderTheTemporaryOneServes() {
        QVERIFY(QDir(path(QStringLiteral("runtime"))).removeRecursively());
        const lockfolder::Choice choice = choose();
        QCOMPARE(choice.folder, path(QStringLiteral("tmp/ventrel-firebird-%1").arg(currentUser())));
        QCOMPARE(pathFacts(choice.folder).mode, 0700u);
    }

    // Another user can make the fixed folder in the shared temporary folder first. It is left
    // alone, and a private folder of a new name serves, the same on the next start.
    void plantedTemporaryFolderIsPassedOver_data() {
        QTest::addColumn<QString>("trap");
        QTest::newRow("another user's") << QStringLiteral("chown");
        QTest::newRow("a link") << QStringLiteral("folder link");
        QTest::newRow("open to everybody") << QStringLiteral("chmod 0777");
    }
    void plantedTemporaryFolderIsPassedOver() {
        QFETCH(QString, trap);
        QVERIFY(QDir(path(QStringLiteral("runtime"))).removeRecursively());
        const QString fixed = path(QStringLiteral("tmp/ventrel-firebird-%1").arg(currentUser()));
        if (trap == QLatin1String("folder link")) {
            QVERIFY(QFile::link(path(QStringLiteral("tmp")), fixed));
        } else {
            QVERIFY(QDir().mkdir(fixed));
            QCOMPARE(::chmod(native(fixed).constData(), 0777), 0);
            if (trap == QLatin1String("chown")) {
                if (!otheruser::isRoot())
                    QSKIP("only root can give a folder to another user");
                QCOMPARE(::chown(native(fixed).constData(), otheruser::kNobody, otheruser::kNobody),
                         0);
                QCOMPARE(::chmod(native(fixed).constData(), 0700), 0);
            }
        }
        const PathFacts planted = pathFacts(fixed);
        const lockfolder::Choice choice = choose();
        QVERIFY2(choice.refusal.isEmpty(), qPrintable(choice.refusal));
        QVERIFY2(choice.folder.startsWith(fixed + u'-'), qPrintable(choice.folder));
        const PathFacts own = pathFacts(choice.folder);
        QCOMPARE(own.owner, currentUser());
        QCOMPARE(own.mode, 0700u);
        QVERIFY(!own.isLink);
        QCOMPARE(choose().folder, choice.folder);
        const PathFacts after = pathFacts(fixed);
        QCOMPARE(after.owner, planted.owner);
        QCOMPARE(after.mode, planted.mode);
    }

    // A folder of the user's own that others could have put things into, or that holds a
    // link, is refused with its name and the fault; one only readable by others is tightened.
    void ownFolderIsCheckedOnEveryStart_data() {
        QTest::addColumn<QString>("trap");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("readable by others") << QStringLiteral("chmod 0755") << QString();
        QTest::newRow("writable by others")
            << QStringLiteral("chmod 0777") << QStringLiteral("открыта для записи");
        QTest::newRow("a link in it")
            << QStringLiteral("symlink") << QStringLiteral("содержит ссылку fb12_trace");
        QTest::newRow("a hard link in it")
            << QStringLiteral("hard link") << QStringLiteral("содержит ссылку fb12_trace");
        QTest::newRow("itself a link")
            << QStringLiteral("folder link") << QStringLiteral("является ссылкой");
        QTest::newRow("another user's")
            << QStringLiteral("chown") << QStringLiteral("принадлежит другому");
    }
    void ownFolderIsCheckedOnEveryStart() {
        QFETCH(QString, trap);
        QFETCH(QString, refusal);
        const QString folder = path(QStringLiteral("runtime/firebird"));
        QCOMPARE(choose().folder, folder);
        TestDatabase victim;
        const QByteArray lock = native(folder);
        if (trap == QLatin1String("chmod 0755")) {
            QCOMPARE(::chmod(lock.constData(), 0755), 0);
        } else if (trap == QLatin1String("chmod 0777")) {
            QCOMPARE(::chmod(lock.constData(), 0777), 0);
        } else if (trap == QLatin1String("symlink")) {
            QVERIFY(QFile::link(victim.path(), folder + QStringLiteral("/fb12_trace")));
        } else if (trap == QLatin1String("hard link")) {
            QCOMPARE(::link(native(victim.path()).constData(), lock + "/fb12_trace"), 0);
        } else if (trap == QLatin1String("folder link")) {
            QVERIFY(QDir(folder).removeRecursively());
            QVERIFY(QFile::link(path(QStringLiteral("tmp")), folder));
        } else if (trap == QLatin1String("chown")) {
            if (!otheruser::isRoot())
                QSKIP("only root can give a folder to another user");
            QCOMPARE(::chown(lock.constData(), otheruser::kNobody, otheruser::kNobody), 0);
        }
        const lockfolder::Choice again = choose(folder);
        if (refusal.isEmpty()) {
            QCOMPARE(again.folder, folder);
            QCOMPARE(pathFacts(folder).mode, 0700u);
        } else {
            QVERIFY(again.folder.isEmpty());
            QVERIFY2(again.refusal.contains(folder) && again.refusal.contains(refusal),
                     qPrintable(again.refusal));
        }
    }

    // The attack itself: a link planted in the lock folder under the name of the engine's
    // trace file made the engine cut the register it points to. Now the start is refused
    // with the folder's name, and the register is whole.
    void plantedLinkCannotCutARegister() {
        TestDatabase own;
        TestDatabase victim;
        const qint64 size = QFileInfo(victim.path()).size();
        const QString trap = path(QStringLiteral("trap"));
        QVERIFY(QDir().mkdir(trap));
        QCOMPARE(::chmod(native(trap).constData(), 0700), 0);
        QVERIFY(QFile::link(victim.path(), trap + QStringLiteral("/fb12_trace")));

        QProcess start;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FIREBIRD_LOCK"), trap);
        environment.insert(QLatin1String(kOpenOnly), own.path());
        start.setProcessEnvironment(environment);
        start.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(start.waitForFinished(30000));
        const QString output = QString::fromUtf8(start.readAllStandardOutput());
        QCOMPARE(start.exitCode(), 1);
        QVERIFY2(output.contains(trap) && output.contains(QStringLiteral("fb12_trace")),
                 qPrintable(output));
        QCOMPARE(QFileInfo(victim.path()).size(), size);
    }
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QByteArray openOnly = qgetenv(kOpenOnly);
    if (!openOnly.isEmpty()) {
        try {
            Connection connection;
            connection.open(QFile::decodeName(openOnly));
            connection.close();
            return 0;
        } catch (const DbError &error) {
            printf("%s\n", error.message().toUtf8().constData());
            return 1;
        }
    }
    TestLockFolder test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_lockfolder.moc"
