// The report window, offscreen, on the small register of reportfixture.h: its parameters and
// ready-made periods, "Сформировать" by Enter, and the report on paper, in PDF and in a file.

#include "data/shareddata.h"
#include "externaltool.h"
#include "reportfixture.h"
#include "reports/csvexport.h"
#include "reports/reportmodel.h"
#include "reports/tfmreport.h"
#include "support/dates.h"
#include "support/settingsfile.h"
#include "widgets/messagebox.h"
#include "windowcontrol.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include <memory>

using namespace reports;

namespace {

// Today for every test: 10 January 2025.
const QDateTime kNow(QDate(2025, 1, 10), QTime(10, 0));

QStringList captions(const QMenu *menu) {
    QStringList all;
    for (const QAction *action : menu->actions())
        all << action->text();
    return all;
}

// The file's text as pdftotext reads it, a line a string, empty lines left out.
QStringList pdfLines(const QString &path) {
    return QString::fromUtf8(run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-layout"), path, QStringLiteral("-")}))
        .split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class TestTfmReport : public QObject {
    Q_OBJECT

    TestDatabase db;
    QTemporaryDir dir;
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<SharedData> data;
    QStringList boxes;

    std::unique_ptr<TfmReport> open(Kind kind) {
        auto window = std::make_unique<TfmReport>(kind, *data, *settings);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("the report window did not come up");
        return window;
    }

    // The fixture's period, and "Сформировать" by Enter in the first date.
    void build(TfmReport &window) {
        window.setPeriod(reportfixture::kFirst, reportfixture::kLast);
        auto *first = control<QDateEdit>(&window, "dtpFirst");
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Return);
    }

    // Saves through the standard dialog as `path`.
    void saveThrough(TfmReport &window, const char *button, const QString &path,
                     const QString &offered) {
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), offered);
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept();
        });
        QTest::mouseClick(control<QPushButton>(&window, button), Qt::LeftButton);
    }

private Q_SLOTS:
    void initTestCase() {
        dates::setClock([] { return kNow; });
        MessageBox::setAnswerer([this](const QString &text) {
            boxes << text;
            return QMessageBox::Ok;
        });
        reportfixture::fill(db.path());
        settings = std::make_unique<SettingsFile>(dir.filePath(QStringLiteral("Ventrel.ini")));
        data = std::make_unique<SharedData>();
        data->open(db.path(), QStringLiteral("select * from MAIN"));
    }

    void cleanupTestCase() {
        data->close();
        dates::setClock({});
        MessageBox::setAnswerer({});
    }

    void init() { boxes.clear(); }

    // The period the window starts with, the doctor where the report takes one, and the
    // ready-made periods of a right click on a date.
    void parameters_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("byDoctor");
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::newRow("visits by doctor")
            << Kind::VisitsByDoctor << false << QDate(2025, 1, 1) << QDate(2025, 1, 31);
        QTest::newRow("diagnoses")
            << Kind::Diagnoses << true << QDate(2025, 1, 1) << QDate(2025, 1, 31);
        QTest::newRow("journal") << Kind::Journal << true << kNow.date() << kNow.date();
    }

    void parameters() {
        QFETCH(Kind, kind);
        QFETCH(bool, byDoctor);
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        const auto window = open(kind);
        QCOMPARE(window->objectName(), config(kind).windowName);
        QCOMPARE(window->windowTitle(), config(kind).caption);
        QCOMPARE(window->parameters().first, first);
        QCOMPARE(window->parameters().last, last);
        auto *doctors = control<QComboBox>(window.get(), "cbDoctor");
        QCOMPARE(doctors->isVisible(), byDoctor);
        if (byDoctor) {
            QStringList names;
            for (int i = 0; i < doctors->count(); ++i)
                names << doctors->itemText(i);
            QCOMPARE(names,
                     (QStringList{"Все врачи", "Петров П.П.", "Петров П.П.", "Сидоров С.С."}));
            QVERIFY(!window->parameters().doctor);
            doctors->setCurrentIndex(3);
            QCOMPARE(window->parameters().doctor, std::optional<int>(reportfixture::kSidorov));
            QCOMPARE(window->parameters().doctorName, QStringLiteral("Сидоров С.С."));
        }

        auto *menu = control<QMenu>(window.get(), "pmPeriod");
        QCOMPARE(captions(menu), (QStringList{"Сегодня", "Этот месяц", "Прошлый месяц",
                                              "Этот квартал (I 2025)", "Прошлый квартал (IV 2024)",
                                              "Этот год (2025)", "Прошлый год (2024)"}));
        menu->actions().at(4)->trigger();
        QCOMPARE(window->parameters().first, QDate(2024, 10, 1));
        QCOMPARE(window->parameters().last, QDate(2024, 12, 31));
    }

    // Enter makes the report: the table in the grid, the chart below it, the outputs enabled. A
    // period that ends before it begins is told in the caption and makes nothing.
    void enterBuildsTheReport() {
        const auto window = open(Kind::VisitsByDoctor);
        for (const char *button : {"btPrint", "btPdf", "btPreview", "btExcel", "btCsv"})
            QVERIFY(!control<QPushButton>(window.get(), button)->isEnabled());
        window->setPeriod(reportfixture::kLast, reportfixture::kFirst);
        QTest::keyClick(control<QDateEdit>(window.get(), "dtpLast"), Qt::Key_Return);
        QVERIFY(!window->report());
        QCOMPARE(window->windowTitle(), QStringLiteral("Начало периода позже его конца"));

        build(*window);
        QVERIFY(window->report());
        auto *grid = control<QTableView>(window.get(), "tvReport");
        QCOMPARE(grid->model()->rowCount(), 5);
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("дек 2024"));
        QCOMPARE(grid->model()->index(4, 3).data().toString(), QStringLiteral("8"));
        QVERIFY(grid->model()->index(4, 0).data(Qt::FontRole).value<QFont>().bold());
        QChart *chart = control<QChartView>(window.get(), "chvReport")->chart();
        QCOMPARE(chart->series().size(), 1);
        for (const char *button : {"btPrint", "btPdf", "btPreview", "btExcel", "btCsv"})
            QVERIFY(control<QPushButton>(window.get(), button)->isEnabled());
        QVERIFY(boxes.isEmpty());
    }

    // The journal on paper: landscape A4, the period, the doctor and the page numbers in the
    // heading, every visit in order. The printer and the PDF print the same pages.
    void journalOnPaper() {
        if (!hasTool("pdftotext") || !hasTool("pdfinfo"))
            QSKIP("poppler's tools (package poppler-utils) are not installed; tools/setup.sh "
                  "installs them");
        const auto window = open(Kind::Journal);
        build(*window);
        const QString saved = dir.filePath(QStringLiteral("журнал.pdf"));
        saveThrough(*window, "btPdf", saved,
                    QStringLiteral("Журнал приёма 15.12.2024-15.01.2025.pdf"));
        QVERIFY(boxes.isEmpty());

        const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
        window->setPrinterSource([&] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(printed);
            return printer;
        });
        QTest::mouseClick(control<QPushButton>(window.get(), "btPrint"), Qt::LeftButton);
        QVERIFY(boxes.isEmpty());

        const QStringList lines = pdfLines(saved);
        QCOMPARE(pdfLines(printed), lines);
        QVERIFY2(lines.value(0).contains(
                     QRegularExpression(QStringLiteral("^Журнал приёма +Страница 1 из 1$"))),
                 qPrintable(lines.value(0)));
        QCOMPARE(lines.value(1).trimmed(),
                 QStringLiteral("Период: 15.12.2024 – 15.01.2025; Врач: все врачи"));
        QStringList order;
        for (const QString &line : lines) {
            const QRegularExpressionMatch visit =
                QRegularExpression(
                    QStringLiteral("^ *(\\d) +(\\d\\d\\.\\d\\d\\.\\d{4}) +(\\S+ \\S+)"))
                    .match(line);
            if (visit.hasMatch())
                order << visit.captured(1) + u' ' + visit.captured(2) + u' ' + visit.captured(3);
        }
        QCOMPARE(order, (QStringList{
                            "1 15.12.2024 Новикова Нина",
                            "2 20.12.2024 Иванов Иван",
                            "3 20.12.2024 Иванов Иван",
                            "4 31.12.2024 Козлова Мария",
                            "5 02.01.2025 Козлова Мария",
                            "6 05.01.2025 Смирнова Анна",
                            "7 10.01.2025 Иванов Иван",
                            "8 15.01.2025 Орлов Олег",
                        }));
        const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {saved}));
        QVERIFY2(
            info.contains(QRegularExpression(QStringLiteral("Page size: +842 x 595 pts \\(A4\\)"))),
            qPrintable(info));
    }

    // "Excel" and "CSV" write the report as it was made, under the report's and the period's
    // name.
    void spreadsheets() {
        const auto window = open(Kind::Patients);
        build(*window);
        const QString csv = dir.filePath(QStringLiteral("пациенты.csv"));
        saveThrough(*window, "btCsv", csv,
                    QStringLiteral("Пациенты за период 15.12.2024-15.01.2025.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), toCsv(*window->report()));
        const QString xlsx = dir.filePath(QStringLiteral("пациенты.xlsx"));
        saveThrough(*window, "btExcel", xlsx,
                    QStringLiteral("Пациенты за период 15.12.2024-15.01.2025.xlsx"));
        QVERIFY(QFileInfo(xlsx).size() > 0);
        QVERIFY(boxes.isEmpty());
    }
};

QTEST_MAIN(TestTfmReport)
#include "test_tfmreport.moc"
