// Times the reports through the real report window on a register: each report over the last
// whole year, from "Сформировать" to the table and the chart painted, beside the engine's own
// time for the report's statements; the journal of the busiest month written to PDF; and the
// export of the list of every patient to Excel and to CSV.
//     ventrel-reports-bench <register.fdb> [--runs N]      (QT_QPA_PLATFORM=offscreen works)

#include "data/dberror.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "rawfirebird.h"
#include "reports/exportfile.h"
#include "reports/reportperiod.h"
#include "reports/reportprint.h"
#include "reports/reportreader.h"
#include "reports/reportsql.h"
#include "reports/tfmreport.h"
#include "support/dates.h"
#include "support/settingsfile.h"
#include "support/win1251codec.h"
#include "timing.h"

#include <QApplication>
#include <QChartView>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <stdexcept>

using namespace reports;

namespace {

void report(const QString &operation, const std::vector<double> &program,
            const std::vector<double> &baseline = {}) {
    const QByteArray name = operation.toUtf8();
    if (baseline.empty()) {
        std::printf("%-58s %10.1f ms\n", name.constData(), median(program));
        return;
    }
    std::printf("%-58s %10.1f ms %10.1f ms %8.2f\n", name.constData(), median(program),
                median(baseline), median(program) / median(baseline));
}

// The month with the most visits: the journal a busy practice prints.
Period busiestMonth(SharedData &data, int &visits) {
    Statement find(data.ibMain, data.ibTrans,
                   QStringLiteral("select first 1 dateadd(1 - extract(day from C_DATE) day to "
                                  "C_DATE) M, count(*) from CARD where C_DATE is not null "
                                  "group by 1 order by 2 desc"));
    const QVariantList row = find.selectOne();
    if (row.isEmpty())
        throw std::runtime_error("the register has no visits");
    visits = row[1].toInt();
    const QDate first = row[0].toDate();
    return {first, first.addMonths(1).addDays(-1)};
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: ventrel-reports-bench <register.fdb> [--runs N]\n");
        return 2;
    }
    const int runIndex = int(args.indexOf(QStringLiteral("--runs")));
    const int runs = runIndex > 0 ? args.value(runIndex + 1).toInt() : 7;
    const QString registerFile = QFileInfo(args[1]).absoluteFilePath();

    QTemporaryDir scratch;
    SettingsFile settings(scratch.filePath(QStringLiteral("Ventrel.ini")));
    SharedData data;
    try {
        data.open(registerFile, QStringLiteral("select * from MAIN where ID = 0"));
        RawFirebird raw(QFile::encodeName(registerFile));
        std::printf("%-58s %13s %13s %8s\n", "operation (median)", "program", "engine", "ratio");

        // Each report over the last whole year, through its window.
        const Period year = presetRange(Preset::LastYear, dates::today());
        for (const Kind kind : kinds()) {
            TfmReport window(kind, data, settings);
            window.show();
            if (!QTest::qWaitForWindowExposed(&window))
                throw std::runtime_error("the report window did not come up");
            window.setPeriod(year.first, year.last);
            auto *build = window.findChild<QPushButton *>(QStringLiteral("btBuild"));
            auto *table = window.findChild<QTableView *>(QStringLiteral("tvReport"));
            auto *chart = window.findChild<QChartView *>(QStringLiteral("chvReport"));
            QList<QByteArray> statements;
            for (const QString &statement : sql::statements(window.parameters()))
                statements << win1251::encode(statement).value();
            std::vector<double> program, engine;
            int rows = 0;
            for (int i = 0; i < runs; ++i) {
                program.push_back(milliseconds([&] {
                    build->click();
                    table->viewport()->repaint();
                    if (chart->isVisible())
                        chart->viewport()->repaint();
                }));
                rows = int(window.report()->rows.size());
                engine.push_back(milliseconds([&] {
                    for (const QByteArray &statement : statements)
                        raw.select(statement, -1);
                }));
            }
            report(QStringLiteral("%1 over %2 (%3 rows), painted")
                       .arg(config(kind).caption)
                       .arg(year.first.year())
                       .arg(rows),
                   program, engine);
        }

        // The journal of the busiest month, read and written to PDF.
        int visits = 0;
        Parameters journal;
        journal.kind = Kind::Journal;
        const Period month = busiestMonth(data, visits);
        journal.first = month.first;
        journal.last = month.last;
        std::vector<double> pdf;
        const QString pdfPath = scratch.filePath(QStringLiteral("journal.pdf"));
        for (int i = 0; i < runs; ++i) {
            QFile::remove(pdfPath);
            pdf.push_back(milliseconds([&] {
                const Table table = read(data.ibMain, journal);
                const QString failure =
                    writeReportPdf(Kind::Journal, table, pdfPath, Existing::Keep);
                if (!failure.isEmpty())
                    throw std::runtime_error(failure.toStdString());
            }));
        }
        report(QStringLiteral("journal of %1 (%2 visits) to PDF, %3 KiB")
                   .arg(month.first.toString(QStringLiteral("MM.yyyy")))
                   .arg(visits)
                   .arg(QFileInfo(pdfPath).size() / 1024),
               pdf);

        // The list of every patient, exported as the main list's pop-up menu does.
        const QString everyone = QStringLiteral("select * from MAIN order by FIO, ID");
        for (const Format format : {Format::Xlsx, Format::Csv}) {
            const QString path = scratch.filePath(QStringLiteral("list.") + extensionOf(format));
            std::vector<double> times;
            int rows = 0;
            for (int i = 0; i < runs; ++i) {
                times.push_back(milliseconds([&] {
                    const Table table =
                        readPatientList(data.ibMain, everyone, QStringLiteral("Все"), dates::now());
                    rows = int(table.rows.size());
                    const QString failure = writeTable(table, format, path, Existing::Replace);
                    if (!failure.isEmpty())
                        throw std::runtime_error(failure.toStdString());
                }));
            }
            report(QStringLiteral("list of %1 patients to %2, %3 KiB")
                       .arg(rows)
                       .arg(extensionOf(format))
                       .arg(QFileInfo(path).size() / 1024),
                   times);
        }
        data.close();
    } catch (const DbError &error) {
        std::fprintf(stderr, "ventrel-reports-bench: %s\n", qPrintable(error.message()));
        return 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "ventrel-reports-bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
