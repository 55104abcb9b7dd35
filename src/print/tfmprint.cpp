#include "print/tfmprint.h"

#include "ui_tfmprint.h"

#include "data/dberror.h"
#include "print/carddocument.h"
#include "print/cardrows.h"
#include "print/outpatientcard.h"
#include "print/rtfwriter.h"
#include "support/dates.h"
#include "support/privatefile.h"
#include "support/shell.h"
#include "support/tempfolder.h"
#include "widgets/fontgrowth.h"
#include "widgets/keypreview.h"
#include "widgets/messagebox.h"
#include "widgets/windowbehaviour.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QStandardPaths>

namespace {

constexpr int kHelpTopic = 120;
// Where the window first appears while the settings file has no place for it yet.
constexpr QPoint kDesignPosition(250, 100);

std::unique_ptr<QPrinter> defaultPrinter() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(printer, QPrinter::HighResolution);
}

// Where a PDF of the card is offered first: the user's documents, or the home folder when there
// is no such folder (the file dialog would fall back to the program's working folder).
QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

const QString TfmPrint::kRtfFileName = QStringLiteral("report_patient.rtf");
const QString TfmPrint::kJobTitle = QStringLiteral("Ambulance card.");

TfmPrint::TfmPrint(SharedData &data, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_data(data), m_ui(std::make_unique<Ui::TfmPrint>()),
      m_printerSource(defaultPrinter), m_pdfFolder(documentsFolder()) {
    m_ui->setupUi(this);
    const QSize designSize = size();
    const QSize designMinimum = minimumSize();
    fontgrowth::growControlLimits(this);
    fontgrowth::growWindow(this, designSize, designMinimum);
    move(kDesignPosition);
    // Sizeable, with its own minimise box: only this window goes to the taskbar.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    connect(m_ui->btPrint, &QPushButton::clicked, this, &TfmPrint::btPrintClick);
    connect(m_ui->btWord, &QPushButton::clicked, this, &TfmPrint::btWordClick);
    connect(m_ui->btPdf, &QPushButton::clicked, this, &TfmPrint::btPdfClick);
    connect(m_ui->btPreview, &QPushButton::clicked, this, &TfmPrint::btPreviewClick);
    connect(m_ui->btClose, &QPushButton::clicked, this, &TfmPrint::btCloseClick);
    connect(m_ui->sbHelp, &QToolButton::clicked, this, &TfmPrint::sbHelpClick);
    new KeyPreview(this, [this](QKeyEvent *event) { return FormKeyDown(event); });

    WindowTraits traits;
    traits.section = objectName();
    traits.edgeRule = false;
    traits.minimize = WindowTraits::Minimize::ThisWindow;
    traits.helpTopic = kHelpTopic;
    m_behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
}

TfmPrint::~TfmPrint() = default;

QTextDocument *TfmPrint::document() const {
    return m_ui->RichEdit1->document();
}

void TfmPrint::setPrinterSource(PrinterSource source) {
    m_printerSource = std::move(source);
}

void TfmPrint::BuildOutpatientCard() {
    // Read first: a refused post leaves the view as it was.
    const CardRows rows = readCardRows(m_data);
    m_pdfName = suggestedPdfName(rows);
    QTextEdit *view = m_ui->RichEdit1;
    view->setUpdatesEnabled(false);
    fillCardDocument(*view->document(), composeOutpatientCard(rows, dates::now()));
    view->document()->clearUndoRedoStacks();
    view->moveCursor(QTextCursor::Start);
    view->setUpdatesEnabled(true);
}

void TfmPrint::showVisit() {
    try {
        BuildOutpatientCard();
    } catch (const DbError &error) {
        MessageBox::dbError(QApplication::activeWindow(), error);
        return;
    }
    exec();
}

void TfmPrint::printOn(QPrinter &printer) {
    QString error = paintCardDocument(*document(), printer);
    if (error.isEmpty() && printer.printerState() == QPrinter::Error)
        error = QStringLiteral("Принтер сообщил об ошибке.");
    if (!error.isEmpty())
        MessageBox::error(this, QStringLiteral("Карта не напечатана. ") + error);
}

// On the default printer, as one job, without asking; a system without a printer says so
// rather than printing nowhere.
void TfmPrint::btPrintClick() {
    const std::unique_ptr<QPrinter> printer = m_printerSource ? m_printerSource() : nullptr;
    if (!printer) {
        MessageBox::error(this, QStringLiteral("Карта не напечатана: в системе не установлен "
                                               "принтер. Установите принтер или сохраните "
                                               "карту в PDF."));
        return;
    }
    printer->setDocName(kJobTitle);
    setCardPageLayout(*printer);
    printOn(*printer);
}

// The word processor opens the card from a folder only this user can read.
void TfmPrint::btWordClick() {
    const PrivateFileResult file =
        writePrivateFile(GetTempFolder(), kRtfFileName, writeRtf(rtfParagraphs(*document())));
    if (!file.error.isEmpty()) {
        MessageBox::error(this, file.error);
        return;
    }
    if (!OpenWithShell(file.path, ShowMode::Maximized)) {
        MessageBox::error(this, QStringLiteral("Не удалось открыть карту в текстовом редакторе. "
                                               "Карта сохранена в файле\n%1")
                                    .arg(QDir::toNativeSeparators(file.path)));
    }
}

void TfmPrint::btPdfClick() {
    QFileDialog dialog(this, QStringLiteral("Сохранить карту в PDF"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setDirectory(m_pdfFolder);
    dialog.selectFile(m_pdfName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    const QString error = writeCardPdf(*document(), path);
    if (!error.isEmpty()) {
        MessageBox::error(this,
                          QStringLiteral("Карта не сохранена в файл «%1»:\n%2").arg(path, error));
        return;
    }
    m_pdfFolder = QFileInfo(path).absolutePath();
}

// The preview pages are those of the default printer; its print button asks for a printer.
void TfmPrint::btPreviewClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(kJobTitle);
    // Without a printer the preview prints to a PDF file: offer the name "PDF" offers.
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setOutputFileName(QDir(m_pdfFolder).filePath(m_pdfName));
    setCardPageLayout(printer);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("fmPreview"));
    preview.setWindowTitle(QStringLiteral("Просмотр амбулаторной карты"));
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        preview.resize(std::min(area.width(), 800), area.height() * 9 / 10);
    }
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter *target) { printOn(*target); });
    preview.exec();
}

void TfmPrint::btCloseClick() {
    reject();
}

void TfmPrint::sbHelpClick() {
    m_behaviour->showHelp();
}

bool TfmPrint::FormKeyDown(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        btCloseClick();
        return true;
    }
    return false;
}
