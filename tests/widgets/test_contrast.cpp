// Text colours against their backgrounds: the contrast ratio, and dimmed text that stays
// readable in a light and a dark palette and on a highlighted row.

#include "widgets/contrast.h"

#include <QTest>

class TestContrast : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ratioOfKnownPairs_data() {
        QTest::addColumn<QColor>("one");
        QTest::addColumn<QColor>("other");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("the same") << QColor(Qt::red) << QColor(Qt::red) << 1.0;
        QTest::newRow("the old grey on white")
            << QColor(128, 128, 128) << QColor(Qt::white) << 3.95;
    }
    void ratioOfKnownPairs() {
        QFETCH(QColor, one);
        QFETCH(QColor, other);
        QFETCH(double, ratio);
        QVERIFY(qAbs(contrast::ratio(one, other) - ratio) < 0.01);
        QVERIFY(qAbs(contrast::ratio(other, one) - ratio) < 0.01);
    }

    void dimmedTextStaysReadable_data() {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        QTest::newRow("light") << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("dark") << QColor(Qt::white) << QColor(42, 42, 42);
        QTest::newRow("highlighted row") << QColor(Qt::white) << QColor(48, 140, 198);
        QTest::newRow("already faint") << QColor(150, 150, 150) << QColor(Qt::white);
    }
    void dimmedTextStaysReadable() {
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        const QColor dimmed = contrast::dimmedText(text, background);
        const double before = contrast::ratio(text, background);
        const double after = contrast::ratio(dimmed, background);
        QVERIFY(after <= before);
        if (before >= 4.5) {
            QVERIFY2(after >= 4.5, qPrintable(dimmed.name()));
            QVERIFY(dimmed != text); // dimmer where there is room for it
        } else {
            QCOMPARE(dimmed, text);
        }
    }
};

QTEST_GUILESS_MAIN(TestContrast)
#include "test_contrast.moc"
