// The reports' periods: the ready-made ones of the date boxes' menu, the columns "Приёмы по
// врачам" counts in, and the names of the files.

#include "reports/reportperiod.h"

#include <QTest>

using namespace reports;

class TestReportPeriod : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void presets_data() {
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QString>("caption");
        const QDate may(2024, 5, 17), january(2025, 1, 15);
        QTest::newRow("today") << Preset::Today << may << may << may << "Сегодня";
        QTest::newRow("this month")
            << Preset::ThisMonth << may << QDate(2024, 5, 1) << QDate(2024, 5, 31) << "Этот месяц";
        QTest::newRow("last month over a year end")
            << Preset::LastMonth << january << QDate(2024, 12, 1) << QDate(2024, 12, 31)
            << "Прошлый месяц";
        QTest::newRow("this quarter") << Preset::ThisQuarter << may << QDate(2024, 4, 1)
                                      << QDate(2024, 6, 30) << "Этот квартал (II 2024)";
        QTest::newRow("last quarter") << Preset::LastQuarter << may << QDate(2024, 1, 1)
                                      << QDate(2024, 3, 31) << "Прошлый квартал (I 2024)";
        QTest::newRow("last quarter over a year end")
            << Preset::LastQuarter << january << QDate(2024, 10, 1) << QDate(2024, 12, 31)
            << "Прошлый квартал (IV 2024)";
        QTest::newRow("this year") << Preset::ThisYear << may << QDate(2024, 1, 1)
                                   << QDate(2024, 12, 31) << "Этот год (2024)";
        QTest::newRow("last year") << Preset::LastYear << january << QDate(2024, 1, 1)
                                   << QDate(2024, 12, 31) << "Прошлый год (2024)";
    }

    void presets() {
        QFETCH(Preset, preset);
        QFETCH(QDate, today);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QFETCH(QString, caption);
        QCOMPARE(presetRange(preset, today), (Period{first, last}));
        QCOMPARE(presetCaption(preset, today), caption);
    }

    // Days for a period of a month at most, else every month it touches.
    void columns_data() {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("one day") << QDate(2024, 3, 5) << QDate(2024, 3, 5) << QStringList{"05.03"};
        QTest::newRow("a whole month") << QDate(2024, 2, 1) << QDate(2024, 2, 29) << QStringList{};
        QTest::newRow("a month from its middle")
            << QDate(2024, 12, 30) << QDate(2025, 1, 29) << QStringList{};
        QTest::newRow("a day more than a month")
            << QDate(2024, 12, 30) << QDate(2025, 1, 30) << QStringList{"дек 2024", "янв 2025"};
        QTest::newRow("a year and a day")
            << QDate(2024, 1, 1) << QDate(2025, 1, 1)
            << QStringList{"янв 2024", "фев 2024", "мар 2024", "апр 2024", "май 2024",
                           "июн 2024", "июл 2024", "авг 2024", "сен 2024", "окт 2024",
                           "ноя 2024", "дек 2024", "янв 2025"};
    }

    void columns() {
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QFETCH(QStringList, titles);
        const QList<QDate> days = columnDays(first, last);
        if (titles.isEmpty()) { // by day: every day of the period
            QVERIFY(countsByDay(first, last));
            QCOMPARE(days.size(), first.daysTo(last) + 1);
            QCOMPARE(days.constLast(), last);
            return;
        }
        QStringList shown;
        for (const QDate &day : days)
            shown << columnTitle(day, countsByDay(first, last));
        QCOMPARE(shown, titles);
    }

    void fileNames() {
        Parameters parameters;
        parameters.kind = Kind::Journal;
        parameters.first = parameters.last = QDate(2024, 3, 5);
        QCOMPARE(fileStem(parameters), QStringLiteral("Журнал приёма 05.03.2024"));
        parameters.kind = Kind::VisitsByDoctor;
        parameters.last = QDate(2024, 3, 31);
        QCOMPARE(fileStem(parameters), QStringLiteral("Приёмы по врачам 05.03.2024-31.03.2024"));
        QCOMPARE(periodText(parameters.first, parameters.last),
                 QStringLiteral("05.03.2024 – 31.03.2024"));
    }
};

QTEST_GUILESS_MAIN(TestReportPeriod)
#include "test_reportperiod.moc"
