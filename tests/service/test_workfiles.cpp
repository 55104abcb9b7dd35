// The work files of backups, restores and the template copy: which leftovers a later run
// removes, and which it must leave.

#include "service/workfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// Above the largest process id Linux gives: a process that has surely ended.
constexpr qint64 kEnded = 99999999;
} // namespace

class TestWorkFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void patternsNameTheProcess() {
        const QString me = QString::number(::getpid());
        QCOMPARE(workfiles::backupPattern(QStringLiteral("base-2024-12-10.fbk")),
                 QStringLiteral("base-2024-12-10.fbk.ventrel-") + me + QStringLiteral("-XXXXXX"));
        QCOMPARE(workfiles::restorePattern(),
                 QStringLiteral("Base-restoring-") + me + QStringLiteral("-XXXXXX"));
        QCOMPARE(workfiles::templateCopyPattern(),
                 QStringLiteral(".Base.fdb-") + me + QStringLiteral("-XXXXXX"));
        QVERIFY(workfiles::isRunning(::getpid()));
        QVERIFY(!workfiles::isRunning(kEnded));
    }

    void leftovers_data() {
        QTest::addColumn<QString>("name");
        // A plain file, a restore's folder with the file in it, a file held open, a link,
        // another user's file.
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("removed");
        const QString ended = QString::number(kEnded);
        const QString running = QString::number(::getpid());
        QTest::newRow("a backup of an ended run") << "copy.fbk.ventrel-" + ended + "-Ab12Cd"
                                                  << "file" << true;
        QTest::newRow("a restore of an ended run") << "Base-restoring-" + ended + "-Ab12Cd"
                                                   << "folder" << true;
        QTest::newRow("a template copy of an ended run") << ".Base.fdb-" + ended + "-Ab12Cd"
                                                         << "file" << true;
        QTest::newRow("a backup still written") << "copy.fbk.ventrel-" + running + "-Ab12Cd"
                                                << "file" << false;
        QTest::newRow("a restore still running") << "Base-restoring-" + running + "-Ab12Cd"
                                                 << "folder" << false;
        QTest::newRow("an older version's backup, closed") << "base-2024-12-10.fbk.Ab12Cd"
                                                           << "file" << true;
        QTest::newRow("an older version's restore, closed") << "Base-restoring-Ab12Cd.fdb"
                                                            << "file" << true;
        QTest::newRow("an older version's restore, open") << "Base-restoring-Ab12Cd.fdb"
                                                          << "open" << false;
        QTest::newRow("a link under such a name") << "copy.fbk.ventrel-" + ended + "-Ab12Cd"
                                                  << "link" << false;
        QTest::newRow("another user's") << "copy.fbk.ventrel-" + ended + "-Ab12Cd"
                                        << "other" << false;
        QTest::newRow("a folder under a file's name") << ".Base.fdb-" + ended + "-Ab12Cd"
                                                      << "folder" << false;
        QTest::newRow("the user's own copy") << "base.fbk.backup"
                                             << "file" << false;
        QTest::newRow("the register") << "Base.fdb"
                                      << "file" << false;
    }
    void leftovers() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        QTemporaryDir folder;
        QTemporaryDir elsewhere;
        const QString path = folder.filePath(name);
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        QFile file(kind == QLatin1String("link")     ? elsewhere.filePath(QStringLiteral("target"))
                   : kind == QLatin1String("folder") ? path + QStringLiteral("/Base.fdb")
                                                     : path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("patients");
        if (kind != QLatin1String("open"))
            file.close();
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(file.fileName(), path));
        if (kind == QLatin1String("other")) {
            if (::geteuid() != 0)
                QSKIP("only root can give a file to another user");
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
        }
        QCOMPARE(workfiles::removeLeftovers(folder.path()),
                 removed ? QStringList{name} : QStringList());
        QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), !removed);
        QVERIFY(QFileInfo::exists(elsewhere.filePath(QStringLiteral("target"))) ||
                kind != QLatin1String("link"));
    }
};

QTEST_GUILESS_MAIN(TestWorkFiles)
#include "test_workfiles.moc"
