// The filter's rules: the birth dates of an age range, the date presets, and what the statement
// finds in a register.

#include "filter/datepresets.h"
#include "filter/filterstatement.h"
#include "openregister.h"

#include <QTest>

#include <memory>

using namespace filter;

Q_DECLARE_METATYPE(filter::Preset)
Q_DECLARE_METATYPE(filter::Criteria)

namespace {
const QDate kToday(2024, 3, 31);
}

class TestFilterStatement : public QObject {
    Q_OBJECT

    std::unique_ptr<OpenRegister> reg;

    void execute(const QString &sql) { reg->execute(sql); }

    QStringList found(const Criteria &criteria) {
        QStringList names;
        for (const QVariantList &row : reg->rows(statement(criteria, kToday)))
            names << row.value(1).toString();
        return names;
    }

    // Patients by surname, each with the visits the cases below need. Doctors 1 and 2,
    // diagnoses 1 and 2.
    void makeRegister() {
        struct Visit {
            int id, patient, doctor;
            const char *date;
            const char *complaints;
            int diagnosis; // 0: no diagnosis row
        };
        const QList<std::tuple<int, const char *, const char *, const char *>> patients = {
            {1, "Вчерашний", "30.03.1974", "аллергия на пенициллин"},
            {2, "Сегодняшний", "31.03.1974", nullptr},
            {3, "Молодой", "31.03.2004", nullptr},
            {4, "Безданный", nullptr, "О'Нил"},
            {5, "Двухвизитный", "01.01.1990", nullptr},
            {6, "Бездиагнозный", "01.01.1990", nullptr},
        };
        for (const auto &[id, name, born, anamnesis] : patients) {
            execute(QStringLiteral("insert into MAIN (ID, FIO, DATAR, ANAMNEZ) values "
                                   "(%1, '%2', %3, %4)")
                        .arg(id)
                        .arg(QString::fromUtf8(name))
                        .arg(born ? QStringLiteral("'%1'").arg(QLatin1String(born))
                                  : QStringLiteral("null"))
                        .arg(anamnesis ? QStringLiteral("'%1'").arg(
                                             QString::fromUtf8(anamnesis).replace("'", "''"))
                                       : QStringLiteral("null")));
        }
        const QList<Visit> visits = {
            {1, 1, 1, "10.03.2024", "кашель", 1},
            {2, 2, 1, "10.03.2024", "Кашель", 1},
            {3, 3, 1, "10.03.2024", "головная боль д'Аламбера", 2},
            {4, 4, 2, "10.03.2024", "боль в 100% случаев", 1},
            // One visit with doctor 2 last year, another with doctor 1 this month.
            {5, 5, 2, "10.03.2023", "кашель", 1},
            {6, 5, 1, "10.03.2024", "насморк", 2},
            {7, 6, 1, "10.03.2024", "кашель", 0},
        };
        for (const Visit &v : visits) {
            execute(QStringLiteral("insert into CARD (C_ID, C_KEY, C_DOC, C_DATE, C_ZHALOBA) "
                                   "values (%1, %2, %3, '%4', '%5')")
                        .arg(v.id)
                        .arg(v.patient)
                        .arg(v.doctor)
                        .arg(QLatin1String(v.date))
                        .arg(QString::fromUtf8(v.complaints).replace("'", "''")));
            if (v.diagnosis) {
                execute(QStringLiteral("insert into DIAGNOZ (G_ID, G_KEY, G_DIAG) values "
                                       "(%1, %1, %2)")
                            .arg(v.id)
                            .arg(v.diagnosis));
            }
        }
    }

private Q_SLOTS:
    void initTestCase() {
        reg = std::make_unique<OpenRegister>();
        makeRegister();
    }
    void cleanupTestCase() { reg.reset(); }

    void birthDates_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::newRow("20 to 50") << kToday << 20 << 50 << QDate(1974, 3, 31) << QDate(2004, 3, 31);
        QTest::newRow("50 to 20") << kToday << 50 << 20 << QDate(1974, 3, 31) << QDate(2004, 3, 31);
        // On 29 February the day is lowered in a year without one, and stays lowered.
        QTest::newRow("29 February, 1 then 4")
            << QDate(2024, 2, 29) << 1 << 4 << QDate(2020, 2, 28) << QDate(2023, 2, 28);
        QTest::newRow("29 February, 4 then 1")
            << QDate(2024, 2, 29) << 4 << 1 << QDate(2020, 2, 29) << QDate(2023, 2, 28);
    }
    void birthDates() {
        QFETCH(QDate, today);
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        const DateRange born = filter::birthDates({first, second}, today);
        QCOMPARE(born.first, from);
        QCOMPARE(born.second, to);
    }

    void presets_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<Preset>("preset");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        const QDate january(2024, 1, 15);
        QTest::newRow("this year")
            << january << Preset::ThisYear << QDate(2024, 1, 1) << QDate(2024, 12, 31);
        QTest::newRow("last year")
            << january << Preset::LastYear << QDate(2023, 1, 1) << QDate(2023, 12, 31);
        QTest::newRow("this month, leap February")
            << QDate(2024, 2, 10) << Preset::ThisMonth << QDate(2024, 2, 1) << QDate(2024, 2, 29);
        QTest::newRow("last month in January")
            << january << Preset::LastMonth << QDate(2023, 12, 1) << QDate(2023, 12, 31);
        QTest::newRow("last 30 days on 31 March")
            << kToday << Preset::Last30Days << QDate(2024, 2, 29) << kToday;
        QTest::newRow("last 30 days in January")
            << january << Preset::Last30Days << QDate(2023, 12, 15) << january;
        QTest::newRow("last 12 months on 29 February") << QDate(2024, 2, 29) << Preset::Last12Months
                                                       << QDate(2023, 2, 28) << QDate(2024, 2, 29);
    }
    void presets() {
        QFETCH(QDate, today);
        QFETCH(Preset, preset);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        const DateRange range = presetRange(preset, today);
        QCOMPARE(range.first, from);
        QCOMPARE(range.second, to);
    }

    void yearCaptions() {
        QCOMPARE(presetCaption(Preset::ThisYear, kToday), QStringLiteral("Этот год (2024)"));
        QCOMPARE(presetCaption(Preset::LastYear, kToday), QStringLiteral("Прошлый год (2023)"));
    }

    void finds_data() {
        QTest::addColumn<Criteria>("criteria");
        QTest::addColumn<QStringList>("names");
        auto with = [](auto change) {
            Criteria criteria;
            change(criteria);
            return criteria;
        };
        const QStringList everyone = {"Безданный",    "Бездиагнозный", "Вчерашний",
                                      "Двухвизитный", "Молодой",       "Сегодняшний"};
        QTest::newRow("nothing ticked: every patient with a visit") << Criteria() << everyone;
        QTest::newRow("ages 50 to 20: turned 50 today, not yesterday") << with([](Criteria &c) {
            c.ages = AgeRange{50, 20};
        }) << QStringList{"Бездиагнозный", "Двухвизитный", "Молодой", "Сегодняшний"};
        QTest::newRow("doctor and dates apply to one visit") << with([](Criteria &c) {
            c.doctor = 2;
            c.visitDates = DateRange{QDate(2024, 3, 1), kToday};
        }) << QStringList{"Безданный"};
        QTest::newRow("a period of one day holds that day") << with([](Criteria &c) {
            c.visitDates = DateRange{QDate(2023, 3, 10), QDate(2023, 3, 10)};
        }) << QStringList{"Двухвизитный"};
        QTest::newRow("first date after the second") << with([](Criteria &c) {
            c.visitDates = DateRange{kToday, QDate(2024, 3, 1)};
        }) << QStringList();
        QTest::newRow("diagnosis")
            << with([](Criteria &c) { c.diagnosis = 2; }) << QStringList{"Двухвизитный", "Молодой"};
        QTest::newRow("words, letter case as typed")
            << with([](Criteria &c) { c.complaints = "кашель"; })
            << QStringList{"Бездиагнозный", "Вчерашний", "Двухвизитный"};
        QTest::newRow("words and diagnosis in one visit") << with([](Criteria &c) {
            c.complaints = "кашель";
            c.diagnosis = 2;
        }) << QStringList();
        QTest::newRow("apostrophe in the words")
            << with([](Criteria &c) { c.complaints = "д'Аламбер"; }) << QStringList{"Молодой"};
        QTest::newRow("apostrophe in the life anamnesis")
            << with([](Criteria &c) { c.lifeAnamnesis = "О'Нил"; }) << QStringList{"Безданный"};
        QTest::newRow("per cent is a wildcard")
            << with([](Criteria &c) { c.complaints = "боль%случа"; }) << QStringList{"Безданный"};
    }
    void finds() {
        QFETCH(Criteria, criteria);
        QFETCH(QStringList, names);
        QStringList result = found(criteria);
        result.sort();
        QCOMPARE(result, names);
    }
};

QTEST_GUILESS_MAIN(TestFilterStatement)
#include "test_filterstatement.moc"
