// Month-back and year-back dates and the age in whole years.

#include "support/dates.h"

#include <QTest>

class TestDates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backDates_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("monthBack");
        QTest::addColumn<QDate>("yearBack");
        QTest::newRow("ordinary") << QDate(2024, 6, 15) << QDate(2024, 5, 15) << QDate(2023, 6, 15);
        QTest::newRow("January") << QDate(2024, 1, 15) << QDate(2023, 12, 15) << QDate(2023, 1, 15);
        QTest::newRow("31 March, leap")
            << QDate(2024, 3, 31) << QDate(2024, 2, 29) << QDate(2023, 3, 31);
        QTest::newRow("31 March") << QDate(2023, 3, 31) << QDate(2023, 2, 28) << QDate(2022, 3, 31);
        QTest::newRow("31 May") << QDate(2023, 5, 31) << QDate(2023, 4, 30) << QDate(2022, 5, 31);
        QTest::newRow("29 February")
            << QDate(2024, 2, 29) << QDate(2024, 1, 29) << QDate(2023, 2, 28);
    }
    void backDates() {
        QFETCH(QDate, today);
        QFETCH(QDate, monthBack);
        QFETCH(QDate, yearBack);
        QCOMPARE(dates::monthBack(today), monthBack);
        QCOMPARE(dates::yearBack(today), yearBack);
    }

    void age_data() {
        QTest::addColumn<QDate>("born");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("age");
        QTest::addColumn<int>("shown"); // the age a patient's card shows
        const QDate born(2020, 3, 10);
        QTest::newRow("05:59 a year on") << born << QDateTime({2021, 3, 10}, {5, 59}) << 0 << 0;
        QTest::newRow("06:00 a year on") << born << QDateTime({2021, 3, 10}, {6, 0}) << 1 << 1;
        QTest::newRow("day of birth") << born << QDateTime(born, {23, 0}) << 0 << 0;
        QTest::newRow("future") << born << QDateTime({2017, 3, 10}, {0, 0}) << 3 << 0;
        QTest::newRow("born tomorrow") << born << QDateTime({2020, 3, 9}, {23, 0}) << 0 << 0;
        QTest::newRow("a long life")
            << QDate(1925, 1, 1) << QDateTime({2025, 1, 2}, {12, 0}) << 100 << 100;
        QTest::newRow("no date of birth") << QDate() << QDateTime({2025, 1, 2}, {12, 0}) << -1 << 0;
    }
    void age() {
        QFETCH(QDate, born);
        QFETCH(QDateTime, now);
        QFETCH(int, age);
        QFETCH(int, shown);
        if (age >= 0)
            QCOMPARE(dates::ageInYears(born, now), age);
        QCOMPARE(dates::ageSinceBirth(born, now), shown);
        dates::setClock([now] { return now; });
        QCOMPARE(dates::ageSinceBirth(born), shown);
        if (age >= 0)
            QCOMPARE(dates::ageInYears(born), age);
        QCOMPARE(dates::today(), now.date());
        dates::setClock({});
    }

    void statementLiteral() {
        QCOMPARE(dates::toSqlLiteral(QDate(2024, 3, 5)), QStringLiteral("'05.03.2024'"));
    }
};

QTEST_GUILESS_MAIN(TestDates)
#include "test_dates.moc"
