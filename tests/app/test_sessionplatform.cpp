// The windowing platform a run chooses from its session.

#include "app/sessionplatform.h"

#include <QTest>

class TestSessionPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void platformFor_data() {
        QTest::addColumn<QByteArray>("chosen");
        QTest::addColumn<QByteArray>("sessionType");
        QTest::addColumn<QByteArray>("waylandDisplay");
        QTest::addColumn<QByteArray>("platform");
        QTest::newRow("Wayland session") << QByteArray() << QByteArray("wayland")
                                         << QByteArray("wayland-0") << QByteArray("xcb;wayland");
        QTest::newRow("Wayland display alone")
            << QByteArray() << QByteArray() << QByteArray("wayland-0") << QByteArray("xcb;wayland");
        QTest::newRow("session type in capitals")
            << QByteArray() << QByteArray("Wayland") << QByteArray() << QByteArray("xcb;wayland");
        QTest::newRow("the user's choice stands") << QByteArray("wayland") << QByteArray("wayland")
                                                  << QByteArray("wayland-0") << QByteArray();
        QTest::newRow("X11 session")
            << QByteArray() << QByteArray("x11") << QByteArray() << QByteArray();
        QTest::newRow("no session") << QByteArray() << QByteArray() << QByteArray() << QByteArray();
    }
    void platformFor() {
        QFETCH(QByteArray, chosen);
        QFETCH(QByteArray, sessionType);
        QFETCH(QByteArray, waylandDisplay);
        QFETCH(QByteArray, platform);
        QCOMPARE(sessionplatform::platformFor(chosen, sessionType, waylandDisplay), platform);
    }
};

QTEST_GUILESS_MAIN(TestSessionPlatform)
#include "test_sessionplatform.moc"
