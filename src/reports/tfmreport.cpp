#include "reports/tfmreport.h"

#include "ui_tfmreport.h"

#include "data/dberror.h"
#include "data/shareddata.h"
#include "reports/exportdialog.h"
#include "reports/reportchart.h"
#include "reports/reportmodel.h"
#include "reports/reportprint.h"
#include "reports/reportreader.h"
#include "support/dates.h"
#include "widgets/captionmessage.h"
#include "widgets/dialogwindow.h"
#include "widgets/labelhints.h"
#include "widgets/messagebox.h"
#include "widgets/waitcursor.h"
#include "widgets/windowbehaviour.h"

#include <QChart>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QShowEvent>

using namespace reports;

namespace {

constexpr int kMessageTicks = 10;
// The view sizes its columns to their contents only for a table this long at most; a longer one
// (a journal of months) keeps the widths of its first rows.
constexpr int kMeasuredRows = 1000;
constexpr int kLeastChartHeight = 120;

std::unique_ptr<QPrinter> defaultPrinter() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(printer, QPrinter::HighResolution);
}

} // namespace

TfmReport::TfmReport(Kind kind, SharedData &data, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_config(reports::config(kind)), m_ui(std::make_unique<Ui::TfmReport>()),
      m_data(data), m_printerSource(defaultPrinter) {
    m_ui->setupUi(this);
    setObjectName(m_config.windowName);
    setWindowTitle(m_config.caption);
    setUpSizeableDialog(this);

    m_model = new ReportModel(this);
    m_model->setFont(m_ui->tvReport->font());
    m_ui->tvReport->setModel(m_model);
    m_ui->tvReport->verticalHeader()->hide();
    m_ui->tvReport->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_ui->tvReport->horizontalHeader()->setResizeContentsPrecision(kMeasuredRows);
    m_ui->chvReport->setRenderHint(QPainter::Antialiasing);
    // The chart's drawing area takes the focus on a click, and is read as the chart.
    m_ui->chvReport->viewport()->setAccessibleName(m_ui->chvReport->accessibleName());
    m_ui->scaChart->setVisible(m_config.chart);
    // The table and the chart share the height alike until the user moves the splitter.
    m_ui->splReport->setStretchFactor(0, 1);
    m_ui->splReport->setStretchFactor(1, 1);
    m_ui->splReport->setSizes({1, 1});
    QHeaderView *rows = m_ui->tvReport->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_ui->tvReport->fontMetrics().height() + 6);

    for (QWidget *doctor :
         {static_cast<QWidget *>(m_ui->lbDoctor), static_cast<QWidget *>(m_ui->cbDoctor)})
        doctor->setVisible(m_config.byDoctor);
    m_ui->cbDoctor->addItem(QStringLiteral("Все врачи"));

    const QString presetsHint =
        QStringLiteral("Щёлкните правую кнопку, чтобы выбрать готовый вариант");
    setHint(m_ui->dtpFirst, QStringLiteral("Первый день периода\n") + presetsHint);
    setHint(m_ui->dtpLast, QStringLiteral("Последний день периода\n") + presetsHint);
    setHint(m_ui->btBuild, QStringLiteral("Составить отчёт за период (Enter)"));
    setHint(m_ui->sbtHelp, QStringLiteral("Показать справку по отчётам (F1)"));
    createPresetMenu();
    const Period start =
        presetRange(kind == Kind::Journal ? Preset::Today : Preset::ThisMonth, dates::today());
    setPeriod(start.first, start.last);

    connect(m_ui->btBuild, &QPushButton::clicked, this, &TfmReport::btBuildClick);
    connect(m_ui->btPrint, &QPushButton::clicked, this, &TfmReport::btPrintClick);
    connect(m_ui->btPdf, &QPushButton::clicked, this, &TfmReport::btPdfClick);
    connect(m_ui->btPreview, &QPushButton::clicked, this, &TfmReport::btPreviewClick);
    connect(m_ui->btExcel, &QPushButton::clicked, this, &TfmReport::btExcelClick);
    connect(m_ui->btCsv, &QPushButton::clicked, this, &TfmReport::btCsvClick);
    connect(m_ui->btClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->sbtHelp, &QToolButton::clicked, this, &TfmReport::sbtHelpClick);
    enableOutput();

    m_caption = new CaptionMessage(this, [this] { return m_config.caption; });
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    WindowTraits traits;
    traits.section = m_config.windowName;
    traits.helpTopic = kHelpTopic;
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
}

TfmReport::~TfmReport() = default;

void TfmReport::setPeriod(QDate first, QDate last) {
    m_ui->dtpFirst->setDate(first);
    m_ui->dtpLast->setDate(last);
}

Parameters TfmReport::parameters() const {
    Parameters parameters;
    parameters.kind = m_config.kind;
    parameters.first = m_ui->dtpFirst->date();
    parameters.last = m_ui->dtpLast->date();
    const QVariant doctor = m_ui->cbDoctor->currentData();
    if (m_config.byDoctor && doctor.isValid()) {
        parameters.doctor = doctor.toInt();
        parameters.doctorName = m_ui->cbDoctor->currentText();
    }
    return parameters;
}

void TfmReport::setPrinterSource(PrinterSource source) {
    m_printerSource = std::move(source);
}

void TfmReport::createPresetMenu() {
    pmPeriod = new QMenu(this);
    pmPeriod->setObjectName(QStringLiteral("pmPeriod"));
    const QDate today = dates::today();
    for (const Preset preset : presets()) {
        QAction *action = pmPeriod->addAction(presetCaption(preset, today));
        connect(action, &QAction::triggered, this, [this, preset] { applyPreset(preset); });
    }
    for (QWidget *owner : {m_ui->dtpFirst, m_ui->dtpLast}) {
        connect(owner, &QWidget::customContextMenuRequested, this,
                [this, owner](const QPoint &at) { pmPeriod->popup(owner->mapToGlobal(at)); });
    }
}

void TfmReport::applyPreset(Preset preset) {
    const Period period = presetRange(preset, dates::today());
    setPeriod(period.first, period.last);
}

void TfmReport::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (m_config.byDoctor)
        fillDoctors();
    m_ui->dtpFirst->setFocus(Qt::ActiveWindowFocusReason);
}

void TfmReport::fillDoctors() {
    QList<Doctor> doctors;
    try {
        doctors = readDoctors(m_data.ibMain);
    } catch (const DbError &error) {
        MessageBox::dbError(this, error);
        return;
    }
    QComboBox *box = m_ui->cbDoctor;
    const QVariant chosen = box->currentData();
    while (box->count() > 1)
        box->removeItem(1);
    for (const Doctor &doctor : doctors)
        box->addItem(doctor.name, doctor.id);
    box->setCurrentIndex(std::max(0, box->findData(chosen)));
}

void TfmReport::btBuildClick() {
    const Parameters asked = parameters();
    if (asked.first > asked.last) {
        m_caption->show(QStringLiteral("Начало периода позже его конца"), kMessageTicks);
        m_ui->dtpFirst->setFocus();
        return;
    }
    Table table;
    try {
        const WaitCursor wait;
        table = read(m_data.ibMain, asked);
    } catch (const DbError &error) {
        MessageBox::dbError(this, error);
        return;
    }
    m_reportParameters = asked;
    showReport(table);
}

void TfmReport::showReport(const Table &table) {
    m_report = table;
    m_model->setTable(table);
    QTableView *view = m_ui->tvReport;
    view->resizeColumnsToContents();
    // A long text is not allowed to push the other columns out of sight.
    const int widest = std::max(120, view->viewport()->width() / 2);
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (view->columnWidth(column) > widest)
            view->setColumnWidth(column, widest);
    }
    if (m_config.chart) {
        // A chart whose labels need more height than the pane has scrolls in it.
        m_ui->chvReport->setMinimumHeight(
            std::max(kLeastChartHeight, int(chartMinimumHeight(m_config.kind, table))));
        QChart *previous = m_ui->chvReport->chart();
        const bool dark = palette().color(QPalette::Window).lightness() < 128;
        m_ui->chvReport->setChart(makeChart(m_config.kind, table, dark));
        delete previous;
    }
    enableOutput();
}

void TfmReport::enableOutput() {
    const bool made = m_report.has_value();
    for (QWidget *button :
         {m_ui->btPrint, m_ui->btPdf, m_ui->btPreview, m_ui->btExcel, m_ui->btCsv})
        button->setEnabled(made);
}

void TfmReport::printOn(QPrinter &printer) {
    QString error = paintReport(m_config.kind, *m_report, printer);
    if (error.isEmpty() && printer.printerState() == QPrinter::Error)
        error = QStringLiteral("Принтер сообщил об ошибке.");
    if (!error.isEmpty())
        MessageBox::error(this, QStringLiteral("Отчёт не напечатан. ") + error);
}

// On the default printer, as one job, as the outpatient card prints.
void TfmReport::btPrintClick() {
    if (!m_report)
        return;
    const std::unique_ptr<QPrinter> printer = m_printerSource ? m_printerSource() : nullptr;
    if (!printer) {
        MessageBox::error(this, QStringLiteral("Отчёт не напечатан: в системе не установлен "
                                               "принтер. Установите принтер или сохраните "
                                               "отчёт в PDF."));
        return;
    }
    printer->setDocName(m_report->title);
    setReportPageLayout(*printer);
    printOn(*printer);
}

void TfmReport::btPreviewClick() {
    if (!m_report)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_report->title);
    setReportPageLayout(printer);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("fmPreview"));
    preview.setWindowTitle(QStringLiteral("Просмотр: ") + m_report->title);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        preview.resize(std::min(area.width(), 1100), area.height() * 9 / 10);
    }
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter *target) { printOn(*target); });
    preview.exec();
}

void TfmReport::saveAs(Format format) {
    if (!m_report)
        return;
    const std::optional<SaveTarget> target = askWhereToSave(this, QStringLiteral("Сохранить отчёт"),
                                                            fileStem(m_reportParameters), {format});
    if (!target)
        return;
    QString failure;
    {
        const WaitCursor wait;
        failure = format == Format::Pdf
                      ? writeReportPdf(m_config.kind, *m_report, target->path, Existing::Replace)
                      : writeTable(*m_report, format, target->path, Existing::Replace);
    }
    if (!failure.isEmpty())
        tellNotSaved(this, target->path, failure);
}

void TfmReport::btPdfClick() {
    saveAs(Format::Pdf);
}

void TfmReport::btExcelClick() {
    saveAs(Format::Xlsx);
}

void TfmReport::btCsvClick() {
    saveAs(Format::Csv);
}

void TfmReport::sbtHelpClick() {
    m_behaviour->showHelp();
}
