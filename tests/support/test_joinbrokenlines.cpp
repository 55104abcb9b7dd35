#include "support/joinbrokenlines.h"

#include <QTest>

class TestJoinBrokenLines : public QObject {
    Q_OBJECT

private slots:
    void joins_data();
    void joins();
};

void TestJoinBrokenLines::joins_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("joined");

    QTest::newRow("after a comma") << "боль в горле,\r\nкашель"
                                   << "боль в горле, кашель";
    QTest::newRow("between small letters") << "температура\r\nвысокая"
                                           << "температура высокая";
    QTest::newRow("after a hyphen and a colon") << "жалобы:\r\nкашель -\r\nсухой"
                                                << "жалобы: кашель - сухой";
    QTest::newRow("yo on both sides") << "всё\r\nёж"
                                      << "всё ёж";
    QTest::newRow("after a full stop") << "боль.\r\nКашель"
                                       << "боль.\r\nКашель";
    QTest::newRow("after a digit") << "Т 38\r\nкашель"
                                   << "Т 38\r\nкашель";
    QTest::newRow("before a capital") << "боль\r\nКашель"
                                      << "боль\r\nКашель";
    QTest::newRow("before a Latin letter") << "боль\r\ncito"
                                           << "боль\r\ncito";
    QTest::newRow("break at the start") << "\r\nкашель"
                                        << "\r\nкашель";
    QTest::newRow("break at the end") << "кашель\r\n"
                                      << "кашель\r\n";
    QTest::newRow("lone line feed") << "боль\nкашель"
                                    << "боль\nкашель";
    QTest::newRow("lone carriage return") << "боль\rкашель"
                                          << "боль\rкашель";
    QTest::newRow("blank line between") << "боль\r\n\r\nкашель"
                                        << "боль\r\n\r\nкашель";
    QTest::newRow("several breaks") << "а\r\nб\r\nв.\r\nг\r\nД"
                                    << "а б в.\r\nг\r\nД";
}

void TestJoinBrokenLines::joins() {
    QFETCH(QString, text);
    QFETCH(QString, joined);
    QCOMPARE(JoinBrokenLines(text), joined);
}

QTEST_APPLESS_MAIN(TestJoinBrokenLines)
#include "test_joinbrokenlines.moc"
