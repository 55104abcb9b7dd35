// The main window, offscreen, on a real database made from the template.

#include "app/tfmmain.h"
#include "committedcount.h"
#include "data/dberror.h"
#include "data/statement.h"
#include "keyboard.h"
#include "registerfixture.h"
#include "support/dates.h"
#include "support/settingsfile.h"
#include "testdatabase.h"
#include "widgets/captionmessage.h"
#include "widgets/messagebox.h"
#include "widgets/windowbehaviour.h"
#include "windowcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

const QDateTime kNow(QDate(2024, 3, 31), QTime(10, 0));

// The books the visits name: diagnoses 1 "Гастрит" and 2 "Язва", intervention 1 "ФГДС".
const SeedBooks kBooks = {
    {QStringLiteral("Гастрит"), QStringLiteral("Язва")}, {QStringLiteral("ФГДС")}, {}};

// A patient with the address every one of them has, and a visit on each of the days given (an
// invalid day stands for a visit without a date), each visit with the same diagnoses and
// interventions.
SeedPatient patient(const QString &fio, const QList<QDate> &days = {},
                    const QList<int> &diagnoses = {}, const QList<int> &interventions = {}) {
    SeedPatient seeded{.fio = fio, .address = QStringLiteral("ул. Лесная, 5")};
    for (const QDate &day : days)
        seeded.visits << SeedVisit{
            .date = day, .diagnoses = diagnoses, .interventions = interventions};
    return seeded;
}

// The patients every test starts with, around the month and year edges of 31 March 2024.
const QList<SeedPatient> kPatients = {
    patient(QStringLiteral("Апрелев Андрей"), {QDate(2024, 2, 29)}),
    patient(QStringLiteral("Бубнов Борис"), {QDate(2024, 3, 1)}),
    patient(QStringLiteral("Веткин Виктор"), {QDate(2023, 2, 28)}),
    patient(QStringLiteral("Гусев Глеб"), {QDate(2023, 3, 1)}),
    patient(QStringLiteral("Дронов Денис"), {QDate()}),
    patient(QStringLiteral("Ежов Егор")),
    patient(QStringLiteral("Иванов Иван"), {QDate(2024, 3, 15)}),
    patient(QStringLiteral("Ивашкин Илья"), {QDate(2023, 6, 1)}),
    patient(QStringLiteral("О'Нил Шон"), {QDate(2024, 3, 20)}),
    patient(QStringLiteral("Ivanov Ivan"), {QDate(2024, 3, 10)}),
    patient(QStringLiteral("Удалов Ульян"),
            {QDate(2024, 3, 25), QDate(2024, 3, 26), QDate(2024, 3, 27)}, {1, 2}, {1}),
};

// A window made by the program, with the behaviour every window has.
class OtherWindow : public QWidget {
public:
    OtherWindow(SettingsFile &settings, const QString &section) {
        WindowTraits traits;
        traits.section = section;
        behaviour = std::make_unique<WindowBehaviour>(this, settings, traits);
    }
    std::unique_ptr<WindowBehaviour> behaviour;
};

} // namespace

class TestTfmMain : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<QTemporaryDir> dataDir;
    std::unique_ptr<TfmMain> fmMain;
    QStringList dbErrors;

    StartupState state(bool viewMode) const {
        StartupState s;
        s.programFolder = s.dataFolder = dataDir->path() + u'/';
        s.databaseFolder = db->folder() + u'/';
        s.databaseFile = db->path();
        s.settingsFile = dataDir->filePath(QStringLiteral("Ventrel.ini"));
        s.viewMode = viewMode;
        return s;
    }

    void start(bool viewMode = false) {
        fmMain = std::make_unique<TfmMain>(state(viewMode));
        fmMain->show();
        fmMain->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fmMain.get()));
        QTRY_VERIFY(fmMain->isLoaded());
    }

    template <typename T> T *child(const char *name) {
        T *found = fmMain->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    QStringList listed() {
        Dataset &patients = fmMain->data().ibdsMain;
        QStringList names;
        const int rows = patients.isOpen() ? patients.recordCount() : 0;
        for (int row = 0; row < rows; ++row)
            names << patients.value(row, QStringLiteral("FIO")).toString();
        names.sort();
        return names;
    }

    int count(const QString &sql) { return committedCount(db->path(), sql); }

    // Types into the search box as a person would: the prompt goes when the box takes the
    // focus, an earlier search text is selected and typed over.
    void searchFor(const QString &text) {
        auto *search = child<QComboBox>("cbbSearch");
        search->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), search);
        search->lineEdit()->selectAll();
        typeText(search, text);
    }

    QAction *action(const char *name) { return child<QAction>(name); }

private Q_SLOTS:
    void init() {
        dates::setClock([] { return kNow; });
        dbErrors.clear();
        MessageBox::setAnswerer([this](const QString &message) {
            dbErrors << message;
            return QMessageBox::Ok;
        });
        db = std::make_unique<TestDatabase>();
        dataDir = std::make_unique<QTemporaryDir>();
        seedRegister(db->path(), kBooks, kPatients);
    }

    void cleanup() {
        fmMain.reset();
        db.reset();
        dates::setClock({});
        MessageBox::setAnswerer({});
    }

    void startListShowsLastMonthAndUndatedVisits() {
        start();
        QCOMPARE(fmMain->windowTitle(), QStringLiteral("Вентрель"));
        QCOMPARE(listed(),
                 (QStringList{QStringLiteral("Ivanov Ivan"), QStringLiteral("Апрелев Андрей"),
                              QStringLiteral("Бубнов Борис"), QStringLiteral("Дронов Денис"),
                              QStringLiteral("Иванов Иван"), QStringLiteral("О'Нил Шон"),
                              QStringLiteral("Удалов Ульян")}));
        QCOMPARE(fmMain->statusText(), QStringLiteral("Пациенты за месяц"));
        QCOMPARE(child<QComboBox>("cbbSearch")->currentText(), QStringLiteral("Поиск по фамилии"));
        QCOMPARE(child<QTableView>("dbgMain")->model()->rowCount(), 7);
    }

    void periodLists_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("status");
        QTest::newRow("month on 31 March: after 29 February")
            << QDate(2024, 3, 31) << QStringLiteral("mmLastMonth")
            << QStringList{QStringLiteral("Ivanov Ivan"), QStringLiteral("Бубнов Борис"),
                           QStringLiteral("Иванов Иван"), QStringLiteral("О'Нил Шон"),
                           QStringLiteral("Удалов Ульян")}
            << QStringLiteral("Пациенты за месяц");
        QTest::newRow("year on 31 March")
            << QDate(2024, 3, 31) << QStringLiteral("mmLastYear")
            << QStringList{QStringLiteral("Ivanov Ivan"),  QStringLiteral("Апрелев Андрей"),
                           QStringLiteral("Бубнов Борис"), QStringLiteral("Иванов Иван"),
                           QStringLiteral("Ивашкин Илья"), QStringLiteral("О'Нил Шон"),
                           QStringLiteral("Удалов Ульян")}
            << QStringLiteral("Пациенты за год");
        QTest::newRow("year on 29 February: after 28 February")
            << QDate(2024, 2, 29) << QStringLiteral("mmLastYear")
            << QStringList{QStringLiteral("Ivanov Ivan"),  QStringLiteral("Апрелев Андрей"),
                           QStringLiteral("Бубнов Борис"), QStringLiteral("Гусев Глеб"),
                           QStringLiteral("Иванов Иван"),  QStringLiteral("Ивашкин Илья"),
                           QStringLiteral("О'Нил Шон"),    QStringLiteral("Удалов Ульян")}
            << QStringLiteral("Пациенты за год");
    }
    void periodLists() {
        QFETCH(QDate, today);
        QFETCH(QString, command);
        QFETCH(QStringList, names);
        QFETCH(QString, status);
        start();
        fmMain->setStatusText(QStringLiteral("before"));
        dates::setClock([today] { return QDateTime(today, QTime(9, 0)); });
        action(command.toLatin1().constData())->trigger();
        QCOMPARE(listed(), names);
        QCOMPARE(fmMain->statusText(), status);
    }

    void searchBox_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("names"); // empty: the start list stays
        QTest::addColumn<QString>("status");
        QTest::newRow("и: capital, no search")
            << QStringLiteral("и") << QStringLiteral("И") << QStringList()
            << QStringLiteral("Пациенты за месяц");
        QTest::newRow("ив") << QStringLiteral("ив") << QStringLiteral("Ив")
                            << QStringList{QStringLiteral("Иванов Иван"),
                                           QStringLiteral("Ивашкин Илья")}
                            << QStringLiteral("Пациенты на \"Ив*\"");
        QTest::newRow("iv: Latin as typed, finds no capitalised name")
            << QStringLiteral("iv") << QStringLiteral("iv") << QStringList{QString()}
            << QStringLiteral("Пациенты на \"iv*\"");
        QTest::newRow("apostrophe")
            << QStringLiteral("о'Н") << QStringLiteral("О'Н")
            << QStringList{QStringLiteral("О'Нил Шон")} << QStringLiteral("Пациенты на \"О'Н*\"");
        QTest::newRow("letters outside the code page are refused")
            << QStringLiteral("ив中é") << QStringLiteral("Ив")
            << QStringList{QStringLiteral("Иванов Иван"), QStringLiteral("Ивашкин Илья")}
            << QStringLiteral("Пациенты на \"Ив*\"");
        QTest::newRow("patient without visits")
            << QStringLiteral("еж") << QStringLiteral("Еж")
            << QStringList{QStringLiteral("Ежов Егор")} << QStringLiteral("Пациенты на \"Еж*\"");
    }
    void searchBox() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QStringList, names);
        QFETCH(QString, status);
        start();
        const QStringList startList = listed();
        searchFor(typed);
        QCOMPARE(child<QComboBox>("cbbSearch")->currentText(), shown);
        if (names.isEmpty())
            QCOMPARE(listed(), startList);
        else
            QCOMPARE(listed(), names == QStringList{QString()} ? QStringList() : names);
        QCOMPARE(fmMain->statusText(), status);
        QVERIFY(dbErrors.isEmpty());
    }

    void typingInTheListStartsTheSearch() {
        start();
        auto *list = child<QTableView>("dbgMain");
        auto *search = child<QComboBox>("cbbSearch");
        QCOMPARE(QApplication::focusWidget(), list);
        const QStringList startList = listed();
        typeText(list, QStringLiteral("и"));
        QTRY_COMPARE(QApplication::focusWidget(), search);
        QCOMPARE(search->currentText(), QStringLiteral("И"));
        QCOMPARE(listed(), startList);
        typeText(search, QStringLiteral("в"));
        QCOMPARE(search->currentText(), QStringLiteral("Ив"));
        QCOMPARE(listed(),
                 (QStringList{QStringLiteral("Иванов Иван"), QStringLiteral("Ивашкин Илья")}));
        QCOMPARE(fmMain->statusText(), QStringLiteral("Пациенты на \"Ив*\""));
        // Down goes back to the list.
        QTest::keyClick(search, Qt::Key_Down);
        QTRY_COMPARE(QApplication::focusWidget(), list);
    }

    // Enter with no modifier edits the current patient, or adds one with the searched name when
    // the list is empty; with Ctrl or Shift it does nothing.
    void enterEditsOrAdds() {
        start();
        QList<QPair<Dataset::State, QString>> opened;
        TfmMain::Windows windows;
        windows.cardEdit = [&] {
            Dataset &patients = fmMain->data().ibdsMain;
            opened << qMakePair(patients.state(), patients.value(QStringLiteral("FIO")).toString());
            patients.cancel();
        };
        fmMain->setWindows(windows);
        auto *search = child<QComboBox>("cbbSearch");
        searchFor(QStringLiteral("Ив"));
        QTest::keyClick(search, Qt::Key_Return);
        searchFor(QStringLiteral("Яковлев"));
        QVERIFY(listed().isEmpty());
        QTest::keyClick(search, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClick(search, Qt::Key_Enter, Qt::ShiftModifier);
        QTest::keyClick(search, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[0], qMakePair(Dataset::State::Browse, QStringLiteral("Иванов Иван")));
        QCOMPARE(opened[1], qMakePair(Dataset::State::Insert, QStringLiteral("Яковлев")));
    }

    void viewModeOnAnEmptyList() {
        start(true);
        int views = 0;
        int edits = 0;
        TfmMain::Windows windows;
        windows.cardView = [&] { ++views; };
        windows.cardEdit = [&] {
            ++edits;
            fmMain->data().ibdsMain.cancel();
        };
        fmMain->setWindows(windows);
        auto *list = child<QTableView>("dbgMain");
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(views, 1);
        QCOMPARE(edits, 0);
        searchFor(QStringLiteral("Яя"));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(100, 10));
        QCOMPARE(views, 1);
        QCOMPARE(fmMain->windowTitle(),
                 QStringLiteral("Нет пациентов в списке. Просмотр невозможен"));
        QCOMPARE(fmMain->captionMessage().remainingTicks(), 10);
        // Enter in the list, which the double-click focused, still adds a patient.
        QCOMPARE(QApplication::focusWidget(), list);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(edits, 1);
    }

    void menuEnabling_data() {
        QTest::addColumn<bool>("viewMode");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("defaultItem");
        QTest::newRow("rows") << false << false << QStringLiteral("mmEdit");
        QTest::newRow("rows, view mode") << true << false << QStringLiteral("mmView");
        QTest::newRow("empty") << false << true << QStringLiteral("mmAdd");
        QTest::newRow("empty, view mode") << true << true << QStringLiteral("mmAdd");
    }
    void menuEnabling() {
        QFETCH(bool, viewMode);
        QFETCH(bool, empty);
        QFETCH(QString, defaultItem);
        start(viewMode);
        TfmMain::Windows windows;
        windows.cardEdit = windows.cardView = windows.filter = windows.merge = [] {};
        windows.book = [](BookKind) {};
        fmMain->setWindows(windows);
        if (empty)
            searchFor(QStringLiteral("Яя"));
        auto *card = child<QMenu>("mCard");
        auto *popup = child<QMenu>("pmMain");
        QCOMPARE(popup->defaultAction()->objectName(),
                 viewMode ? QStringLiteral("pmView") : QStringLiteral("pmEdit"));
        card->popup(QPoint(0, 0));
        card->close();
        popup->popup(QPoint(0, 0));
        popup->close();
        for (const char *item : {"mmView", "mmEdit", "pmView", "pmEdit", "pmMerge"})
            QCOMPARE(action(item)->isEnabled(), !empty);
        for (const char *item : {"mmAdd", "mmDel", "pmAdd"})
            QVERIFY(action(item)->isEnabled());
        QCOMPARE(action("pmExport")->isEnabled(), !empty);
        QCOMPARE(card->defaultAction()->objectName(), defaultItem);
    }

    // A command whose window is not part of the program does not pretend to work.
    void commandsWithoutTheirWindowAreDisabled() {
        start();
        for (const char *item :
             {"mmAdd", "mmEdit", "mmView", "pmAdd", "mmFilter", "mmDocs", "mmRepJournal"})
            QVERIFY2(!action(item)->isEnabled(), item);
        QVERIFY(!child<QToolButton>("sbtAdd")->isEnabled());
        TfmMain::Windows windows;
        windows.cardView = [] {};
        fmMain->setWindows(windows);
        QVERIFY(action("mmView")->isEnabled());
        QVERIFY(!action("mmEdit")->isEnabled());
    }

    // "Отчёты" opens the four reports; "Экспорт списка..." writes the patients the list shows,
    // here a search's, as the list shows them.
    void reportsAndTheListsExport() {
        start();
        QStringList items;
        for (const QAction *item : child<QMenu>("mRep")->actions())
            items << item->text();
        QCOMPARE(items, (QStringList{"Приёмы по врачам...", "Диагнозы...", "Пациенты за период...",
                                     "Журнал приёма..."}));
        QList<reports::Kind> opened;
        TfmMain::Windows windows;
        windows.report = [&](reports::Kind kind) { opened << kind; };
        fmMain->setWindows(windows);
        action("mmRepJournal")->trigger();
        action("mmRepVisits")->trigger();
        QCOMPARE(opened,
                 (QList<reports::Kind>{reports::Kind::Journal, reports::Kind::VisitsByDoctor}));

        searchFor(QStringLiteral("Ив"));
        const QString path = dataDir->filePath(QStringLiteral("список.csv"));
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(),
                     QStringLiteral("Список пациентов 31.03.2024.xlsx"));
            dialog->selectNameFilter(QStringLiteral("CSV (*.csv)"));
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept();
        });
        action("pmExport")->trigger();
        QVERIFY2(dbErrors.isEmpty(), qPrintable(dbErrors.join(u'\n')));
        QFile csv(path);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(
            QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n")),
            (QStringList{"\uFEFFПациент;Дата рождения;Возраст;Пол;Адрес;Телефоны",
                         "Иванов Иван;;;;ул. Лесная, 5;", "Ивашкин Илья;;;;ул. Лесная, 5;", ""}));
    }

    // Help stands at the right end, and the arrow keys still walk round all menus.
    void arrowKeysReachTheHelpMenu() {
        start();
        auto *card = child<QMenu>("mCard");
        auto *last = fmMain->menuBar()->actions().constLast()->menu(); // "Сервис"
        auto *help = child<QMenu>("mHelp");
        fmMain->menuBar()->setActiveAction(card->menuAction());
        QTRY_VERIFY(card->isVisible());
        const QList<QPair<int, QMenu *>> walk = {{Qt::Key_Left, help},
                                                 {Qt::Key_Right, card},
                                                 {Qt::Key_Left, help},
                                                 {Qt::Key_Left, last},
                                                 {Qt::Key_Right, help}};
        QMenu *open = card;
        for (const auto &[key, next] : walk) {
            QTest::keyClick(open, Qt::Key(key));
            QTRY_VERIFY2(next->isVisible(), qPrintable(next->objectName()));
            QVERIFY(!open->isVisible());
            open = next;
        }
        open->close();
    }

    void menuHintsShowInTheCaption() {
        start();
        QMenuBar *bar = fmMain->menuBar();
        auto *card = child<QMenu>("mCard");
        bar->setActiveAction(card->menuAction());
        QTRY_VERIFY(card->isVisible());
        QCOMPARE(fmMain->windowTitle(), QStringLiteral("Вентрель"));
        card->setActiveAction(action("mmExit"));
        QCOMPARE(fmMain->windowTitle(), QStringLiteral("Выйти из программы"));
        QCOMPARE(fmMain->captionMessage().remainingTicks(), 3);
        card->close();
        // Help sits at the right end of the menu bar.
        QVERIFY(bar->cornerWidget(Qt::TopRightCorner)->findChild<QMenu *>(QStringLiteral("mHelp")));
    }

    void deleteAsksAndTakesEveryRowOfThePatient() {
        start();
        Dataset &patients = fmMain->data().ibdsMain;
        QVERIFY(patients.locate(QStringLiteral("FIO"), QStringLiteral("Удалов Ульян")));
        const QString id = patients.value(QStringLiteral("ID")).toString();

        MessageBox::setNextAnswer(QMessageBox::Cancel);
        action("mmDel")->trigger();
        QCOMPARE(MessageBox::lastText(), QStringLiteral("Удалить карточку пациента?"));
        QVERIFY(listed().contains(QStringLiteral("Удалов Ульян")));

        MessageBox::setNextAnswer(QMessageBox::Ok);
        action("mmDel")->trigger();
        QVERIFY(!listed().contains(QStringLiteral("Удалов Ульян")));
        QVERIFY(dbErrors.isEmpty());

        // The deletion is committed at once: a rollback later does not bring the patient back.
        fmMain->data().ibTrans.rollbackRetaining();
        fmMain.reset();
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN where ID=") + id), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from CARD where C_KEY=") + id), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from VMESHAT")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from CARD")), 9);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAG")), 2);
        QCOMPARE(count(QStringLiteral("select count(*) from VMESH")), 1);
    }

    // Nothing to delete: no question and no message in the program's inner words.
    void deleteOnAnEmptyListDoesNothing() {
        start();
        searchFor(QStringLiteral("Яя"));
        action("mmDel")->trigger();
        QVERIFY(dbErrors.isEmpty());
        QCOMPARE(fmMain->data().ibdsMain.state(), Dataset::State::Browse);
    }

    // Menu keys reach the menu from the search box too: Ctrl+Del deletes, Esc ends the program.
    void menuKeysWorkFromTheSearchBox() {
        start();
        auto *search = child<QComboBox>("cbbSearch");
        searchFor(QStringLiteral("Ив"));
        MessageBox::setNextAnswer(QMessageBox::Cancel);
        QTest::keyClick(search, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(MessageBox::lastText(), QStringLiteral("Удалить карточку пациента?"));
        QCOMPARE(search->currentText(), QStringLiteral("Ив"));
        QTest::keyClick(search, Qt::Key_Escape);
        QVERIFY(!fmMain->isVisible());
    }

    // The age column's title is not cut when it turns bold with the current row.
    void ageTitleFitsInBold() {
        start();
        QHeaderView *titles = child<QTableView>("dbgMain")->horizontalHeader();
        QFont bold = titles->font();
        bold.setBold(true);
        const int margins = 2 * titles->style()->pixelMetric(QStyle::PM_HeaderMargin);
        QVERIFY(titles->sectionSize(1) >=
                QFontMetrics(bold).horizontalAdvance(QStringLiteral("Возраст")) + margins);
    }

    // A button shows only while it clears the search box, and its caption is never cut: a
    // caption wider than the design width widens the button to the left.
    void buttonsGiveWayOnANarrowWindow_data() {
        QTest::addColumn<int>("width");
        for (int width : {560, 450, 449, 332, 331, 300})
            QTest::addRow("%d", width) << width;
    }
    void buttonsGiveWayOnANarrowWindow() {
        QFETCH(int, width);
        start();
        fmMain->resize(width, 400);
        QTRY_COMPARE(fmMain->centralWidget()->width(), width);
        const QRect search = child<QComboBox>("cbbSearch")->geometry();
        for (const char *name : {"sbtAdd", "sbtExit"}) {
            auto *button = child<QToolButton>(name);
            QCOMPARE(button->isVisible(), search.right() + 3 < button->x());
            QVERIFY(button->width() >= button->sizeHint().width());
        }
        if (width >= 560)
            QVERIFY(child<QToolButton>("sbtAdd")->isVisible());
    }

    // At the end the other windows write their settings first, newest first, then the main
    // window its bounds as they were at closing, Top first.
    void settingsAreWrittenAtTheEnd() {
        start();
        SettingsFile &settings = fmMain->settings();
        fmMain->adoptWindow(new OtherWindow(settings, QStringLiteral("fmDiag")));
        fmMain->adoptWindow(new OtherWindow(settings, QStringLiteral("fmPrint")));
        fmMain->setGeometry(150, 130, 480, 400);
        QTRY_COMPARE(fmMain->geometry(), QRect(150, 130, 480, 400));
        const QRect bounds = fmMain->frameGeometry();
        const QString path = settings.path();
        fmMain.reset();

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(file.readAll());
        QVERIFY(text.indexOf(u"[fmPrint]") < text.indexOf(u"[fmDiag]"));
        QVERIFY(text.indexOf(u"[fmDiag]") < text.indexOf(u"[fmMain]"));
        QVERIFY(text.endsWith(QStringLiteral("[fmMain]\nTop=%1\nLeft=%2\nWidth=%3\nHeight=%4\n")
                                  .arg(bounds.y())
                                  .arg(bounds.x())
                                  .arg(bounds.width())
                                  .arg(bounds.height())));
    }

    // A register that cannot be opened is a message that names the file and the cause, and the
    // window stays, without a list. A register cut in half opens, and fails at its first read:
    // it is told as damaged all the same, not in the engine's words alone.
    void unopenableDatabaseLeavesTheWindowWithoutAList_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("engineWords");
        QTest::newRow("not a database")
            << "junk" << QStringLiteral("Файл не является базой данных.")
            << QStringLiteral("is not a valid database");
        QTest::newRow("cut in half")
            << "cut" << QStringLiteral("Файл базы повреждён: обрезан или испорчен.")
            << QStringLiteral("File size is less than expected");
    }
    void unopenableDatabaseLeavesTheWindowWithoutAList() {
        QFETCH(QString, damage);
        QFETCH(QString, cause);
        QFETCH(QString, engineWords);
        QFile file(db->path());
        if (damage == QLatin1String("junk")) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray(20000, 'x'));
            file.close();
        } else {
            fillRegister(db->path(), 300);
            QVERIFY(file.resize(file.size() / 2));
        }
        fmMain = std::make_unique<TfmMain>(state(false));
        fmMain->show();
        QTRY_COMPARE(dbErrors.size(), 1);
        // The engine's own words follow as the detail.
        const QString expected =
            QStringLiteral("Не удалось открыть базу данных\n") + db->path() + u'\n' + cause + u'\n';
        QVERIFY2(dbErrors.first().startsWith(expected) && dbErrors.first().contains(engineWords),
                 qPrintable(dbErrors.first()));
        QVERIFY(!fmMain->isLoaded());
        QVERIFY(fmMain->isVisible());
        QCOMPARE(fmMain->windowTitle(), QStringLiteral("Вентрель"));
        QVERIFY(!fmMain->data().ibdsMain.isOpen());
    }
};

QTEST_MAIN(TestTfmMain)
#include "test_tfmmain.moc"
