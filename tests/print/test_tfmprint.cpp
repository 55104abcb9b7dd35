// The print window, offscreen, on the shared datasets of a real database made from the template.

#include "data/shareddata.h"
#include "print/tfmprint.h"
#include "support/dates.h"
#include "support/settingsfile.h"
#include "testdatabase.h"
#include "widgets/messagebox.h"
#include "windowcontrol.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDateTime kNow(QDate(2024, 5, 12), QTime(10, 0));

// Stands in for the desktop's opener.
class Opener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

QString pdfText(const QString &path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

bool isPdf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

} // namespace

class TestTfmPrint : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> dir; // one for each test
    QDir temp;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<SharedData> data;
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<TfmPrint> fmPrint;
    Opener opener;
    QStringList messages;
    // The temporary folder of the whole run: the database engine keeps its lock files there
    // from the first connection on, so it stays while the tests come and go.
    QTemporaryDir tmpRoot;
    QByteArray savedTmpDir;
    QString privateFolder() const {
        return tmpRoot.filePath(QStringLiteral("ventrel-%1").arg(uint(::geteuid())));
    }

    QTextEdit *view() const { return fmPrint->findChild<QTextEdit *>(QStringLiteral("RichEdit1")); }
    QPushButton *button(const char *name) const {
        return fmPrint->findChild<QPushButton *>(QLatin1String(name));
    }
    void usePdfPrinter(const QString &path) {
        fmPrint->setPrinterSource([path] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(path);
            return printer;
        });
    }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void windowAsDesigned();
    void placeAndSizeKeptUnderItsName();
    void showsCurrentVisitAndEscCloses();
    void refusalOfPendingRowIsShownInstead();
    void printsOnTheDefaultPrinterAsOneJob();
    void withoutPrinterSaysSoAndPrintsNothing();
    void failedPrintingSaysSo();
    void wordGetsPrivateRtf();
    void wordRefusesPlantedFolder();
    void savesPdfWhereTheUserSays();
    void previewShowsThePages();
};

void TestTfmPrint::initTestCase() {
    QVERIFY(tmpRoot.isValid());
    savedTmpDir = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmpRoot.path().toUtf8());
}

void TestTfmPrint::cleanupTestCase() {
    qputenv("TMPDIR", savedTmpDir);
}

void TestTfmPrint::init() {
    dir.emplace();
    QVERIFY(dir->isValid());
    temp = QDir(dir->path());
    dates::setClock([] { return kNow; });
    messages.clear();
    MessageBox::setAnswerer([this](const QString &text) {
        messages << text;
        return QMessageBox::Ok;
    });
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
    opener.opened.clear();

    db = std::make_unique<TestDatabase>();
    data = std::make_unique<SharedData>();
    data->open(db->path(), QStringLiteral("select * from MAIN order by FIO"));
    data->ibdsDiag.insert();
    data->ibdsDiag.setValue(QStringLiteral("Z_NAME"), QStringLiteral("ОРВИ"));
    data->ibdsDiag.post();
    data->ibdsMain.insert();
    data->ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Иванов Иван Иванович"));
    data->ibdsMain.post();
    data->ibdsCard.insert();
    data->ibdsCard.setValue(QStringLiteral("C_DATE"), QDate(2024, 5, 10));
    data->ibdsCard.setValue(QStringLiteral("C_ZHALOBA"), QStringLiteral("кашель"));
    data->ibdsCard.post();

    settings = std::make_unique<SettingsFile>(temp.filePath(QStringLiteral("Ventrel.ini")));
    fmPrint = std::make_unique<TfmPrint>(*data, *settings);
}

void TestTfmPrint::cleanup() {
    fmPrint.reset();
    settings.reset();
    data.reset();
    db.reset();
    if (QFileInfo(privateFolder()).isSymLink())
        QFile::remove(privateFolder());
    else
        QDir(privateFolder()).removeRecursively();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    MessageBox::setAnswerer({});
    dates::setClock({});
    dir.reset();
}

void TestTfmPrint::windowAsDesigned() {
    QCOMPARE(fmPrint->objectName(), QStringLiteral("fmPrint"));
    QCOMPARE(fmPrint->windowTitle(), QStringLiteral("Печать амбулаторной карты"));
    QCOMPARE(fmPrint->minimumSize(), QSize(337, 320));
    const QList<std::array<QString, 3>> buttons = {
        {"btPrint", "Печать", ""},
        {"btWord", "Word", "Передать текст в Word"},
        {"btPdf", "PDF", "Сохранить карту в PDF"},
        {"btPreview", "Просмотр", "Просмотр перед печатью"},
        {"btClose", "Закрыть", ""},
    };
    for (const auto &[name, caption, hint] : buttons) {
        QPushButton *b = fmPrint->findChild<QPushButton *>(name);
        QVERIFY2(b, qPrintable(name));
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->toolTip(), hint);
    }
    QVERIFY(button("btPrint")->isDefault());
    auto *help = fmPrint->findChild<QToolButton *>(QStringLiteral("sbHelp"));
    QVERIFY(help);
    QCOMPARE(help->text(), QStringLiteral("Справка"));
    QCOMPARE(help->toolTip(), QStringLiteral("Показать справку по печати (F1)"));
    QVERIFY(view());
    QVERIFY(!view()->isReadOnly());
    QCOMPARE(view()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void TestTfmPrint::placeAndSizeKeptUnderItsName() {
    fmPrint.reset();
    QFile ini(settings->path());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[fmPrint]\r\nLeft=-300\r\nTop=20\r\nWidth=500\r\nHeight=400\r\n");
    ini.close();
    fmPrint = std::make_unique<TfmPrint>(*data, *settings);
    // No edge rule: the window may stand partly off the screen.
    QCOMPARE(fmPrint->frameGeometry(), QRect(-300, 20, 500, 400));
    fmPrint->resize(520, 410);
    fmPrint.reset();
    QCOMPARE(settings->readInteger(QStringLiteral("fmPrint"), QStringLiteral("Width"), 0), 520);
    QCOMPARE(settings->readInteger(QStringLiteral("fmPrint"), QStringLiteral("Left"), 0), -300);
}

// The card of the current visit in the view, the caret at its start; Esc in the view closes.
void TestTfmPrint::showsCurrentVisitAndEscCloses() {
    data->ibdsDiagnoz.insert();
    data->ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), 1);
    bool shown = false;
    whenModal([&](QWidget *modal) {
        QCOMPARE(modal, fmPrint.get());
        shown = true;
        QCOMPARE(view()->toPlainText(),
                 QStringLiteral("Амбулаторная карта\nИванов Иван Иванович\nЖалобы: кашель\n"
                                "Диагноз:\nОРВИ\n\n\n\n10.05.2024"));
        QCOMPARE(view()->textCursor().position(), 0);
        QVERIFY(!view()->textCursor().hasSelection());
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_Escape);
    });
    fmPrint->showVisit();
    QVERIFY(shown);
    QVERIFY(!fmPrint->isVisible());
    // The diagnosis being typed was written before the card was read.
    QCOMPARE(data->ibdsDiagnoz.state(), Dataset::State::Browse);
    QVERIFY(messages.isEmpty());
}

void TestTfmPrint::refusalOfPendingRowIsShownInstead() {
    data->ibdsDiagnoz.insert();
    data->ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), 1);
    data->ibdsDiagnoz.post();
    const int taken = data->ibdsDiagnoz.value(QStringLiteral("G_ID")).toInt();
    data->ibdsDiagnoz.insert();
    data->ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), 1);
    data->ibdsDiagnoz.setValue(QStringLiteral("G_ID"), taken);

    fmPrint->showVisit(); // a window shown would wait here for a person
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QStringLiteral("PRIMARY")), qPrintable(messages.first()));
    QVERIFY(!fmPrint->isVisible());
    QVERIFY(view()->document()->isEmpty());
}

// The whole document, as the user left it in the view, in one job titled "Ambulance card."
void TestTfmPrint::printsOnTheDefaultPrinterAsOneJob() {
    const QString path = temp.filePath(QStringLiteral("printed.pdf"));
    usePdfPrinter(path);
    fmPrint->BuildOutpatientCard();
    view()->moveCursor(QTextCursor::End);
    view()->insertPlainText(QStringLiteral(" (повторно)"));

    QTest::mouseClick(button("btPrint"), Qt::LeftButton);
    QVERIFY(messages.isEmpty());
    QVERIFY(isPdf(path));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (package poppler-utils) is not installed; tools/setup.sh installs it");
    QCOMPARE(pdfText(path), view()->toPlainText().simplified());
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    info.waitForFinished();
    QVERIFY(info.readAllStandardOutput().contains("Ambulance card."));
}

void TestTfmPrint::withoutPrinterSaysSoAndPrintsNothing() {
    fmPrint->setPrinterSource([] { return std::unique_ptr<QPrinter>(); });
    fmPrint->BuildOutpatientCard();
    QTest::mouseClick(button("btPrint"), Qt::LeftButton);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QStringLiteral("не установлен принтер")),
             qPrintable(messages.first()));
}

void TestTfmPrint::failedPrintingSaysSo() {
    usePdfPrinter(temp.filePath(QStringLiteral("no such folder/printed.pdf")));
    fmPrint->BuildOutpatientCard();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(".*")));
    QTest::mouseClick(button("btPrint"), Qt::LeftButton);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("Карта не напечатана.")),
             qPrintable(messages.first()));
}

// Written into the user's own folder under the temporary folder, readable by the user alone,
// replaced by the next export, and opened with the program the desktop has for it.
void TestTfmPrint::wordGetsPrivateRtf() {
    fmPrint->BuildOutpatientCard();
    QTest::mouseClick(button("btWord"), Qt::LeftButton);
    view()->moveCursor(QTextCursor::End);
    view()->insertPlainText(QStringLiteral("!"));
    QTest::mouseClick(button("btWord"), Qt::LeftButton);

    QVERIFY(messages.isEmpty());
    const QString folder = privateFolder();
    const QString path = folder + QStringLiteral("/report_patient.rtf");
    QCOMPARE(opener.opened, QList<QUrl>(2, QUrl::fromLocalFile(path)));
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(folder).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0700u);
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0600u);
    QFile rtf(path);
    QVERIFY(rtf.open(QIODevice::ReadOnly));
    const QByteArray text = rtf.readAll();
    QVERIFY(text.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
    QVERIFY(text.contains("10.05.2024!"));
}

void TestTfmPrint::wordRefusesPlantedFolder() {
    const QString elsewhere = temp.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(QFile::link(elsewhere, privateFolder()));
    fmPrint->BuildOutpatientCard();
    QTest::mouseClick(button("btWord"), Qt::LeftButton);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QStringLiteral("ссылка")), qPrintable(messages.first()));
    QVERIFY(opener.opened.isEmpty());
    QVERIFY(QDir(elsewhere).isEmpty());
}

// The standard save dialog offers the surname and the visit's date; the file is a PDF.
void TestTfmPrint::savesPdfWhereTheUserSays() {
    const QString path = temp.filePath(QStringLiteral("карта"));
    fmPrint->BuildOutpatientCard();
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(),
                 QStringLiteral("Иванов 10.05.2024.pdf"));
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
    QTest::mouseClick(button("btPdf"), Qt::LeftButton);
    QVERIFY(messages.isEmpty());
    QVERIFY(isPdf(path + QStringLiteral(".pdf")));
}

void TestTfmPrint::previewShowsThePages() {
    fmPrint->BuildOutpatientCard();
    int pages = 0;
    whenModal([&](QWidget *modal) {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(modal);
        QVERIFY(preview);
        auto *widget = preview->findChild<QPrintPreviewWidget *>();
        QVERIFY(widget);
        pages = widget->pageCount();
        preview->reject();
    });
    QTest::mouseClick(button("btPreview"), Qt::LeftButton);
    QCOMPARE(pages, 1);
    QVERIFY(messages.isEmpty());
}

QTEST_MAIN(TestTfmPrint)
#include "test_tfmprint.moc"
