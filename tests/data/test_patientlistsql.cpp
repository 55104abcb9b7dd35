// The patient lists return exactly the rows, in the order, of the plain statement shape
// "select distinct MAIN.* from MAIN, CARD ... order by FIO": checked on a made-up register with
// namesakes, patients without visits or names, visits without dates, and several matching
// visits per patient. The plain shape leaves the order of namesakes to the engine's sort; the
// lists give them by key, so that a list always reads the same.

#include "app/patientlists.h"
#include "data/patientlistsql.h"
#include "openregister.h"

#include <QTest>

#include <memory>
#include <random>

namespace {

const QDate kToday(2024, 3, 31);

// The plain shape, as the lists were first written: the reference the faster ones must match.
QString plain(const QString &from, const QString &condition) {
    return QStringLiteral("select distinct MAIN.* from MAIN, CARD%1 where (C_KEY=ID) and (%2) "
                          "order by FIO")
        .arg(from, condition);
}

} // namespace

class TestPatientListSql : public QObject {
    Q_OBJECT

    std::unique_ptr<OpenRegister> reg;

    void execute(const QString &sql) { reg->execute(sql); }

    QList<QVariantList> rows(const QString &sql) { return reg->rows(sql); }

    // 300 patients with 12 full names among them, written in a shuffled key order; a few
    // without a name, and one in four without visits. Up to four visits each over two years,
    // some without a date; three doctors, diagnoses and interventions.
    void makeRegister() {
        std::mt19937 random(20240331);
        auto pick = [&](int n) { return int(random() % unsigned(n)); };
        std::vector<int> keys(300);
        for (int i = 0; i < 300; ++i)
            keys[size_t(i)] = i + 1;
        std::shuffle(keys.begin(), keys.end(), random);
        int visit = 0, link = 0;
        for (int key : keys) {
            const QString name = pick(30) == 0 ? QStringLiteral("null")
                                               : QStringLiteral("'Петров %1'").arg(pick(12));
            execute(QStringLiteral("insert into MAIN (ID, FIO, ADR) values (%1, %2, 'ул. %3')")
                        .arg(key)
                        .arg(name)
                        .arg(pick(5)));
            if (pick(4) == 0)
                continue;
            for (int v = pick(4) + 1; v > 0; --v) {
                ++visit;
                const QString date = pick(8) == 0
                                         ? QStringLiteral("null")
                                         : QStringLiteral("'%1'").arg(
                                               kToday.addDays(-pick(730)).toString("dd.MM.yyyy"));
                execute(QStringLiteral("insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values "
                                       "(%1, %2, %3, %4)")
                            .arg(visit)
                            .arg(key)
                            .arg(pick(3) + 1)
                            .arg(date));
                for (int d = pick(3); d > 0; --d) {
                    ++link;
                    execute(QStringLiteral("insert into DIAGNOZ (G_ID, G_KEY, G_DIAG) values "
                                           "(%1, %2, %3)")
                                .arg(link)
                                .arg(visit)
                                .arg(pick(3) + 1));
                    execute(QStringLiteral("insert into VMESHAT (V_ID, V_KEY, V_VMESH) values "
                                           "(%1, %2, %3)")
                                .arg(link)
                                .arg(visit)
                                .arg(pick(3) + 1));
                }
            }
        }
    }

private Q_SLOTS:
    void initTestCase() {
        reg = std::make_unique<OpenRegister>();
        makeRegister();
    }
    void cleanupTestCase() { reg.reset(); }

    void sameRowsInTheSameOrder_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("reference");
        const QDate month(2024, 2, 29), year(2023, 3, 31);
        QTest::newRow("start list")
            << patientlists::startListSql(month)
            << plain(QString(), "(C_DATE>='29.02.2024') or (C_DATE is null)");
        QTest::newRow("last month")
            << patientlists::periodListSql(month) << plain(QString(), "C_DATE>'29.02.2024'");
        QTest::newRow("last year")
            << patientlists::periodListSql(year) << plain(QString(), "C_DATE>'31.03.2023'");
        QTest::newRow("doctor") << patientlistsql::patientsOfDoctor(2)
                                << plain(QString(), "C_DOC=2");
        QTest::newRow("diagnosis")
            << patientlistsql::patientsOfDiagnosis(1)
            << plain(QString(), "C_ID in (select G_KEY from DIAGNOZ where G_DIAG=1)");
        QTest::newRow("intervention")
            << patientlistsql::patientsOfIntervention(3)
            << plain(QString(), "C_ID in (select V_KEY from VMESHAT where V_VMESH=3)");
        QTest::newRow("every patient with a visit")
            << patientlistsql::patientsWithVisit(QString(), QString()) << plain(QString(), "1=1");
        QTest::newRow("every visit with a diagnosis")
            << patientlistsql::patientsWithVisit(QStringLiteral(" join DIAGNOZ on G_KEY = C_ID"),
                                                 QString())
            << plain(QStringLiteral(", DIAGNOZ"), "G_KEY=C_ID");
    }
    void sameRowsInTheSameOrder() {
        QFETCH(QString, list);
        QFETCH(QString, reference);
        QList<QVariantList> expected = rows(reference);
        QVERIFY(expected.size() > 20);
        // Namesakes, which stand together, by key; every group stays where the plain shape put it.
        for (auto group = expected.begin(); group != expected.end();) {
            const auto end = std::find_if(group, expected.end(), [&](const QVariantList &row) {
                return row[1] != (*group)[1];
            });
            std::sort(group, end, [](const QVariantList &a, const QVariantList &b) {
                return a[0].toInt() < b[0].toInt();
            });
            group = end;
        }
        QCOMPARE(rows(list), expected);
    }
};

QTEST_GUILESS_MAIN(TestPatientListSql)
#include "test_patientlistsql.moc"
