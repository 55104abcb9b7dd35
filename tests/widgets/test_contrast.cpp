// Text colours against their backgrounds: the contrast ratio, and dimmed text that stays
// readable in a light and a dark palette and on a highlighted row.

#include "widgets/contrast.h"
#include "widgets/palettes.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
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

    // The palettes the program draws with: the Fusion style's own light one (the desktop's when
    // it gives none), as the program mends it, and the dark one.
    void palette_data() {
        QTest::addColumn<QPalette>("palette");
        std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        QTest::newRow("light") << palettes::readable(fusion->standardPalette());
        QTest::newRow("dark") << palettes::dark();
    }

    // Every text the program draws reads at 4.5 : 1 at least: each pair of roles it uses, the
    // dimmed rows (inactive doctors) and the address beside a name, on a row chosen or not, and
    // what a box that failed a check holds on its red.
    void palette() {
        QFETCH(QPalette, palette);
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            const auto readable = [&](const QColor &text, const QColor &background,
                                      const QString &what) {
                const double ratio = contrast::ratio(text, background);
                QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1: %2 on %3, %4")
                                                      .arg(what, text.name(), background.name())
                                                      .arg(ratio)));
            };
            for (const palettes::TextPair &pair : palettes::textPairs()) {
                readable(palette.color(group, pair.text), palette.color(group, pair.background),
                         QLatin1String(pair.where));
            }
            const QColor text = palette.color(group, QPalette::Text);
            const QColor base = palette.color(group, QPalette::Base);
            const QColor chosen = palette.color(group, QPalette::Highlight);
            const QColor chosenText = palette.color(group, QPalette::HighlightedText);
            readable(contrast::dimmedText(text, base), base, QStringLiteral("dimmed row"));
            readable(contrast::dimmedText(chosenText, chosen), chosen,
                     QStringLiteral("address on the chosen row"));
            readable(text, contrast::failedBackground(text), QStringLiteral("failed box"));
        }
    }

    // The red of a failed check stays the plain red under dark text, and turns darker under
    // light text until that reads on it.
    void failedBackground_data() {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<bool>("plainRed");
        QTest::newRow("black text") << QColor(Qt::black) << true;
        QTest::newRow("white text") << QColor(Qt::white) << false;
        QTest::newRow("light grey text") << QColor(235, 235, 235) << false;
    }
    void failedBackground() {
        QFETCH(QColor, text);
        QFETCH(bool, plainRed);
        const QColor red = contrast::failedBackground(text);
        QCOMPARE(red == QColor(Qt::red), plainRed);
        QVERIFY(contrast::ratio(text, red) >= 4.5);
        QVERIFY(red.red() > 2 * std::max(red.green(), red.blue())); // still red
    }

    // A palette that reads well is left as the desktop gave it.
    void readablePaletteUnchanged() {
        QPalette palette(Qt::black, QColor(240, 240, 240), Qt::white, Qt::darkGray, Qt::gray,
                         Qt::black, Qt::white, Qt::white, QColor(240, 240, 240));
        palette.setColor(QPalette::Highlight, QColor(0, 70, 140));
        palette.setColor(QPalette::HighlightedText, Qt::white);
        palette.setColor(QPalette::ToolTipBase, Qt::white);
        palette.setColor(QPalette::ToolTipText, Qt::black);
        palette.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
        QCOMPARE(palettes::readable(palette), palette);
    }
};

QTEST_MAIN(TestContrast)
#include "test_contrast.moc"
