#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QKeyEvent;
class QPrinter;
class QTextDocument;
class SettingsFile;
class SharedData;
class WindowBehaviour;

namespace Ui {
class TfmPrint;
}

// The print window `fmPrint`: the outpatient card of the current visit in an editable view,
// and the commands that print it, hand it to the word processor as RTF, save it as PDF and
// preview it. Made once at start-up and kept, hidden between uses; the card windows print by
// calling showVisit().
class TfmPrint : public QDialog {
    Q_OBJECT
public:
    TfmPrint(SharedData &data, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmPrint() override;

    // Replaces the view's content with the card of the current patient and visit of the shared
    // datasets, edits not yet saved included. Posts a diagnosis or intervention row being
    // edited; raises DbError, with the view unchanged, when the database refuses it.
    void BuildOutpatientCard();
    // Builds the card and shows the window modally; a refusal of the database is shown instead.
    void showVisit();

    // Where "Печать" prints: the system's default printer, or none when the system has no
    // printer. Tests put a PDF printer here.
    using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;
    void setPrinterSource(PrinterSource source);

    QTextDocument *document() const;

    // The file "Word" writes into the user's private folder under the temporary folder.
    static const QString kRtfFileName;
    static const QString kJobTitle;

public Q_SLOTS:
    void btPrintClick();
    void btWordClick();
    void btPdfClick();
    void btPreviewClick();
    void btCloseClick();
    void sbHelpClick();

private:
    bool FormKeyDown(QKeyEvent *event);
    // Paints the card on a printer, and tells the user when the printer did not take it.
    void printOn(QPrinter &printer);

    SharedData &m_data;
    const std::unique_ptr<Ui::TfmPrint> m_ui;
    std::unique_ptr<WindowBehaviour> m_behaviour;
    PrinterSource m_printerSource;
    QString m_pdfName;   // offered when the card is saved as PDF
    QString m_pdfFolder; // where the last PDF went in this run
};
