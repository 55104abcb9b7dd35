#include "support/tempfolder.h"

#include <QTemporaryDir>
#include <QTest>

class TestTempFolder : public QObject {
    Q_OBJECT

private slots:
    void followsTheSystem();
};

// The folder the system names, ending with a separator so that a file name can follow; with no
// usable name from the system, still a folder.
void TestTempFolder::followsTheSystem() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray saved = qgetenv("TMPDIR");

    qputenv("TMPDIR", dir.path().toUtf8());
    QCOMPARE(GetTempFolder(), dir.path() + '/');

    qputenv("TMPDIR", "");
    const QString fallback = GetTempFolder();
    QVERIFY(!fallback.isEmpty());
    QVERIFY(fallback.endsWith('/'));

    qputenv("TMPDIR", saved);
}

QTEST_APPLESS_MAIN(TestTempFolder)
#include "test_tempfolder.moc"
