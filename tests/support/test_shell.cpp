#include "support/shell.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QTest>
#include <QUrl>

// Stands in for the desktop's opener: records what it was asked to open and the cursor shown.
class Opener : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;
    QList<Qt::CursorShape> cursors;

public slots:
    void open(const QUrl &url) {
        opened += url;
        const QCursor *cursor = QGuiApplication::overrideCursor();
        cursors += cursor ? cursor->shape() : Qt::ArrowCursor;
    }
};

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void opens_data();
    void opens();

private:
    Opener opener_;
};

void TestShell::initTestCase() {
    for (const char *scheme : {"file", "https", "mailto"})
        QDesktopServices::setUrlHandler(scheme, &opener_, "open");
}

void TestShell::cleanupTestCase() {
    for (const char *scheme : {"file", "https", "mailto"})
        QDesktopServices::unsetUrlHandler(scheme);
}

void TestShell::opens_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QUrl>("url");

    QTest::newRow("document") << "/tmp/report_patient.rtf"
                              << QUrl::fromLocalFile("/tmp/report_patient.rtf");
    QTest::newRow("document beside the program")
        << "report_patient.rtf"
        << QUrl::fromLocalFile(QDir::current().filePath("report_patient.rtf"));
    QTest::newRow("web address") << "https://ventrel.example/" << QUrl("https://ventrel.example/");
    QTest::newRow("mail address") << "mailto:author@ventrel.example?subject=Вентрель 2.0.0.42"
                                  << QUrl(
                                         "mailto:author@ventrel.example?subject=Вентрель 2.0.0.42");
}

void TestShell::opens() {
    QFETCH(QString, target);
    QFETCH(QUrl, url);
    opener_.opened.clear();
    opener_.cursors.clear();

    OpenWithShell(target, ShowMode::Maximized);

    QCOMPARE(opener_.opened, QList<QUrl>{url});
    QCOMPARE(opener_.cursors, QList<Qt::CursorShape>{Qt::BusyCursor});
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestShell)
#include "test_shell.moc"
