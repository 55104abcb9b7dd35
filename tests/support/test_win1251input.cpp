// Typed or pasted text on its way into a Windows-1251 field: plain equivalents for common signs,
// refusal naming every other character the code page lacks.

#include "support/win1251codec.h"
#include "support/win1251input.h"

#include <QTest>

class TestWin1251Input : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void adapts_data();
    void adapts();
    void everyPlainSignFitsTheCodePage();
    void reasonNamesEveryCharacter();
};

void TestWin1251Input::adapts_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("before"); // the character the input goes after, if any
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("refused");
    const auto row = [](const char *name, const QString &typed, const QString &text,
                        const QStringList &refused = {}, const QString &before = {}) {
        QTest::newRow(name) << typed << before << text << refused;
    };

    row("code page only", QStringLiteral("Т 38,5°; № 5 «да» — “нет”… ±"),
        QStringLiteral("Т 38,5°; № 5 «да» — “нет”… ±"));
    row("dose and temperature", QStringLiteral("Т ≥ 38,5°; ½ таб."),
        QStringLiteral("Т >= 38,5°; 1/2 таб."));
    row("comparisons", QStringLiteral("≤5, ⩾7, ≈3"), QStringLiteral("<=5, >=7, ~3"));
    row("fraction after a number set apart", QStringLiteral("1½ таб., ¼ и 2¾"),
        QStringLiteral("1 1/2 таб., 1/4 и 2 3/4"));
    row("fraction typed after a number", QStringLiteral("½"), QStringLiteral(" 1/2"), {},
        QStringLiteral("1"));
    row("fraction typed after a word", QStringLiteral("½"), QStringLiteral("1/2"), {},
        QStringLiteral("я"));
    row("minus and hyphens", QStringLiteral("−5…‑2, Т‒Б"), QStringLiteral("-5…-2, Т-Б"));
    row("arrows", QStringLiteral("ОРВИ → бронхит ← грипп"),
        QStringLiteral("ОРВИ -> бронхит <- грипп"));
    row("typographic spaces and joiners", QStringLiteral("10\u202F000\u2009мг\u200B\uFEFF"),
        QStringLiteral("10 000 мг"));
    row("micro and degrees", QStringLiteral("50 μг, 37℃"), QStringLiteral("50 µг, 37°C"));
    row("letter with a combining mark joined", QStringLiteral("Сергеи\u0306"),
        QStringLiteral("Сергей"));
    // Everything refused is named once, in order; a refused input gives no text to take.
    row("count with a superscript refused", QStringLiteral("6,5×10⁹/л"), QString(),
        {QStringLiteral("⁹")});
    row("every refused character named", QStringLiteral("Т ≥ 38 ≠ 39 😀 ≠ é"), QString(),
        {QStringLiteral("≠"), QStringLiteral("😀"), QStringLiteral("é")});
}

void TestWin1251Input::adapts() {
    QFETCH(QString, typed);
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(QStringList, refused);
    const win1251::Input input =
        win1251::adaptInput(typed, before.isEmpty() ? QChar() : before.front());
    QCOMPARE(input.refused, refused);
    if (refused.isEmpty()) {
        QCOMPARE(input.text, text);
        QVERIFY(win1251::canEncode(input.text));
    }
}

// A sign is in the table only because the code page lacks it, and what stands for it fits.
void TestWin1251Input::everyPlainSignFitsTheCodePage() {
    for (const win1251::PlainSign &sign : win1251::plainSigns()) {
        const QString character(QChar(sign.sign)); // all of them in the first plane
        QVERIFY2(!win1251::canEncode(character), qPrintable(character));
        QVERIFY2(win1251::canEncode(sign.plain.toString()), qPrintable(character));
        QCOMPARE(win1251::adaptInput(character).text, sign.plain.toString());
    }
}

void TestWin1251Input::reasonNamesEveryCharacter() {
    QCOMPARE(win1251::refusalReason({QStringLiteral("≠")}),
             QStringLiteral("знака «≠» нет в кодировке Windows-1251"));
    QCOMPARE(win1251::refusalReason({QStringLiteral("≠"), QStringLiteral("😀")}),
             QStringLiteral("знаков «≠», «😀» нет в кодировке Windows-1251"));
}

QTEST_APPLESS_MAIN(TestWin1251Input)
#include "test_win1251input.moc"
