// The work-area edge rule.

#include "widgets/edgerule.h"

#include <QTest>

class TestEdgeRule : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void snap_data() {
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<QRect>("proposed");
        QTest::addColumn<QPoint>("placed");
        // A work area of 1000 × 800 and a window of 200 × 100, away from the other edges.
        const QRect area(0, 0, 1000, 800);
        QTest::newRow("left 20") << area << QRect(20, 300, 200, 100) << QPoint(0, 300);
        QTest::newRow("left 21") << area << QRect(21, 300, 200, 100) << QPoint(21, 300);
        QTest::newRow("right 20") << area << QRect(780, 300, 200, 100) << QPoint(800, 300);
        QTest::newRow("right 21") << area << QRect(779, 300, 200, 100) << QPoint(779, 300);
        QTest::newRow("top 20") << area << QRect(400, 20, 200, 100) << QPoint(400, 0);
        QTest::newRow("top 21") << area << QRect(400, 21, 200, 100) << QPoint(400, 21);
        QTest::newRow("bottom 20") << area << QRect(400, 680, 200, 100) << QPoint(400, 700);
        QTest::newRow("bottom 21") << area << QRect(400, 679, 200, 100) << QPoint(400, 679);
        QTest::newRow("pushed past the left")
            << area << QRect(-50, 300, 200, 100) << QPoint(0, 300);
        QTest::newRow("pushed past the bottom")
            << area << QRect(400, 750, 200, 100) << QPoint(400, 700);
        QTest::newRow("towards a second display")
            << area << QRect(1500, 300, 200, 100) << QPoint(800, 300);
        QTest::newRow("wider than the area")
            << area << QRect(100, 300, 1200, 100) << QPoint(-200, 300);
        QTest::newRow("taller than the area")
            << area << QRect(400, 50, 200, 900) << QPoint(400, -100);
        QTest::newRow("panel at the top left")
            << QRect(48, 30, 952, 770) << QRect(60, 45, 200, 100) << QPoint(48, 30);
    }
    void snap() {
        QFETCH(QRect, workArea);
        QFETCH(QRect, proposed);
        QFETCH(QPoint, placed);
        QCOMPARE(snapToWorkArea(proposed, workArea), placed);
    }
};

QTEST_GUILESS_MAIN(TestEdgeRule)
#include "test_edgerule.moc"
