#include "support/tidytext.h"

#include <QRandomGenerator>
#include <QTest>

class TestTidyText : public QObject {
    Q_OBJECT

private slots:
    void tidies_data();
    void tidies();
    void survivesAnyText_data();
    void survivesAnyText();
};

void TestTidyText::tidies_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tidied");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blanks only") << " \t \r\n "
                                 << "";
    QTest::newRow("outer blanks and double spaces") << "  a  b  "
                                                    << "a b";

    QTest::newRow("comma before a word") << "боль в горле,температура"
                                         << "боль в горле, температура";
    QTest::newRow("colon, number and unit") << "вес:70кг"
                                            << "вес: 70 кг";
    QTest::newRow("semicolon") << "а;б"
                               << "а; б";
    QTest::newRow("comma between letter and digit") << "а,5"
                                                    << "а, 5";
    QTest::newRow("comma between digit and letter") << "5,а"
                                                    << "5, а";
    QTest::newRow("decimal comma") << "доза 1,0"
                                   << "доза 1,0";
    QTest::newRow("decimal comma below one") << "0,5"
                                             << "0,5";
    QTest::newRow("zero is no number") << "0,0"
                                       << "0, 0";
    QTest::newRow("list of numbers") << "1,2,3"
                                     << "1, 2, 3";
    // A decimal number followed by a comma and a space keeps its comma, as does the next one.
    QTest::newRow("decimal before a comma") << "т тела 37,2, язык"
                                            << "т тела 37,2, язык";
    QTest::newRow("decimals in a list") << "38,5, 39,0"
                                        << "38,5, 39,0";
    QTest::newRow("decimals in a longer list") << "38,5, 39,0, 40,1 и 41,2"
                                               << "38,5, 39,0, 40,1 и 41,2";
    QTest::newRow("list of numbers before a comma") << "1,2,3, 4"
                                                    << "1, 2, 3, 4";
    QTest::newRow("zero before a comma") << "0,0, 1"
                                         << "0, 0, 1";

    QTest::newRow("N before a number") << "рецепт N5"
                                       << "рецепт № 5";
    QTest::newRow("N at the start") << "N5 выдан"
                                    << "№ 5 выдан";
    QTest::newRow("N, space, number") << "кабинет N 12"
                                      << "кабинет № 12";
    QTest::newRow("N before a form code") << "Форма N Ф-25"
                                          << "Форма № Ф-25";
    QTest::newRow("hash") << "справка #5"
                          << "справка № 5";
    QTest::newRow("N inside a Latin word") << "DN5"
                                           << "DN5";
    QTest::newRow("NN") << "NN5"
                        << "№№ 5";
    QTest::newRow("sign before a list") << "N5,6,7"
                                        << "№ 5, 6, 7";
    QTest::newRow("range with two signs") << "№ 5 - № 7"
                                          << "№№ 5-7";
    // The range's number stays whatever white space surrounds the hyphen.
    QTest::newRow("range, no space before hyphen") << "справки №5- №7"
                                                   << "справки №№ 5-7";
    QTest::newRow("range, tab after hyphen") << "справки № 5 -\t№ 7"
                                             << "справки №№ 5-7";
    QTest::newRow("runs of signs") << "№№№№"
                                   << "№№№№";

    QTest::newRow("brackets get outer spaces") << "ОРВИ(острое)течение"
                                               << "ОРВИ (острое) течение";
    QTest::newRow("brackets lose inner spaces") << "слово( текст )"
                                                << "слово(текст)";
    QTest::newRow("slashes as brackets") << "дано /Иванову/ "
                                         << "дано (Иванову)";
    QTest::newRow("party abbreviation") << "КП /б/ текст"
                                        << "КП(б) текст";
    QTest::newRow("backslash") << "текст \\ путь"
                               << "текст / путь";
    QTest::newRow("double hyphen") << "а -- б"
                                   << "а - б";

    QTest::newRow("abbreviations") << "см.рис.1"
                                   << "см. рис. 1";
    QTest::newRow("sentence end") << "конец.Начало"
                                  << "конец. Начало";
    QTest::newRow("abbreviation t.ch. kept") << "в т.ч."
                                             << "в т.ч.";
    QTest::newRow("abbreviation t.d kept") << "т.д"
                                           << "т.д";
    QTest::newRow("two initials") << "Иванов И. И."
                                  << "Иванов И.И.";
    QTest::newRow("initial before a name") << "Петров А.Иванович"
                                           << "Петров А. Иванович";
    // Whether there is room for the name is judged on the length the text had before the scan.
    QTest::newRow("initial near the end") << "Петров А .Ив"
                                          << "Петров А. Ив";
    QTest::newRow("i t. p. needs a space before it") << "и т. д. и т. п."
                                                     << "и т. д. и т.п.";

    QTest::newRow("year against a word") << "в 1990году"
                                         << "в 1990 году";
    QTest::newRow("year against its abbreviation") << "справка от 12.05.2003г"
                                                   << "справка от 12.05.2003 г.";
    QTest::newRow("year at the start") << "1990г"
                                       << "1990г";
    QTest::newRow("year of birth abbreviation") << "1990 г. р."
                                                << "1990 г.р.";
    QTest::newRow("year after the year-of-birth abbreviation") << "(г.р.1990)"
                                                               << "(г.р. 1990)";
    QTest::newRow("year range before the abbreviation") << "с 1990 - 1995 г."
                                                        << "с 1990-1995 г.";
    QTest::newRow("year range in brackets") << "болел (1990 - 1995) долго"
                                            << "болел (1990-1995) долго";
    QTest::newRow("reversed range in brackets") << "болел (1995 - 1990) долго"
                                                << "болел (1995 - 1990) долго";
    QTest::newRow("reversed range before the abbreviation") << "с 1995 - 1990 г."
                                                            << "с 1995 - 1990 г.";
    QTest::newRow("range in brackets ends the text") << "болел (1990 - 1995)"
                                                     << "болел (1990 - 1995)";

    QTest::newRow("number range, space before hyphen") << "на 5 -7 день"
                                                       << "на 5-7 день";
    QTest::newRow("number range, space after hyphen") << "на 5- 7 день"
                                                      << "на 5-7 день";
    QTest::newRow("dash before a capital") << "жар -Озноб"
                                           << "жар - Озноб";
    QTest::newRow("dash after a small letter") << "жар- Озноб"
                                               << "жар - Озноб";
    QTest::newRow("unit after two digits") << "10мг"
                                           << "10 мг";
    QTest::newRow("unit after one digit") << "5мг"
                                          << "5мг";
    QTest::newRow("dose with a unit after one digit") << "доза 5мг"
                                                      << "доза 5мг";
    QTest::newRow("unit before a full stop") << "доза 25мг."
                                             << "доза 25 мг.";

    QTest::newRow("quotes with inner spaces") << "диагноз \" ОРВИ \" подтверждён"
                                              << "диагноз \"ОРВИ\" подтверждён";
    QTest::newRow("free quotes in the middle") << "сказал \" привет \" и \" пока \" все"
                                               << "сказал \"привет\" и \"пока\" все";
    QTest::newRow("punctuation after the closing quote") << "\"см. выписку\"."
                                                         << "\"см. выписку\".";
    QTest::newRow("comma and semicolon after quotes") << "\"да\", потом \"нет\";"
                                                      << "\"да\", потом \"нет\";";
    QTest::newRow("word after the closing quote") << "\"ОРВИ\"подтверждён"
                                                  << "\"ОРВИ\" подтверждён";
    QTest::newRow("one quote") << "\""
                               << "\"";
    QTest::newRow("quotes only") << "\"\"\"\""
                                 << "\"\"\"\"";
    QTest::newRow("spaces around line breaks and tabs") << "боль \r\n кашель \t жар"
                                                        << "боль\r\nкашель\tжар";
}

void TestTidyText::tidies() {
    QFETCH(QString, text);
    QFETCH(QString, tidied);
    QCOMPARE(TidyText(text), tidied);
}

// Any text comes back tidied, whatever it holds; the checks are the two the last steps guarantee.
void TestTidyText::survivesAnyText_data() {
    QTest::addColumn<QString>("text");

    // Every character of the code page, 64 KiB of them in random order.
    QString codePage;
    for (char16_t c = 1; c < 0x80; ++c)
        codePage += QChar(c);
    codePage +=
        QStringLiteral("ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏђ‘’“”•–—™љ›њќћџ\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї°±Ііґµ¶·ё№є»јЅѕї");
    for (char16_t c = u'А'; c <= u'я'; ++c)
        codePage += QChar(c);
    QRandomGenerator random(20240611);
    QString noise;
    for (int k = 0; k < 65536; ++k)
        noise += codePage[random.bounded(int(codePage.size()))];
    QTest::newRow("random 64 KiB") << noise;

    // The characters the rules react to, densely packed.
    const QString busy = QStringLiteral("N№#\"()/\\.,;:- 19г2т0д\r\n\tКПб");
    QString packed;
    for (int k = 0; k < 65536; ++k)
        packed += busy[random.bounded(int(busy.size()))];
    QTest::newRow("rule characters 64 KiB") << packed;

    QTest::newRow("unpaired quotes") << "\" а \" \" б\" \"";
    QTest::newRow("signs and commas") << "№,№ ,№1,№ 1, -№ 2 - №" + QString(200, u'№');
    QTest::newRow("control characters") << QStringLiteral("\x01(\x02)\x03N\x04"
                                                          "5\x05,\x06");
}

void TestTidyText::survivesAnyText() {
    QFETCH(QString, text);
    const QString tidied = TidyText(text);
    QVERIFY(!tidied.contains(QStringLiteral("  ")));
    QVERIFY(tidied.isEmpty() || tidied.front().unicode() > 32);
}

QTEST_APPLESS_MAIN(TestTidyText)
#include "test_tidytext.moc"
