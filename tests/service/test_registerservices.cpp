// Backup, restore and check of real register files through the engine's services.

#include "data/shareddata.h"
#include "otheruser.h"
#include "registerfixture.h"
#include "service/backupheader.h"
#include "service/registerservices.h"
#include "support/pathfacts.h"
#include "testdatabase.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <memory>

namespace {

QStringList filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Overwrites the records at the end of the first data page of table CARD, as a failing disk
// would.
void damageVisitPage(const QString &databaseFile) {
    QByteArray bytes = readAll(databaseFile);
    const int pageSize = qFromLittleEndian<quint16>(bytes.constData() + 0x10);
    constexpr char kDataPage = 5;
    constexpr quint16 kCardRelation = 129;
    for (qsizetype page = 0; (page + 1) * pageSize <= bytes.size(); ++page) {
        const char *start = bytes.constData() + page * pageSize;
        if (start[0] == kDataPage && qFromLittleEndian<quint16>(start + 20) == kCardRelation) {
            bytes.replace(page * pageSize + pageSize / 2, pageSize / 2 - 16,
                          QByteArray(pageSize / 2 - 16, '\xAB'));
            writeAll(databaseFile, bytes);
            return;
        }
    }
    QFAIL("no data page of CARD");
}

// Sets or clears the file's immutable flag (chattr +i), which no one may rename while it is set.
bool setImmutable(const QString &path, bool immutable) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

class TestRegisterServices : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> filled; // made once: a register of 120 patients
    std::unique_ptr<TestDatabase> db;     // a fresh copy of it for every test
    std::unique_ptr<QTemporaryDir> out;
    QString tmpfs;

    QString outFile(const QString &name) const { return out->filePath(name); }

    // A register of 3 patients, backed up and restored into the register's folder, ready to
    // take the register's place.
    registerfile::Restored restoredSmallRegister() {
        TestDatabase small;
        fillRegister(small.path(), 3, 7);
        registerfile::backup(small.path(), outFile(QStringLiteral("small.fbk")), {});
        return registerfile::restoreInto(outFile(QStringLiteral("small.fbk")), db->folder(), {});
    }

private Q_SLOTS:
    void initTestCase() {
        filled = std::make_unique<TestDatabase>();
        fillRegister(filled->path(), 120);
    }

    void init() {
        db = std::make_unique<TestDatabase>();
        QFile::remove(db->path());
        QVERIFY(QFile::copy(filled->path(), db->path()));
        out = std::make_unique<QTemporaryDir>();
    }

    void cleanup() {
        if (!tmpfs.isEmpty()) {
            QProcess::execute(QStringLiteral("umount"), {tmpfs});
            tmpfs.clear();
        }
        out.reset();
        db.reset();
    }

    // The program keeps the register open with work not yet committed; the backup holds what
    // was committed, and a restore gives back every row of every table and every generator.
    void backupWhileOpenThenRestoreGivesTheSameRows() {
        SharedData data;
        data.open(db->path(), QStringLiteral("select * from MAIN"));
        data.ibdsMain.insert();
        data.ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Несохранённый Пациент"));
        data.ibdsMain.post();
        const auto committed = registerContent(db->path());
        QCOMPARE(committed[QStringLiteral("MAIN")].size(), 120);

        QStringList lines;
        QVERIFY(registerfile::backup(db->path(), outFile(QStringLiteral("copy.fbk")),
                                     [&](const QString &line) { lines << line; }));
        data.close();
        QVERIFY(lines.size() > 10);
        QCOMPARE(filesIn(out->path()), QStringList{QStringLiteral("copy.fbk")});
        QCOMPARE(QFile::permissions(outFile(QStringLiteral("copy.fbk"))) & 0x0077, 0); // owner only

        const registerfile::Restored restored = registerfile::restoreAs(
            outFile(QStringLiteral("copy.fbk")), outFile(QStringLiteral("restored.fdb")), {});
        QCOMPARE(restored.counts.patients, 120);
        QCOMPARE(restored.counts.visits, committed[QStringLiteral("CARD")].size());
        QVERIFY(restored.made.isValid());
        QVERIFY(qAbs(restored.made.secsTo(QDateTime::currentDateTime())) < 120);
        const auto content = registerContent(restored.file);
        for (auto table = committed.begin(); table != committed.end(); ++table) {
            QVERIFY2(!table.value().isEmpty(), qPrintable(table.key()));
            QVERIFY2(content[table.key()] == table.value(), qPrintable(table.key()));
        }
    }

    // A cancelled backup leaves nothing, and a file of that name from before as it was.
    void cancelledBackupKeepsTheOlderFile() {
        const QString target = outFile(QStringLiteral("copy.fbk"));
        writeAll(target, "older copy");
        QVERIFY(!registerfile::backup(db->path(), target, {}, [] { return false; }));
        QCOMPARE(filesIn(out->path()), QStringList{QStringLiteral("copy.fbk")});
        QCOMPARE(readAll(target), QByteArray("older copy"));
    }

    void backupOverTheRegisterItselfIsRefused() {
        QVERIFY_THROWS_EXCEPTION(registerfile::Failure,
                                 registerfile::backup(db->path(), db->path(), {}));
        QCOMPARE(registerfile::countRows(db->path()).patients, 120);
    }

    // A disk that fills up during a backup or a restore: no file is left, the register is as
    // it was, and the message tells the cause in the user's words.
    void fullDiskLeavesNoFileAndKeepsTheRegister_data() {
        QTest::addColumn<bool>("restore");
        QTest::newRow("backup") << false;
        QTest::newRow("restore") << true;
    }
    void fullDiskLeavesNoFileAndKeepsTheRegister() {
        QFETCH(bool, restore);
        const QString mountPoint = outFile(QStringLiteral("small"));
        QDir().mkpath(mountPoint);
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=64k"), QStringLiteral("tmpfs"), mountPoint}) !=
            0) {
            QSKIP("mounting a small tmpfs is not permitted here (it needs root)");
        }
        tmpfs = mountPoint;
        const QString backup = outFile(QStringLiteral("copy.fbk"));
        if (restore)
            registerfile::backup(db->path(), backup, {});
        const auto before = registerContent(db->path());
        try {
            if (restore)
                registerfile::restoreInto(backup, mountPoint, {});
            else
                registerfile::backup(db->path(), mountPoint + QStringLiteral("/copy.fbk"), {});
            QFAIL("the work onto a full disk succeeded");
        } catch (const registerfile::Failure &failure) {
            QVERIFY(failure.message().contains(QStringLiteral("Не удалось")));
            QVERIFY2(failure.message().contains(QStringLiteral("На диске не хватает места: ") +
                                                mountPoint),
                     qPrintable(failure.message()));
            QVERIFY(!failure.message().contains(QStringLiteral("повреждена")));
            QVERIFY(!failure.detail().isEmpty());
        }
        QCOMPARE(filesIn(mountPoint), QStringList());
        QVERIFY(registerContent(db->path()) == before);
    }

    // While the engine writes them, the files of a backup and of a restore hold every
    // patient's records: no one but the user can read them. The engine gives a restored file
    // a mode of its own, so it is written in a folder only the user may enter.
    void workFilesAreTheOwnersAlone() {
        QStringList seen;
        const auto lookIn = [&](const QString &folder) {
            return [&seen, folder](const QString &) {
                for (const QString &name : QDir(folder).entryList(
                         {QStringLiteral("*ventrel-*"), QStringLiteral("Base-restoring-*")},
                         QDir::Files | QDir::Dirs)) {
                    const PathFacts facts = pathFacts(folder + u'/' + name);
                    seen << QString::number(facts.mode & 0777, 8) + (facts.isDir ? "/" : "");
                }
            };
        };
        const QString backup = outFile(QStringLiteral("copy.fbk"));
        registerfile::backup(db->path(), backup, lookIn(out->path()));
        const qsizetype backupLines = seen.size();
        const registerfile::Restored restored =
            registerfile::restoreInto(backup, out->path(), lookIn(out->path()));
        QVERIFY(backupLines > 0 && seen.size() > backupLines);
        QCOMPARE(seen.mid(0, backupLines).filter(QStringLiteral("600")).size(), backupLines);
        QCOMPARE(seen.mid(backupLines).filter(QStringLiteral("700/")).size(),
                 seen.size() - backupLines);
        QCOMPARE(pathFacts(restored.file).mode, 0600u);
        registerfile::discard(restored);
        QCOMPARE(QDir(out->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("copy.fbk")});
    }

    void damagedOrForeignBackupIsRefused_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("cut in half") << "cut";
        QTest::newRow("bytes overwritten") << "overwritten";
        QTest::newRow("a text file") << "text";
        QTest::newRow("an empty file") << "empty";
        QTest::newRow("another database") << "foreign";
    }

    // Nothing new is left beside the register, and the register is as it was.
    void damagedOrForeignBackupIsRefused() {
        QFETCH(QString, damage);
        const QString backup = outFile(QStringLiteral("copy.fbk"));
        if (damage == QLatin1String("foreign")) {
            const QString other = outFile(QStringLiteral("other.fdb"));
            Connection::createDatabase(other);
            registerfile::backup(other, backup, {});
            QFile::remove(other);
        } else {
            registerfile::backup(db->path(), backup, {});
            QByteArray bytes = readAll(backup);
            if (damage == QLatin1String("cut"))
                bytes.truncate(bytes.size() / 2);
            else if (damage == QLatin1String("overwritten"))
                bytes.replace(bytes.size() / 2, 5000, QByteArray(5000, '\x07'));
            else if (damage == QLatin1String("text"))
                bytes = "Это не копия базы.\n";
            else
                bytes.clear();
            writeAll(backup, bytes);
        }
        const QStringList before = filesIn(db->folder());
        const auto content = registerContent(db->path());
        try {
            registerfile::restoreInto(backup, db->folder(), {});
            QFAIL("a damaged backup was restored");
        } catch (const registerfile::Failure &failure) {
            QVERIFY(failure.message().contains(QStringLiteral("Текущая база не изменена")));
        }
        QCOMPARE(filesIn(db->folder()), before);
        QVERIFY(registerContent(db->path()) == content);
    }

    // The engine's own separate tool made the backup; it restores like the program's own.
    void backupMadeByGbakRestores() {
        const QString gbak = QStandardPaths::findExecutable(QStringLiteral("gbak"));
        if (gbak.isEmpty())
            QSKIP("gbak is not installed (Debian firebird3.0-utils)");
        const QString backup = outFile(QStringLiteral("gbak.fbk"));
        QProcess process;
        process.start(gbak, {QStringLiteral("-b"), QStringLiteral("-user"),
                             QStringLiteral("sysdba"), db->path(), backup});
        QVERIFY(process.waitForFinished(60000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

        const registerfile::Restored restored =
            registerfile::restoreAs(backup, outFile(QStringLiteral("restored.fdb")), {});
        QCOMPARE(restored.counts.patients, 120);
        QVERIFY(registerContent(restored.file) == registerContent(db->path()));
    }

    // The register is kept under a name of its own, and the restored file takes its place
    // with its permissions.
    void restoredFileTakesThePlaceOfTheRegister() {
        const QDate today(2024, 12, 10);
        writeAll(db->folder() + QStringLiteral("/Base-before-restore-2024-12-10.fdb"), "earlier");
        QFile::setPermissions(db->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                              QFile::WriteGroup | QFile::ReadUser |
                                              QFile::WriteUser);
        const auto old = registerContent(db->path());

        const registerfile::Restored restored = restoredSmallRegister();
        QCOMPARE(restored.counts.patients, 3);
        QVERIFY(restored.file.startsWith(db->folder() + QStringLiteral("/Base-restoring-")));

        const QString kept = registerfile::putInPlace(restored.file, db->path(), today);
        QCOMPARE(QFileInfo(kept).fileName(),
                 QStringLiteral("Base-before-restore-2024-12-10-2.fdb"));
        QVERIFY(registerContent(kept) == old);
        QCOMPARE(registerfile::countRows(db->path()).patients, 3);
        QVERIFY(!QFileInfo::exists(restored.file));
        QCOMPARE(QDir(db->folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(QFile::permissions(db->path()), QFile::permissions(kept));
    }

    // The swap is cut short after each of its steps, as by a crash: the register under its
    // name is whole all the time, and the next start ends the restore or undoes it, leaving
    // nothing of it behind.
    void interruptedSwapLeavesAWholeRegister_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<qint64>("patients"); // in the register once the start is done
        QTest::addColumn<QStringList>("files");
        QTest::newRow("named for the swap")
            << int(registerfile::SwapStep::Named) << qint64(120) << QStringList{"base.fdb"};
        QTest::newRow("swapped") << int(registerfile::SwapStep::Exchanged) << qint64(3)
                                 << QStringList{"Base-before-restore-2024-12-10.fdb", "base.fdb"};
    }
    void interruptedSwapLeavesAWholeRegister() {
        QFETCH(int, step);
        QFETCH(qint64, patients);
        QFETCH(QStringList, files);
        const QDate today(2024, 12, 10);
        const registerfile::Restored restored = restoredSmallRegister();

        struct Cut {};
        const QString me = QStringLiteral("Base-swapping-%1-").arg(::getpid());
        try {
            registerfile::putInPlace(
                restored.file, db->path(), today, [&](registerfile::SwapStep done) {
                    if (int(done) != step)
                        return;
                    // The process ends here: its files are an ended run's.
                    for (const QString &name : QDir(db->folder()).entryList({me + u'*'})) {
                        QDir(db->folder())
                            .rename(name, QString(name).replace(me, "Base-swapping-99999999-"));
                    }
                    throw Cut();
                });
            QFAIL("the swap was not cut short");
        } catch (const Cut &) {
        }
        QVERIFY(registerfile::countRows(db->path()).patients > 0);

        QVERIFY(!registerfile::finishInterruptedRestore(db->path(), today).isEmpty());
        QCOMPARE(filesIn(db->folder()), files);
        QCOMPARE(registerfile::countRows(db->path()).patients, patients);
        if (files.size() > 1)
            QCOMPARE(registerfile::countRows(db->folder() + u'/' + files.first()).patients, 120);
    }

    // The register of before cannot take its kept name at the end of the swap (a file took
    // the name meanwhile): it stays whole under the swap's name, and that is the name told.
    void keptNameTakenLeavesTheRegisterOfBeforeUnderTheSwapName() {
        const QDate today(2024, 12, 10);
        const auto old = registerContent(db->path());
        const registerfile::Restored restored = restoredSmallRegister();
        const QString keptName =
            db->folder() + QStringLiteral("/Base-before-restore-2024-12-10.fdb");

        const QString kept = registerfile::putInPlace(
            restored.file, db->path(), today, [&](registerfile::SwapStep done) {
                if (done == registerfile::SwapStep::Exchanged)
                    writeAll(keptName, "another file");
            });
        QVERIFY(QFileInfo(kept).fileName().startsWith(QStringLiteral("Base-swapping-")));
        QVERIFY(registerContent(kept) == old);
        QCOMPARE(readAll(keptName), QByteArray("another file"));
        QCOMPARE(registerfile::countRows(db->path()).patients, 3);
        QCOMPARE(filesIn(db->folder()).size(), 3);
    }

    // The file system refuses the swap itself (here the register is immutable): the register
    // stays where and what it was, the restored file is back where the caller can remove it,
    // and nothing of the swap is left.
    void refusedSwapLeavesTheRegisterWhereItWas() {
        if (!otheruser::isRoot())
            QSKIP("making the register immutable needs root");
        const auto old = registerContent(db->path());
        const registerfile::Restored restored = restoredSmallRegister();
        const QStringList before = filesIn(db->folder());
        QVERIFY(setImmutable(db->path(), true));
        QString failure;
        {
            const auto mutableAgain = qScopeGuard([&] { setImmutable(db->path(), false); });
            try {
                registerfile::putInPlace(restored.file, db->path(), QDate(2024, 12, 10));
            } catch (const registerfile::Failure &error) {
                failure = error.message();
            }
        }
        QVERIFY2(failure.startsWith(QStringLiteral("Не удалось заменить базу восстановленной.")) &&
                     failure.endsWith(QStringLiteral("Текущая база не изменена.")),
                 qPrintable(failure));
        QVERIFY(registerContent(db->path()) == old);
        QCOMPARE(filesIn(db->folder()), before);
        QCOMPARE(registerfile::countRows(restored.file).patients, 3);
    }

    void checkTellsCleanFromDamaged() {
        QStringList lines;
        ValidationFindings findings =
            registerfile::check(db->path(), [&](const QString &line) { lines << line; });
        QCOMPARE(findings.errors(), 0);
        QVERIFY(lines.join(u'\n').contains(QStringLiteral("(CARD)")));

        damageVisitPage(db->path());
        findings = registerfile::check(db->path(), {});
        QVERIFY(findings.errors() > 0);
        QCOMPARE(findings.tables.first().table, QStringLiteral("CARD"));
    }
};

QTEST_GUILESS_MAIN(TestRegisterServices)
#include "test_registerservices.moc"
