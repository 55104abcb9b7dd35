// The daily backup: its rules on file names, due days and rotation, and one real run.

#include "app/dailybackup.h"
#include "support/settingsfile.h"
#include "testdatabase.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

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

    void settings_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<int>("keep");
        QTest::newRow("no section") << QByteArray("[Main]\r\n") << true << 14;
        QTest::newRow("off, keep 3")
            << QByteArray("[Backup]\r\nAuto=0\r\nKeep=3\r\n") << false << 3;
        QTest::newRow("keep below one") << QByteArray("[backup]\r\nkeep=-5\r\n") << true << 1;
        QTest::newRow("keep not a number") << QByteArray("[Backup]\r\nKeep=many\r\n") << true << 14;
    }

    void settings() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, automatic);
        QFETCH(int, keep);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Ventrel.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        const dailybackup::Settings read = dailybackup::readSettings(SettingsFile(file.fileName()));
        QCOMPARE(read.automatic, automatic);
        QCOMPARE(read.keep, keep);
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
        QVERIFY(daily.startIfDue(db.path(), data.path(), {true, 2}, today));
        QVERIFY(made.wait(30000));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(made.first().first().toString(), folder + QStringLiteral("base-2024-12-10.fbk"));
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
                 (QStringList{"base-2024-12-08.fbk", "base-2024-12-10.fbk", "notes.txt"}));
        // The backups are the owner's alone: nothing for the group or others.
        QCOMPARE(QFile::permissions(folder) & 0x0077, 0);
        QVERIFY(!daily.startIfDue(db.path(), data.path(), {true, 2}, today));
        QVERIFY(!daily.startIfDue(db.path(), data.path(), {false, 2}, today.addDays(1)));
    }

    void failureIsTold() {
        QTemporaryDir data;
        DailyBackup daily;
        QSignalSpy failed(&daily, &DailyBackup::failed);
        QVERIFY(daily.startIfDue(data.filePath(QStringLiteral("no-such.fdb")), data.path(),
                                 {true, 14}, QDate(2024, 12, 10)));
        QVERIFY(failed.wait(30000));
        QVERIFY(failed.first().first().toString().contains(QStringLiteral("base-2024-12-10.fbk")));
        QVERIFY(!failed.first().at(1).toString().isEmpty());
        QCOMPARE(QDir(dailybackup::folderFor(data.path())).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDailyBackup)
#include "test_dailybackup.moc"
