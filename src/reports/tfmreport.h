#pragma once

#include "reports/exportfile.h"
#include "reports/reportconfig.h"
#include "reports/reportperiod.h"
#include "reports/reporttable.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class TfmReport;
}
class CaptionMessage;
class QMenu;
class QPrinter;
class ReportModel;
class SettingsFile;
class SharedData;
class WindowBehaviour;

// A report window of the menu "Отчёты": "Приёмы по врачам" (`fmRepVisits`), "Диагнозы"
// (`fmRepDiagnoses`), "Пациенты за период" (`fmRepPatients`) or "Журнал приёма"
// (`fmRepJournal`), one window told apart by its reports::Config. The parameters on top (the
// period, with ready-made periods on a right click on a date, and a doctor where the report
// takes one), "Сформировать" (Enter), then the table and below it the chart; the report goes to
// the printer, a PDF, the preview, an Excel workbook or a CSV file as it was made last.
class TfmReport : public QDialog {
    Q_OBJECT
public:
    TfmReport(reports::Kind kind, SharedData &data, SettingsFile &settings,
              QWidget *parent = nullptr);
    ~TfmReport() override;

    const reports::Config &config() const { return m_config; }

    void setPeriod(QDate first, QDate last);
    // What the controls ask for now.
    reports::Parameters parameters() const;
    // The report made last; none before the first "Сформировать".
    const std::optional<reports::Table> &report() const { return m_report; }

    // Where "Печать" prints: the system's default printer, or none when the system has no
    // printer. Tests put a PDF printer here.
    using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;
    void setPrinterSource(PrinterSource source);

    static constexpr int kHelpTopic = 130;

public Q_SLOTS:
    void btBuildClick();
    void btPrintClick();
    void btPdfClick();
    void btPreviewClick();
    void btExcelClick();
    void btCsvClick();
    void sbtHelpClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createPresetMenu();
    void applyPreset(reports::Preset preset);
    // The doctors of the book as committed now, the one chosen kept.
    void fillDoctors();
    void showReport(const reports::Table &table);
    void enableOutput();
    void saveAs(reports::Format format);
    void printOn(QPrinter &printer);

    const reports::Config &m_config;
    const std::unique_ptr<Ui::TfmReport> m_ui;
    SharedData &m_data;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    CaptionMessage *m_caption = nullptr;
    ReportModel *m_model = nullptr;
    QMenu *pmPeriod = nullptr;
    PrinterSource m_printerSource;
    std::optional<reports::Table> m_report;
    reports::Parameters m_reportParameters; // what the report shown was made for
};
