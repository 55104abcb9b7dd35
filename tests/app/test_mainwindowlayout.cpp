// The main window's geometry: the buttons that give way on a narrow window, and the address
// beside a patient's name.

#include "app/mainwindowlayout.h"

#include <QTest>

class TestMainWindowLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void buttonsGiveWay_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("add");
        QTest::addColumn<bool>("exit");
        QTest::newRow("design") << 526 << true << true;
        QTest::newRow("450") << 450 << true << true;
        QTest::newRow("449") << 449 << false << true;
        QTest::newRow("332") << 332 << false << true;
        QTest::newRow("331") << 331 << false << false;
    }
    void buttonsGiveWay() {
        QFETCH(int, width);
        QFETCH(bool, add);
        QFETCH(bool, exit);
        const mainlayout::Places places = mainlayout::placesFor(QSize(width, 380), 22);
        QCOMPARE(places.addVisible, add);
        QCOMPARE(places.exitVisible, exit);
    }

    void placesFollowTheRightEdge() {
        const mainlayout::Places places = mainlayout::placesFor(QSize(526, 388), 22);
        QCOMPARE(places.search, QRect(8, 8, 241, 22));
        QCOMPARE(places.add, QRect(328, 8, 113, 25));
        QCOMPARE(places.exit, QRect(446, 8, 75, 25));
        QCOMPARE(places.list, QRect(0, 40, 526, 348));
    }

    void address_data() {
        QTest::addColumn<int>("nameWidth");
        QTest::addColumn<int>("addressWidth");
        QTest::addColumn<QPoint>("at");
        // A cell from x 10 to 310 and y 40 to 60, an address 12 pixels high.
        QTest::newRow("short, right-aligned") << 150 << 100 << QPoint(208, 45);
        QTest::newRow("just fits") << 150 << 147 << QPoint(161, 45);
        QTest::newRow("one too long, after the name") << 150 << 148 << QPoint(168, 45);
        QTest::newRow("long, after the name") << 150 << 400 << QPoint(168, 45);
    }
    void address() {
        QFETCH(int, nameWidth);
        QFETCH(int, addressWidth);
        QFETCH(QPoint, at);
        QCOMPARE(
            mainlayout::addressPosition(QRect(10, 40, 300, 20), nameWidth, QSize(addressWidth, 12)),
            at);
    }
};

QTEST_GUILESS_MAIN(TestMainWindowLayout)
#include "test_mainwindowlayout.moc"
