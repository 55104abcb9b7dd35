// The daily backup: its rules on file names, due days and rotation, and one real run.

#include "service/dailybackup.h"
#include "support/settingsfile.h"
#include "testdatabase.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestDailyBackup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void names_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDate>("day");
        QTest::newRow("daily backup") << "base-2024-12-10.fbk" << QDate(2024, 12, 10);
        QTest::newRow("no such day") << "base-2024-02-30.fbk" << QDate();
        QTest::newRow("another name") << "Base-2024-12-10.fbk" << QDate();
        QTest::newRow("half-written") << "base-2024-12-10.fbk.aBc123" << QDate();
        QTest::newRow("the user's own copy") << "base-2024-12-10 (2).fbk" << QDate();
    }

    void names() {
        QFETCH(QString, name);
        QFETCH(QDate, day);
        QCOMPARE(dailybackup::dayOf(name).value_or(QDate()), day);
        if (day.isValid())
            QCOMPARE(dailybackup::fileNameFor(day), name);
    }

    void rotationKeepsTheNewest_data() {
        QTest::addColumn<int>("keep");
        QTest::addColumn<QStringList>("removed");
        const QStringList all = {"base-2024-12-01.fbk", "base-2024-11-30.fbk",
                                 "base-2024-12-03.fbk", "base-2023-12-31.fbk"};
        QTest::newRow("keep 2") << 2 << QStringList{"base-2024-11-30.fbk", "base-2023-12-31.fbk"};
        QTest::newRow("keep all") << 14 << QStringList();
        QTest::newRow("keep 0 still keeps the newest")
            << 0
            << QStringList{"base-2024-12-01.fbk", "base-2024-11-30.fbk", "base-2023-12-31.fbk"};
    }

    void rotationKeepsTheNewest() {
        QFETCH(int, keep);
        QFETCH(QStringList, removed);
        const QStringList names = {"base-2024-12-01.fbk", "notes.txt",
                                   "base-2024-11-30.fbk", "base-2024-12-03.fbk",
                                   "base-2023-12-31.fbk", "base-1999-01-01.txt"};
        QCOMPARE(dailybackup::outdated(names, keep), removed);
    }

    void dueOncePerDay() {
        const QStringList names = {"base-2024-12-09.fbk", "base-2024-12-10.fbk.x1y2z3"};
        QVERIFY(dailybackup::isDue(names, QDate(2024, 12, 10)));
        QVERIFY(!dailybackup::isDue(names, QDate(2024, 12, 9)));
    }

    // A Keep that is not a number of at least one never removes more backups: the default
    // serves, and the wrong value is kept to be told.
    void settings_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<int>("keep");
        QTest::addColumn<QString>("wrongKeep");
        QTest::newRow("no section") << QByteArray("[Main]\r\n") << true << 14 << QString();
        QTest::newRow("off, keep 3")
            << QByteArray("[Backup]\r\nAuto=0\r\nKeep=3\r\n") << false << 3 << QString();
        QTest::newRow("keep 1") << QByteArray("[Backup]\r\nKeep=1\r\n") << true << 1 << QString();
        QTest::newRow("keep 0") << QByteArray("[Backup]\r\nKeep=0\r\n") << true << 14 << "0";
        QTest::newRow("keep below zero")
            << QByteArray("[backup]\r\nkeep=-1\r\n") << true << 14 << "-1";
        QTest::newRow("keep not a number")
            << QByteArray("[Backup]\r\nKeep=many\r\n") << true << 14 << "many";
    }

    void settings() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, automatic);
        QFETCH(int, keep);
        QFETCH(QString, wrongKeep);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Ventrel.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        const dailybackup::Settings read = dailybackup::readSettings(SettingsFile(file.fileName()));
        QCOMPARE(read.automatic, automatic);
        QCOMPARE(read.keep, keep);
        QCOMPARE(read.wrongKeep, wrongKeep);
        const QString caption = dailybackup::menuCaption(read, QString());
        QVERIFY2(caption.contains(QStringLiteral("последних: %1").arg(keep)) || !automatic,
                 qPrintable(caption));
        QCOMPARE(caption.contains(QStringLiteral("Keep=") + wrongKeep + QStringLiteral(" неверно")),
                 !wrongKeep.isEmpty());
    }

    // The day's backup is made in the background, the oldest beyond Keep go, and so does a
    // backup an earlier run left half-written; other files stay. On the same day nothing more
    // is done.
    void runMakesTheDaysBackupAndRotates() {
        TestDatabase db;
        QTemporaryDir data;
        const QString folder = dailybackup::folderFor(data.path());
        QDir().mkpath(folder);
        for (const char *name : {"base-2024-12-07.fbk", "base-2024-12-08.fbk", "notes.txt",
                                 "base-2024-12-09.fbk.Ab12Cd"}) {
            QFile file(folder + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        DailyBackup daily;
        QSignalSpy made(&daily, &DailyBackup::made);
        QSignalSpy failed(&daily, &DailyBackup::failed);
        const QDate today(2024, 12, 10);
        const dailybackup::Settings keepTwo{true, 2, QString()};
        QVERIFY(daily.startIfDue(db.path(), data.path(), keepTwo, today));
        QVERIFY(made.wait(30000));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(made.first().first().toString(), folder + QStringLiteral("base-2024-12-10.fbk"));
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
                 (QStringList{"base-2024-12-08.fbk", "base-2024-12-10.fbk", "notes.txt"}));
        // The backups are the owner's alone: nothing for the group or others.
        QCOMPARE(QFile::permissions(folder) & 0x0077, 0);
        QVERIFY(!daily.startIfDue(db.path(), data.path(), keepTwo, today));
        QVERIFY(!daily.startIfDue(db.path(), data.path(), {false, 2, QString()}, today.addDays(1)));
    }

    void failureIsTold() {
        QTemporaryDir data;
        DailyBackup daily;
        QSignalSpy failed(&daily, &DailyBackup::failed);
        QVERIFY(daily.startIfDue(data.filePath(QStringLiteral("no-such.fdb")), data.path(), {},
                                 QDate(2024, 12, 10)));
        QVERIFY(failed.wait(30000));
        QVERIFY(failed.first().first().toString().contains(QStringLiteral("base-2024-12-10.fbk")));
        QVERIFY(!failed.first().at(1).toString().isEmpty());
        QCOMPARE(QDir(dailybackup::folderFor(data.path())).entryList(QDir::Files), QStringList());
    }

    // The copies never follow a link out of the data folder, nor go into a folder others may
    // write into or own: the backup is not made, and the failure says why.
    void unfitFolderIsRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        QTest::newRow("a link") << "link" << QStringLiteral("является ссылкой");
        QTest::newRow("open to others") << "open" << QStringLiteral("открыта для записи");
        QTest::newRow("another user's") << "other" << QStringLiteral("другому пользователю");
    }
    void unfitFolderIsRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        TestDatabase db;
        QTemporaryDir data;
        QTemporaryDir elsewhere;
        const QString folder = dailybackup::folderFor(data.path());
        const QByteArray native = QFile::encodeName(folder.chopped(1));
        if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(elsewhere.path(), folder.chopped(1)));
        } else {
            QVERIFY(QDir().mkpath(folder));
            QCOMPARE(::chmod(native.constData(), 0777), 0);
            if (kind == QLatin1String("other")) {
                if (::geteuid() != 0)
                    QSKIP("only root can give a folder to another user");
                QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
                QCOMPARE(::chmod(native.constData(), 0700), 0);
            }
        }
        DailyBackup daily;
        QSignalSpy failed(&daily, &DailyBackup::failed);
        QVERIFY(daily.startIfDue(db.path(), data.path(), {}, QDate(2024, 12, 10)));
        QVERIFY(failed.wait(30000));
        const QString told = failed.first().first().toString();
        QVERIFY2(told.contains(why) && told.contains(folder), qPrintable(told));
        QCOMPARE(dailybackup::folderRefusal(folder).isEmpty(), false);
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDailyBackup)
#include "test_dailybackup.moc"
