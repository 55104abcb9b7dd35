// The settings file: reading strings and integers with defaults, and writing integers in place.

#include "otheruser.h"
#include "support/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {
// Set in the second copy of the test program: the settings file it writes.
const char *const kWriteAsOther = "VENTREL_TEST_WRITE_SETTINGS";
} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString fileWith(const QByteArray &content) {
        const QString path = dir.filePath(QStringLiteral("Ventrel.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) < 0)
            qFatal("cannot write the settings file of the test");
        return path;
    }

    static QByteArray contentOf(const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void readInteger_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << QByteArray("120") << 120;
        QTest::newRow("blanks around") << QByteArray("  120  ") << 120;
        QTest::newRow("negative") << QByteArray("-8") << -8;
        QTest::newRow("0x") << QByteArray("0x1F") << 31;
        QTest::newRow("0X") << QByteArray("0X1f") << 31;
        QTest::newRow("dollar") << QByteArray("$10") << 16;
        QTest::newRow("32 bits of hex") << QByteArray("$FFFFFFFF") << -1;
        QTest::newRow("smallest") << QByteArray("-2147483648") << INT_MIN;
        QTest::newRow("too large") << QByteArray("2147483648") << 7;
        QTest::newRow("letters") << QByteArray("abc") << 7;
        QTest::newRow("digits then letters") << QByteArray("12px") << 7;
        QTest::newRow("prefix alone") << QByteArray("0x") << 7;
        QTest::newRow("empty") << QByteArray("") << 7;
    }
    void readInteger() {
        QFETCH(QByteArray, stored);
        QFETCH(int, value);
        const SettingsFile settings(fileWith("[fmMain]\r\nWidth=" + stored + "\r\n"));
        QCOMPARE(settings.readInteger(QStringLiteral("fmMain"), QStringLiteral("Width"), 7), value);
    }

    void readString() {
        const SettingsFile settings(fileWith("; written by hand\r\n"
                                             "[Other]\r\n"
                                             "PathBase=/wrong\r\n"
                                             "[ main ]\r\n"
                                             "  pathbase = \"/srv/ventrel/\"  \r\n"
                                             "Left=1\r\n"));
        const QString main = QStringLiteral("Main");
        QCOMPARE(settings.readString(main, QStringLiteral("PathBase"), QString()),
                 QStringLiteral("/srv/ventrel/"));
        QCOMPARE(settings.readString(main, QStringLiteral("Top"), QStringLiteral("none")),
                 QStringLiteral("none"));
        QCOMPARE(settings.readString(QStringLiteral("fmMain"), QStringLiteral("Left"),
                                     QStringLiteral("none")),
                 QStringLiteral("none"));
    }

    void missingFileGivesDefaults() {
        const SettingsFile settings(dir.filePath(QStringLiteral("none/Ventrel.ini")));
        QCOMPARE(settings.readInteger(QStringLiteral("fmMain"), QStringLiteral("Top"), 108), 108);
        QCOMPARE(settings.readString(QStringLiteral("Main"), QStringLiteral("PathBase"), {}),
                 QString());
    }

    // Only the key's own line changes; Cyrillic comments in Windows-1251, a byte the code page
    // leaves undefined and a last line without a break all stay as they were.
    void writeChangesOnlyItsLine() {
        const QByteArray before = "; \xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8 \x98\r\n"
                                  "[fmMain]\r\n"
                                  "top=1\r\n"
                                  "Left = 2\r\n"
                                  "\r\n"
                                  "[fmDiag]\r\n"
                                  "Left=5";
        SettingsFile settings(fileWith(before));
        QVERIFY(settings.writeInteger(QStringLiteral("FMMAIN"), QStringLiteral("Left"), -30));
        QCOMPARE(contentOf(settings.path()), QByteArray("; \xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8 "
                                                        "\x98\r\n"
                                                        "[fmMain]\r\n"
                                                        "top=1\r\n"
                                                        "Left=-30\r\n"
                                                        "\r\n"
                                                        "[fmDiag]\r\n"
                                                        "Left=5"));
    }

    void writeAddsKeysAndSections() {
        SettingsFile settings(fileWith("[fmMain]\r\nTop=1\r\n\r\n[fmDiag]\r\nLeft=5"));
        QVERIFY(settings.writeInteger(QStringLiteral("fmMain"), QStringLiteral("Left"), 2));
        QVERIFY(settings.writeInteger(QStringLiteral("fmDiag"), QStringLiteral("Top"), 6));
        QVERIFY(settings.writeInteger(QStringLiteral("fmPrint"), QStringLiteral("Left"), 7));
        QCOMPARE(contentOf(settings.path()), QByteArray("[fmMain]\r\nTop=1\r\nLeft=2\r\n\r\n"
                                                        "[fmDiag]\r\nLeft=5\r\nTop=6\r\n\r\n"
                                                        "[fmPrint]\r\nLeft=7\r\n"));
        QCOMPARE(settings.readInteger(QStringLiteral("fmPrint"), QStringLiteral("Left"), 0), 7);
    }

    void writeMakesMissingFile() {
        SettingsFile settings(dir.filePath(QStringLiteral("new.ini")));
        QVERIFY(settings.writeInteger(QStringLiteral("fmMain"), QStringLiteral("Top"), 108));
        QVERIFY(settings.writeInteger(QStringLiteral("fmMain"), QStringLiteral("Left"), 192));
        QCOMPARE(contentOf(settings.path()), QByteArray("[fmMain]\nTop=108\nLeft=192\n"));
    }

    // A disk that fills up while the file is written leaves the file as it was: the register's
    // folder in it must never be lost to a half-written file. A limit on the size of files the
    // test may write stands in for the full disk.
    void fullDiskLeavesTheFileAsItWas() {
        const QByteArray content("[Main]\r\nPathBase=/srv/ventrel\r\n\r\n[fmMain]\r\nTop=108\r\n"
                                 "Left=192\r\nWidth=534\r\nHeight=482\r\n");
        SettingsFile settings(fileWith(content));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit tiny = saved;
        tiny.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &tiny);
        const bool written =
            settings.writeInteger(QStringLiteral("fmMain"), QStringLiteral("Top"), 7);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_DFL);
        QVERIFY(!written);
        QCOMPARE(contentOf(settings.path()), content);
        QCOMPARE(QDir(dir.path()).entryList({"Ventrel.ini*"}, QDir::Files),
                 QStringList{"Ventrel.ini"});
    }

    // A folder where the user may not make new files (the program's own folder, say, with a
    // settings file the administrator made the user's to write) still takes the settings: the
    // file is written in place. The write is made by a user other than root, whom no folder
    // refuses.
    void folderRefusingNewFilesIsWrittenInPlace() {
        QTemporaryDir root;
        otheruser::letThrough(root.path());
        const QString folder = root.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + QStringLiteral("/Ventrel.ini");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("[fmMain]\r\nTop=1\r\n") > 0);
        file.close();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                                QFile::ReadGroup | QFile::WriteGroup |
                                                QFile::ReadOther | QFile::WriteOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup |
                                                  QFile::ReadOther | QFile::ExeOther));
        const QString output = otheruser::runAgain(kWriteAsOther, path);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(output, QStringLiteral("written\n"));
        QCOMPARE(contentOf(path), QByteArray("[fmMain]\r\nTop=7\r\n"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Ventrel.ini"});
    }

    void failedWriteIsReported() {
        const QString path = dir.filePath(QStringLiteral("no such folder/Ventrel.ini"));
        SettingsFile settings(path);
        QVERIFY(!settings.writeInteger(QStringLiteral("fmMain"), QStringLiteral("Top"), 1));
        QCOMPARE(settings.writeErrorText(), QStringLiteral("Unable to write to ") + path);
    }
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (const QByteArray path = qgetenv(kWriteAsOther); !path.isEmpty()) {
        if (!otheruser::becomeUnprivileged())
            return 2;
        SettingsFile settings(QFile::decodeName(path));
        const bool written =
            settings.writeInteger(QStringLiteral("fmMain"), QStringLiteral("Top"), 7);
        printf("%s\n", written ? "written" : "refused");
        return 0;
    }
    TestSettingsFile test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_settingsfile.moc"
