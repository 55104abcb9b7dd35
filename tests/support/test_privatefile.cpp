// A file only its owner may read, in a folder of the user's own under the temporary folder.

#include "support/privatefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

int modeOf(const QString &path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return int(status.st_mode & 07777);
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestPrivateFile : public QObject {
    Q_OBJECT

    QTemporaryDir temp;
    QString folder() const {
        return temp.filePath(QStringLiteral("ventrel-%1").arg(uint(::geteuid())));
    }

private Q_SLOTS:
    void init() { QVERIFY(temp.isValid()); }
    void cleanup() { QDir(folder()).removeRecursively(); }

    void writesOwnerOnlyFileInOwnerOnlyFolder();
    void secondWriteReplacesFirstAndALinkAtTheName();
    void tightensOwnFolderLeftOpen();
    void refusesFolderThatIsALink();
    void refusesFolderOfAnotherUser();
    void makesMissingParents();
};

void TestPrivateFile::writesOwnerOnlyFileInOwnerOnlyFolder() {
    const PrivateFileResult result =
        writePrivateFile(temp.path(), QStringLiteral("report_patient.rtf"), "{\\rtf1}");
    QCOMPARE(result.error, QString());
    QCOMPARE(result.path, QDir(folder()).filePath(QStringLiteral("report_patient.rtf")));
    QCOMPARE(modeOf(folder()), 0700);
    QCOMPARE(modeOf(result.path), 0600);
    QCOMPARE(contents(result.path), QByteArray("{\\rtf1}"));
    // No temporary file is left behind.
    QCOMPARE(QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("report_patient.rtf")});
}

// A link planted at the file's name is replaced, never written through.
void TestPrivateFile::secondWriteReplacesFirstAndALinkAtTheName() {
    const QString name = QStringLiteral("report_patient.rtf");
    QCOMPARE(writePrivateFile(temp.path(), name, "first").error, QString());
    QCOMPARE(writePrivateFile(temp.path(), name, "second").error, QString());
    const QString path = QDir(folder()).filePath(name);
    QCOMPARE(contents(path), QByteArray("second"));

    const QString victim = temp.filePath(QStringLiteral("victim.txt"));
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("untouched");
    file.close();
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::link(victim, path));
    QCOMPARE(writePrivateFile(temp.path(), name, "third").error, QString());
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(contents(path), QByteArray("third"));
    QCOMPARE(contents(victim), QByteArray("untouched"));
}

void TestPrivateFile::tightensOwnFolderLeftOpen() {
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(::chmod(QFile::encodeName(folder()).constData(), 0777) == 0);
    QCOMPARE(writePrivateFile(temp.path(), QStringLiteral("a.rtf"), "x").error, QString());
    QCOMPARE(modeOf(folder()), 0700);
}

// Someone who put a link at the folder's name would get the file: nothing is written.
void TestPrivateFile::refusesFolderThatIsALink() {
    const QString elsewhere = temp.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(QFile::link(elsewhere, folder()));
    const PrivateFileResult result = writePrivateFile(temp.path(), QStringLiteral("a.rtf"), "x");
    QVERIFY2(result.error.contains(QStringLiteral("ссылка")), qPrintable(result.error));
    QVERIFY(QDir(elsewhere).isEmpty());
    QFile::remove(folder());
}

void TestPrivateFile::refusesFolderOfAnotherUser() {
    if (::geteuid() != 0)
        QSKIP("giving a folder to another user needs root");
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(::chown(QFile::encodeName(folder()).constData(), 65534, 65534) == 0);
    const PrivateFileResult result = writePrivateFile(temp.path(), QStringLiteral("a.rtf"), "x");
    QVERIFY2(result.error.contains(QStringLiteral("другому пользователю")),
             qPrintable(result.error));
    QVERIFY(QDir(folder()).isEmpty());
}

void TestPrivateFile::makesMissingParents() {
    const QString parent = temp.filePath(QStringLiteral("a/b"));
    const PrivateFileResult result = writePrivateFile(parent, QStringLiteral("c.rtf"), "x");
    QCOMPARE(result.error, QString());
    QVERIFY(result.path.startsWith(parent));
    QDir(temp.filePath(QStringLiteral("a"))).removeRecursively();
}

QTEST_APPLESS_MAIN(TestPrivateFile)
#include "test_privatefile.moc"
