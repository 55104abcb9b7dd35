// Times the patient-list operations of the program on a register of realistic size, each beside
// the engine's own time for the same statement (RawFirebird), measured in the same run.
//     ventrel-bench <register.fdb> [--runs N] [--only TEXT]
//     ventrel-bench <register.fdb> [--runs N] --sql FILE      (other statements, one a line)
//     ventrel-bench <register.fdb> --memory     (peak memory with the whole list read)
//     ventrel-bench <register.fdb> --plans      (the engine's plans of the filter's statements)

#include "app/patientlists.h"
#include "cards/samepatient.h"
#include "data/dberror.h"
#include "data/registerindexes.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "filter/filterstatement.h"
#include "peakmemory.h"
#include "rawfirebird.h"
#include "support/dates.h"
#include "support/win1251codec.h"
#include "timing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Rows of the list a window shows at once.
constexpr int kScreenRows = 40;

// The lists exactly as the main window builds them.
QString startList(QDate today) {
    return patientlists::startListSql(dates::monthBack(today));
}
QString surnameSearch(const QString &text) {
    return patientlists::surnameSearchSql(text);
}
QString periodList(QDate since) {
    return patientlists::periodListSql(since);
}

// The plain shape the lists were first written in ("select distinct MAIN.* ... order by FIO"),
// measured beside the program's so that the difference stays visible.
QString plainList(const QString &from, const QString &condition) {
    return QStringLiteral("select distinct MAIN.* from MAIN, CARD%1 where (C_KEY=ID) and %2 "
                          "order by FIO")
        .arg(from, condition);
}

// The filter's criteria the benchmark tries one by one and all together, with the plain
// shape's condition for each (which always joins the diagnosis rows).
struct FilterCase {
    const char *name;
    filter::Criteria criteria;
    QString plainCondition;
};

QList<FilterCase> filterCases(QDate today, int doctor, int diagnosis) {
    const QDate yearBack = dates::yearBack(today);
    const filter::DateRange born = filter::birthDates({20, 50}, today);
    const QString dateCondition =
        QStringLiteral("(C_DATE between %1 and %2)")
            .arg(dates::toSqlLiteral(yearBack), dates::toSqlLiteral(today));
    const QString ageCondition =
        QStringLiteral("(DATAR between %1 and %2)")
            .arg(dates::toSqlLiteral(born.first), dates::toSqlLiteral(born.second));
    const QString doctorCondition = QStringLiteral("(C_DOC=%1)").arg(doctor);
    const QString diagnosisCondition = QStringLiteral("(G_DIAG=%1)").arg(diagnosis);
    const QString wordsCondition = QStringLiteral("(C_ZHALOBA like '%кашель%')");

    filter::Criteria dates, ages, oneDoctor, oneDiagnosis, words, all;
    dates.visitDates = all.visitDates = filter::DateRange{yearBack, today};
    ages.ages = all.ages = filter::AgeRange{20, 50};
    oneDoctor.doctor = all.doctor = doctor;
    oneDiagnosis.diagnosis = all.diagnosis = diagnosis;
    words.complaints = all.complaints = QStringLiteral("кашель");
    return {
        {"filter: visit dates (last 12 months)", dates, dateCondition},
        {"filter: age 20 to 50", ages, ageCondition},
        {"filter: doctor", oneDoctor, doctorCondition},
        {"filter: diagnosis", oneDiagnosis, diagnosisCondition},
        {"filter: 'кашель' in the complaints", words, wordsCondition},
        {"filter: all five together", all,
         QStringList{dateCondition, ageCondition, doctorCondition, diagnosisCondition,
                     wordsCondition}
             .join(QStringLiteral(" and "))},
    };
}

// The doctor with the most visits, and the most frequent diagnosis: the slowest single choices.
int mostFrequent(SharedData &data, const char *column, const char *table) {
    Statement find(data.ibMain, data.ibTrans,
                   QStringLiteral("select first 1 %1 from %2 group by %1 order by count(*) desc")
                       .arg(QLatin1String(column), QLatin1String(table)));
    return find.selectOne().value(0).toInt();
}

// One line of the table: the medians of the program's and the engine's times and their ratio,
// and the median processor time of the program's runs where it was measured.
void report(const char *operation, const std::vector<double> &program,
            const std::vector<double> &baseline, const std::vector<double> &programCpu = {}) {
    const double p = median(program);
    if (baseline.empty()) {
        std::printf("%-44s %10.2f ms\n", operation, p);
        return;
    }
    const double b = median(baseline);
    std::printf("%-44s %10.2f ms %10.2f ms %8.2f", operation, p, b, p / b);
    if (!programCpu.empty())
        std::printf(" %10.2f ms", median(programCpu));
    std::printf("\n");
}

int memoryRun(const QString &path) {
    const long before = peakMemoryKiB();
    SharedData data;
    data.open(path, QStringLiteral("select * from MAIN order by FIO"));
    data.ibdsMain.last();
    std::printf("rows held: %d\npeak memory before opening: %.1f MB\n"
                "peak memory with the list read to its end: %.1f MB\n",
                data.ibdsMain.fetchedCount(), before / 1024.0, peakMemoryKiB() / 1024.0);
    return 0;
}

// A patient with exactly ten visits, one for each run.
QList<int> patientsWithTenVisits(SharedData &data, int count) {
    Statement find(data.ibMain, data.ibTrans,
                   QStringLiteral("select first %1 C_KEY from CARD group by C_KEY "
                                  "having count(*) = 10")
                       .arg(count));
    find.open();
    QList<int> ids;
    QVariantList row;
    while (find.fetch(row))
        ids << row.value(0).toInt();
    return ids;
}

// The search for the cards a new one may repeat, as the card editor runs it before a new card
// is saved: for a namesake of the register's most frequent full name (with and without a date
// of birth, which narrows the statement), and for a name with a former surname in brackets.
void timeCandidates(SharedData &data, RawFirebird &raw, int runs, bool plans) {
    Statement frequent(data.ibMain, data.ibTrans,
                       QStringLiteral("select first 1 FIO, min(DATAR), count(*) from MAIN "
                                      "group by FIO order by count(*) desc"));
    const QVariantList common = frequent.selectOne();
    Statement bracketed(data.ibMain, data.ibTrans,
                        QStringLiteral("select first 1 FIO, DATAR from MAIN where FIO like '%(%' "
                                       "order by ID"));
    const QVariantList married = bracketed.selectOne();
    const QString surname = common.value(0).toString().section(u' ', 0, 0);
    Statement namesakes(
        data.ibMain, data.ibTrans,
        QStringLiteral("select count(*) from MAIN where FIO starting with '%1 '").arg(surname));
    std::printf("same-patient candidates: '%s' is on %d cards, its surname on %d\n",
                qPrintable(common.value(0).toString()), common.value(2).toInt(),
                namesakes.selectOne().value(0).toInt());
    if (plans) {
        const ParsedSql parsed = parseNamedParameters(samepatient::candidatesSql());
        std::printf("%s\n  %s\n", qPrintable(parsed.text),
                    raw.plan(win1251::encode(parsed.text).value()).constData());
        return;
    }
    struct Case {
        const char *name;
        QString fio;
        QDate born;
    };
    const Case cases[] = {
        {"same-patient candidates, commonest name", common.value(0).toString(),
         common.value(1).toDate()},
        {"  the same without a date of birth", common.value(0).toString(), QDate()},
        {"  a name with a former surname", married.value(0).toString(), married.value(1).toDate()},
    };
    for (const Case &c : cases) {
        std::vector<double> times;
        int found = 0;
        for (int i = 0; i < runs; ++i) {
            times.push_back(milliseconds([&] {
                found = int(samepatient::find(data.ibMain, data.ibTrans, c.fio, c.born).size());
            }));
        }
        report(c.name, times, {});
        std::printf("%-44s %10d\n", "  candidates found", found);
    }
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: ventrel-bench <register.fdb> [--runs N] [--only TEXT] "
                             "[--sql FILE] [--memory] [--plans]\n");
        return 2;
    }
    const QString path = args[1];
    const QByteArray file = QFile::encodeName(path);
    const int runIndex = int(args.indexOf(QStringLiteral("--runs")));
    const int runs = runIndex > 0 ? args.value(runIndex + 1).toInt() : 7;
    // --only TEXT runs just the list operations whose name contains TEXT (for profiling).
    const int onlyIndex = int(args.indexOf(QStringLiteral("--only")));
    const QString only = onlyIndex > 0 ? args.value(onlyIndex + 1) : QString();
    // --sql FILE times the statements of the file (UTF-8, one a line) instead, first screen and
    // whole list: for trying another shape of a list on a real register.
    const int sqlIndex = int(args.indexOf(QStringLiteral("--sql")));
    const QString sqlFile = sqlIndex > 0 ? args.value(sqlIndex + 1) : QString();
    const QDate today = dates::today();

    try {
        if (args.contains(QStringLiteral("--memory")))
            return memoryRun(path);

        std::printf("%-44s %13s %13s %8s %13s\n", "operation (median)", "program", "engine",
                    "ratio", "program cpu");
        // A register made before the name indexes gets them at its first open: timed apart.
        {
            Connection connection;
            connection.open(path);
            QStringList added;
            const double adding =
                milliseconds([&] { added = registerindexes::addMissing(connection); });
            connection.close();
            if (!added.isEmpty())
                std::printf("%-44s %10.2f ms\n", "name indexes added (once per register)", adding);
        }
        std::vector<double> program, baseline;
        const int openRuns = only.isEmpty() && sqlFile.isEmpty() ? runs : 0;
        // The very first attach of a process loads the engine; it is shown on its own.
        {
            SharedData data;
            const double cold = milliseconds([&] { data.open(path, startList(today)); });
            std::printf("%-44s %10.2f ms\n", "first open in a new process (engine load)", cold);
        }
        for (int i = 0; i < openRuns; ++i) {
            SharedData data;
            program.push_back(milliseconds([&] { data.open(path, startList(today)); }));
            data.close();
            baseline.push_back(milliseconds([&] {
                RawFirebird raw(file);
                raw.select(startList(today).toUtf8(), kScreenRows);
            }));
        }
        if (openRuns)
            report("open + start list, first screen", program, baseline);

        SharedData data;
        data.open(path, startList(today));
        RawFirebird raw(file);
        // Runs a list command of the program and the same statement on the engine alone:
        // `rows` rows are read (the first screen), or every row when negative. The program's
        // list is closed before the engine's run, so that neither runs beside an open cursor.
        auto compare = [&](const char *name, const QString &sql, int rows) {
            if (!QString::fromUtf8(name).contains(only))
                return;
            std::vector<double> p, b, cpu;
            const QByteArray bytes = win1251::encode(sql).value();
            for (int i = 0; i < runs; ++i) {
                // Another statement in between, so that each run prepares its statement anew.
                data.showPatients(surnameSearch(QStringLiteral("Я")));
                cpu.push_back(threadCpuMilliseconds([&] {
                    p.push_back(milliseconds([&] {
                        data.showPatients(sql);
                        if (rows < 0)
                            data.ibdsMain.recordCount();
                    }));
                }));
                data.ibdsMain.close();
                raw.select(win1251::encode(surnameSearch(QStringLiteral("Я"))).value(), 1);
                b.push_back(milliseconds([&] { raw.select(bytes, rows); }));
            }
            report(name, p, b, cpu);
        };
        // The same for the plain shape of a list, through the program.
        auto comparePlain = [&](const char *name, const QString &sql, int rows) {
            const QByteArray label =
                (QStringLiteral("  plain shape: ") + QString::fromUtf8(name)).toUtf8();
            compare(label.constData(), sql, rows);
        };
        if (!sqlFile.isEmpty()) {
            QFile statements(sqlFile);
            if (!statements.open(QIODevice::ReadOnly | QIODevice::Text))
                throw DbError(QStringLiteral("cannot read %1").arg(sqlFile));
            int number = 0;
            for (const QByteArray &line : statements.readAll().split('\n')) {
                const QString sql = QString::fromUtf8(line).trimmed();
                if (sql.isEmpty())
                    continue;
                ++number;
                const QByteArray first =
                    QStringLiteral("statement %1, first screen").arg(number).toUtf8();
                const QByteArray whole =
                    QStringLiteral("statement %1, whole list").arg(number).toUtf8();
                compare(first.constData(), sql, kScreenRows);
                compare(whole.constData(), sql, -1);
            }
            data.close();
            return 0;
        }
        for (const QString &typed :
             {QStringLiteral("Ив"), QStringLiteral("Ива"), QStringLiteral("Иван"),
              QStringLiteral("Ку"), QStringLiteral("Зв")}) {
            const QByteArray label =
                QStringLiteral("surname search '%1', first screen").arg(typed).toUtf8();
            compare(label.constData(), surnameSearch(typed), kScreenRows);
        }
        const QString monthBack = dates::toText(dates::monthBack(today));
        const QString yearBack = dates::toText(dates::yearBack(today));
        compare("start list, first screen", startList(today), kScreenRows);
        comparePlain(
            "start list, first screen",
            plainList(QString(),
                      QStringLiteral("((C_DATE>='%1') or (C_DATE is null))").arg(monthBack)),
            kScreenRows);
        compare("Last month list, first screen", periodList(dates::monthBack(today)), kScreenRows);
        compare("Last year list, first screen", periodList(dates::yearBack(today)), kScreenRows);
        comparePlain("Last year list, first screen",
                     plainList(QString(), QStringLiteral("C_DATE>'%1'").arg(yearBack)),
                     kScreenRows);
        compare("Last year list, read to its end", periodList(dates::yearBack(today)), -1);

        if (QStringLiteral("same-patient candidates").contains(only) || only.isEmpty())
            timeCandidates(data, raw, runs, args.contains(QStringLiteral("--plans")));

        const int doctor = mostFrequent(data, "C_DOC", "CARD");
        const int diagnosis = mostFrequent(data, "G_DIAG", "DIAGNOZ");
        for (const FilterCase &c : filterCases(today, doctor, diagnosis)) {
            const QString sql = filter::statement(c.criteria, today);
            const QString plain = plainList(QStringLiteral(", DIAGNOZ"),
                                            QStringLiteral("(G_KEY=C_ID) and ") + c.plainCondition);
            if (args.contains(QStringLiteral("--plans"))) {
                for (const QString &shape : {sql, plain}) {
                    std::printf("%s%s:\n  %s\n  %s\n", c.name, shape == sql ? "" : ", plain shape",
                                qPrintable(shape),
                                raw.plan(win1251::encode(shape).value()).constData());
                }
                continue;
            }
            const QByteArray first = QStringLiteral("%1, first screen").arg(c.name).toUtf8();
            const QByteArray whole = QStringLiteral("%1, whole list").arg(c.name).toUtf8();
            compare(first.constData(), sql, kScreenRows);
            comparePlain(first.constData(), plain, kScreenRows);
            compare(whole.constData(), sql, -1);
            comparePlain(whole.constData(), plain, -1);
        }

        std::vector<double> deletes;
        for (int id : patientsWithTenVisits(data, only.isEmpty() ? runs : 0)) {
            data.showPatients(QStringLiteral("select * from MAIN where ID=%1").arg(id));
            deletes.push_back(milliseconds([&] { data.ibdsMain.remove(); }));
            Statement left(data.ibMain, data.ibTrans,
                           QStringLiteral("select count(*) from CARD where C_KEY=%1").arg(id));
            if (left.selectOne().value(0).toInt() != 0)
                throw DbError(QStringLiteral("the visits of patient %1 were not deleted").arg(id));
            data.ibTrans.rollbackRetaining();
        }
        if (!deletes.empty())
            report("delete a patient with ten visits", deletes, {});
        data.close();
        return 0;
    } catch (const DbError &error) {
        std::fprintf(stderr, "ventrel-bench: %s\n", qPrintable(error.message()));
        return 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "ventrel-bench: %s\n", error.what());
        return 1;
    }
}
