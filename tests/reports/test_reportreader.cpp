// The reports' statements on a small register whose answers are written out by hand
// (reportfixture.h), and the age they count with, which must be the one the card shows.

#include "data/shareddata.h"
#include "reportfixture.h"
#include "reports/csvexport.h"
#include "reports/reportreader.h"
#include "reports/reportsql.h"
#include "support/dates.h"

#include <QTest>

using namespace reports;

namespace {

// The table as the views show it, a row a line with "|" between the cells: the answers below
// read as the report does.
QStringList shown(const Table &table) {
    QStringList rows;
    QStringList cells;
    for (const Column &column : table.columns)
        cells << column.title;
    rows << cells.join(u'|');
    for (const QVariantList &row : table.rows) {
        cells.clear();
        for (qsizetype c = 0; c < table.columns.size(); ++c)
            cells << cellText(row.value(c), table.columns[c].kind);
        rows << cells.join(u'|');
    }
    return rows;
}

Parameters period(Kind kind, QDate first = reportfixture::kFirst,
                  QDate last = reportfixture::kLast) {
    Parameters parameters;
    parameters.kind = kind;
    parameters.first = first;
    parameters.last = last;
    return parameters;
}

Parameters ofDoctor(Kind kind, int doctor, const QString &name) {
    Parameters parameters = period(kind);
    parameters.doctor = doctor;
    parameters.doctorName = name;
    return parameters;
}

} // namespace

class TestReportReader : public QObject {
    Q_OBJECT

    TestDatabase db;
    Connection connection;

private Q_SLOTS:
    void initTestCase() {
        reportfixture::fill(db.path());
        connection.open(db.path());
    }
    void cleanupTestCase() { connection.close(); }

    // Doctors by name, namesakes apart, the visits without a doctor last; months over the year
    // end; the visit without a date and the one after the period nowhere.
    void visitsByDoctor() {
        const Table table = read(connection, period(Kind::VisitsByDoctor));
        QCOMPARE(table.title, QStringLiteral("Приёмы по врачам"));
        QCOMPARE(table.parameters, QStringList{QStringLiteral("Период: 15.12.2024 – 15.01.2025")});
        QCOMPARE(shown(table), (QStringList{
                                   "Врач|дек 2024|янв 2025|Всего",
                                   "Петров П.П.|1|1|2",
                                   "Петров П.П.|1|0|1",
                                   "Сидоров С.С.|2|2|4",
                                   "Врач не указан|0|1|1",
                                   "Итого|4|4|8",
                               }));
        QCOMPARE(table.totalRows, 1);
    }

    // A period of a month at most is counted by day.
    void visitsByDay() {
        const Table table =
            read(connection, period(Kind::VisitsByDoctor, QDate(2024, 12, 31), QDate(2025, 1, 2)));
        QCOMPARE(shown(table), (QStringList{
                                   "Врач|31.12|01.01|02.01|Всего",
                                   "Сидоров С.С.|1|0|1|2",
                                   "Итого|1|0|1|2",
                               }));
    }

    // A visit counts once for a diagnosis it names twice; the row without a diagnosis and the
    // visit without a date count nowhere; a patient counts in the age group of her first visit
    // with the diagnosis, and one born "after" it in none.
    void diagnoses() {
        const Table table = read(connection, period(Kind::Diagnoses));
        QCOMPARE(table.parameters.value(1), QStringLiteral("Врач: все врачи"));
        QCOMPARE(shown(table),
                 (QStringList{
                     "Диагноз|Приёмов|Пациентов|Мужчин|Женщин|0–14 лет|15–17 лет|18–59 лет|"
                     "60 лет и старше|Возраст не указан",
                     "Грипп|4|3|3|0|0|0|2|1|0",
                     "Ангина|2|2|1|1|0|0|1|0|1",
                     "Бронхит|2|1|0|1|0|1|0|0|0",
                 }));
        const Table doctor =
            read(connection, ofDoctor(Kind::Diagnoses, reportfixture::kSidorov, "Сидоров С.С."));
        QCOMPARE(doctor.parameters.value(1), QStringLiteral("Врач: Сидоров С.С."));
        QCOMPARE(shown(doctor).mid(1), (QStringList{
                                           "Бронхит|2|1|0|1|0|1|0|0|0",
                                           "Ангина|1|1|0|1|0|0|0|0|1",
                                           "Грипп|1|1|1|0|0|0|0|1|0",
                                       }));
    }

    // First seen: no visit before the period, of any doctor; a visit without a date is not
    // "before". The girl is 17 at her first visit, on 31 December.
    void patients_data() {
        QTest::addColumn<Parameters>("parameters");
        QTest::addColumn<QStringList>("rows");
        const QString header = QStringLiteral("Возраст|Пациентов|Мужчин|Женщин|Впервые|"
                                              "Наблюдались ранее|Приёмов|Приёмов на пациента");
        QTest::newRow("all doctors") << period(Kind::Patients)
                                     << QStringList{header,
                                                    "0–14 лет|0|0|0|0|0|0|",
                                                    "15–17 лет|1|0|1|1|0|2|2",
                                                    "18–59 лет|2|2|0|2|0|3|1,5",
                                                    "60 лет и старше|1|1|0|0|1|1|1",
                                                    "Возраст не указан|2|0|2|2|0|2|1",
                                                    "Итого|6|3|3|5|1|8|1,33"};
        QTest::newRow("one doctor")
            << ofDoctor(Kind::Patients, reportfixture::kSidorov, "Сидоров С.С.")
            << QStringList{header,
                           "0–14 лет|0|0|0|0|0|0|",
                           "15–17 лет|1|0|1|1|0|2|2",
                           "18–59 лет|0|0|0|0|0|0|",
                           "60 лет и старше|1|1|0|0|1|1|1",
                           "Возраст не указан|1|0|1|1|0|1|1",
                           "Итого|3|1|2|2|1|4|1,33"};
        // From the first of January the girl is 18.
        QTest::newRow("after the birthday")
            << period(Kind::Patients, QDate(2025, 1, 1), QDate(2025, 1, 31))
            << QStringList{header,
                           "0–14 лет|0|0|0|0|0|0|",
                           "15–17 лет|0|0|0|0|0|0|",
                           "18–59 лет|2|1|1|0|2|2|1",
                           "60 лет и старше|1|1|0|0|1|1|1",
                           "Возраст не указан|1|0|1|1|0|2|2",
                           "Итого|4|2|2|1|3|5|1,25"};
    }

    void patients() {
        QFETCH(Parameters, parameters);
        QFETCH(QStringList, rows);
        QCOMPARE(shown(read(connection, parameters)), rows);
    }

    // Every visit of the period in order of date and entry, numbered, with the age on its day;
    // a note without a diagnosis is shown as it was written. One doctor's journal has no
    // column of doctors.
    void journal() {
        QCOMPARE(shown(read(connection, period(Kind::Journal))),
                 (QStringList{
                     "№|Дата|Пациент|Возраст|Адрес|Диагнозы|Вмешательства|Врач",
                     "1|15.12.2024|Новикова Нина|||Ангина||Сидоров С.С.",
                     "2|20.12.2024|Иванов Иван|44|ул. Ленина, 1|Грипп тяжёлый; Ангина|"
                     "Осмотр; Перевязка|Петров П.П.",
                     "3|20.12.2024|Иванов Иван|34|ул. Мира, 2|Грипп||Петров П.П.",
                     "4|31.12.2024|Козлова Мария|17|ул. Садовая; 4|Бронхит||Сидоров С.С.",
                     "5|02.01.2025|Козлова Мария|18|ул. Садовая; 4|Бронхит||Сидоров С.С.",
                     "6|05.01.2025|Смирнова Анна|||без диагноза|Осмотр|",
                     "7|10.01.2025|Иванов Иван|44|ул. Ленина, 1|Грипп; Грипп повторно||"
                     "Петров П.П.",
                     "8|15.01.2025|Орлов Олег|74||Грипп||Сидоров С.С.",
                 }));
        QCOMPARE(shown(read(connection, ofDoctor(Kind::Journal, reportfixture::kPetrovNamesake,
                                                 "Петров П.П."))),
                 (QStringList{
                     "№|Дата|Пациент|Возраст|Адрес|Диагнозы|Вмешательства",
                     "1|20.12.2024|Иванов Иван|34|ул. Мира, 2|Грипп|",
                 }));
    }

    // The statements' age is the card's: whole years of 365.25 days, so that on some 18th
    // birthdays the card still shows 17; none for a birth date after the day.
    void agesAsTheCardShowsThem_data() {
        QTest::addColumn<QDate>("born");
        QTest::addColumn<QDate>("day");
        QTest::newRow("18th birthday, five leap days") << QDate(2007, 1, 1) << QDate(2025, 1, 1);
        QTest::newRow("18th birthday, four leap days") << QDate(2005, 3, 1) << QDate(2023, 3, 1);
        QTest::newRow("day before it") << QDate(2007, 1, 1) << QDate(2024, 12, 31);
        QTest::newRow("born 29 February") << QDate(2000, 2, 29) << QDate(2018, 2, 28);
        QTest::newRow("born 29 February, 1 March") << QDate(2000, 2, 29) << QDate(2018, 3, 1);
        QTest::newRow("born that day") << QDate(2024, 5, 5) << QDate(2024, 5, 5);
        QTest::newRow("old") << QDate(1920, 7, 1) << QDate(2024, 6, 30);
        QTest::newRow("born after the day") << QDate(2030, 1, 1) << QDate(2024, 1, 1);
    }

    void agesAsTheCardShowsThem() {
        QFETCH(QDate, born);
        QFETCH(QDate, day);
        Transaction transaction(connection);
        Statement(connection, transaction,
                  QStringLiteral("insert into MAIN (ID, DATAR) values (100, %1)")
                      .arg(dates::toSqlLiteral(born)))
            .execute();
        const QVariant age =
            Statement(connection, transaction,
                      QStringLiteral("select %1 from MAIN where ID = 100")
                          .arg(sql::ageOn(
                              QStringLiteral("cast(%1 as date)").arg(dates::toSqlLiteral(day)))))
                .selectOne()
                .value(0);
        transaction.rollback();
        if (born > day)
            QVERIFY(age.isNull());
        else
            QCOMPARE(age.toInt(), dates::ageSinceBirth(born, QDateTime(day, QTime(0, 0))));
    }

    // A doctor the book committed a moment ago is offered at once, whatever the run's own
    // transaction holds; inactive doctors are offered too, for the years they worked.
    void doctorsAsCommitted() {
        SharedData data;
        data.open(db.path(), QStringLiteral("select * from MAIN"));
        Statement(data.ibMain, data.ibBooksTrans,
                  QStringLiteral("insert into DOCS values (4, 'Аникина А.А.', 'T')"))
            .execute();
        const auto names = [&] {
            QStringList names;
            for (const Doctor &doctor : readDoctors(data.ibMain))
                names << doctor.name + (doctor.active ? QString() : QStringLiteral(" (нет)"));
            return names;
        };
        QCOMPARE(names(), (QStringList{"Петров П.П.", "Петров П.П. (нет)", "Сидоров С.С."}));
        data.ibBooksTrans.commitRetaining();
        QCOMPARE(names(),
                 (QStringList{"Аникина А.А.", "Петров П.П.", "Петров П.П. (нет)", "Сидоров С.С."}));
        Statement(data.ibMain, data.ibBooksTrans, QStringLiteral("delete from DOCS where D_ID = 4"))
            .execute();
        data.close();
    }

    // The main list's export: what the list's own statement chooses, the age as the list shows
    // it (today's, none without a date of birth).
    void patientList() {
        const Table table = readPatientList(
            connection,
            QStringLiteral("select * from MAIN where FIO starting with 'Иванов' "
                           "order by FIO, ID"),
            QStringLiteral("Пациенты на \"Иванов*\""), QDateTime(QDate(2025, 1, 1), QTime(12, 0)));
        QCOMPARE(table.parameters, (QStringList{"Пациенты на \"Иванов*\"", "На 01.01.2025"}));
        QCOMPARE(shown(table), (QStringList{
                                   "Пациент|Дата рождения|Возраст|Пол|Адрес|Телефоны",
                                   "Иванов Иван|10.05.1980|44|М|ул. Ленина, 1|111",
                                   "Иванов Иван|01.01.1990|35|М|ул. Мира, 2|",
                               }));
    }
};

QTEST_GUILESS_MAIN(TestReportReader)
#include "test_reportreader.moc"
