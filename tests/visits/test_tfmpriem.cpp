// The visit card editor, offscreen, on a real database: every way out of the window checked by
// what the database holds once the transaction is committed, discarding back to where the
// window was shown, the keys, the memos' Enter rules, the quick dates and the layout.

#include "app/programwindows.h"
#include "app/tfmmain.h"
#include "cards/cardfixture.h"
#include "cards/tfmcardedit.h"
#include "dbwidgets/datebox.h"
#include "dbwidgets/dbgrid.h"
#include "dbwidgets/dbmemo.h"
#include "dbwidgets/lookupbox.h"
#include "visits/tfmpriem.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <functional>

namespace {

const QString kAndreev = kCardPatients[0].fio;
const QString kBorisova = kCardPatients[1].fio;
const QString kCrLf = QStringLiteral("\r\n");

// How the test leaves the window.
enum class Way { OkButton, CtrlEnter, CancelButton, Escape, CloseYes, CloseNo, CloseCancel };

} // namespace

class TestTfmPriem : public QObject {
    Q_OBJECT

    CardFixture f;
    std::unique_ptr<TfmPriem> priem;

    template <typename T> T *child(const char *name) { return control<T>(priem.get(), name); }
    DbGrid *diagnoses() { return child<DbGrid>("dbgDiagnoz"); }
    DbMemo *memo(const char *name) { return child<DbMemo>(name); }
    Dataset &visits() { return f.data->ibdsCard; }
    QString value(const char *field) { return visits().value(QLatin1String(field)).toString(); }

    // What the database holds once the shared transaction is committed: what the next commit
    // anywhere would make permanent.
    int held(const QString &sql) {
        f.data->ibTrans.commitRetaining();
        return f.committed(sql);
    }
    int heldVisits(const QString &fio) {
        return held(QStringLiteral("select count(*) from CARD join MAIN on C_KEY = ID "
                                   "where FIO = '%1'")
                        .arg(fio));
    }
    int heldDiagnoses(const QString &fio) {
        return held(QStringLiteral("select count(*) from DIAGNOZ join CARD on G_KEY = C_ID "
                                   "join MAIN on C_KEY = ID where FIO = '%1'")
                        .arg(fio));
    }

    // Shows the editor as the patient card editor does, on the current visit.
    void open() {
        if (!priem)
            priem = std::make_unique<TfmPriem>(*f.data, *f.settings);
        priem->show();
        QVERIFY(activate(priem.get()));
    }
    // A new visit dated today, as "&Добавить приём" of the card editor starts it.
    void openNew(const QString &fio) {
        f.moveToPatient(fio);
        visits().insert();
        visits().setValue(QStringLiteral("C_DATE"), dates::today());
        open();
    }
    void openVisit(int row) {
        f.moveToPatient(kAndreev);
        visits().moveTo(row);
        open();
    }

    void focus(QWidget *box) {
        box->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), box);
    }
    QWidget *focused() { return QApplication::focusWidget(); }
    // A key pressed in the focused control, and what it started finished, as at a person's pace.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget *control = focused();
        QVERIFY(control);
        QTest::keyClick(control, key, modifiers);
        QCoreApplication::processEvents();
    }
    // Makes the window active, as a window manager does when it is shown or when a window over
    // it closes, and waits until it is ready. The offscreen platform activates no window when
    // one closes, and keeps a window it hid as the focused one, so that showing it again
    // activates nothing by itself.
    static bool activate(QWidget *window) {
        window->activateWindow();
        if (QGuiApplication::focusWindow() == window->windowHandle())
            QApplication::setActiveWindow(window);
        return isReady(window);
    }
    // Waits until the window is active and one of its controls has the focus.
    static bool isReady(QWidget *window) {
        return QTest::qWaitForWindowActive(window) && QTest::qWaitFor([window] {
                   return QApplication::focusWidget() &&
                          QApplication::focusWidget()->window() == window;
               });
    }
    bool isRed(QWidget *box) { return box->palette().color(QPalette::Base) == QColor(Qt::red); }

    // Types the beginning of a diagnosis into the grid, as a new row, and takes it.
    void addDiagnosis(const QString &beginning) {
        focus(diagnoses());
        if (diagnoses()->model()->rowCount() > 0)
            QTest::keyClick(diagnoses(), Qt::Key_Insert);
        typeText(focused(), beginning);
        QTest::keyClick(focused(), Qt::Key_Return);
        QTRY_VERIFY(!diagnoses()->isEditingCell());
    }

    void leave(Way way) {
        switch (way) {
        case Way::OkButton:
            child<QPushButton>("btOK")->click();
            break;
        case Way::CtrlEnter:
            QTest::keyClick(focused(), Qt::Key_Return, Qt::ControlModifier);
            break;
        case Way::CancelButton:
            child<QPushButton>("btCancel")->click();
            break;
        case Way::Escape:
            QTest::keyClick(focused(), Qt::Key_Escape);
            break;
        case Way::CloseYes:
        case Way::CloseNo:
        case Way::CloseCancel:
            f.answer = way == Way::CloseYes  ? QMessageBox::Yes
                       : way == Way::CloseNo ? QMessageBox::No
                                             : QMessageBox::Cancel;
            priem->close();
            break;
        }
    }

    // A new patient's card, its name typed, and Ins: the visit editor opens over it, a diagnosis
    // is added, and `inVisit` runs there.
    void firstVisitOverANewCard(TfmCardEdit &card, const std::function<void()> &inVisit) {
        priem = std::make_unique<TfmPriem>(*f.data, *f.settings);
        card.setHooks({[this] { priem->exec(); }, {}});
        f.patients().insert();
        card.show();
        QVERIFY(isReady(&card));
        typeText(focused(), QStringLiteral("Ким Олег Ильич"));
        QTimer::singleShot(0, this, [this, inVisit] {
            QVERIFY(isReady(priem.get()));
            addDiagnosis(QStringLiteral("анг"));
            inVisit();
        });
        QTest::keyClick(focused(), Qt::Key_Insert);
    }

    void addDoctors() {
        for (const QString &name :
             {QStringLiteral("Иванов И.И."), QStringLiteral("Сидоров С.С.")}) {
            f.data->ibdsDocs.insert();
            f.data->ibdsDocs.setValue(QStringLiteral("D_FIO"), name);
            f.data->ibdsDocs.post();
        }
        f.data->ibBooksTrans.commitRetaining();
    }

private Q_SLOTS:
    void init() { f.setUp(); }
    void cleanup() {
        priem.reset();
        f.tearDown();
    }

    // The road of a new user, from the keyboard alone: a new patient's first visit with a
    // diagnosis, its note, complaints, numbered recommendations and an intervention, saved with
    // Ctrl+Enter; the card editor's OK then saves the patient.
    void firstVisitOfANewPatientFromTheKeyboard() {
        StartupState state;
        state.programFolder = state.dataFolder = f.dir->path() + u'/';
        state.databaseFolder = f.db->folder() + u'/';
        state.databaseFile = f.db->path();
        state.settingsFile = f.settings->path();
        f.data.reset(); // the main window opens the database itself
        auto fmMain = std::make_unique<TfmMain>(state);
        new ProgramWindows(fmMain.get());
        fmMain->show();
        QTRY_VERIFY(fmMain->isLoaded());

        QString title;
        QTimer::singleShot(0, this, [&] {
            auto *card = qobject_cast<TfmCardEdit *>(QApplication::activeModalWidget());
            QVERIFY(card);
            QVERIFY(isReady(card));
            typeText(focused(), QStringLiteral("Ким Олег Ильич"));
            QTimer::singleShot(0, this, [&] {
                auto *visit = qobject_cast<TfmPriem *>(QApplication::activeModalWidget());
                QVERIFY(visit);
                QVERIFY(isReady(visit));
                title = visit->windowTitle();
                press(Qt::Key_Tab); // the doctor, given by the book's only one
                press(Qt::Key_Tab); // the diagnoses
                typeText(focused(), QStringLiteral("анг"));
                QCoreApplication::processEvents(); // the list of matches drops down
                press(Qt::Key_Return);
                press(Qt::Key_Right);
                press(Qt::Key_F2);
                typeText(focused(), QStringLiteral("лёгкая"));
                press(Qt::Key_Tab); // the note taken, on to the complaints
                typeText(focused(), QStringLiteral("боль в горле"));
                press(Qt::Key_Return);
                press(Qt::Key_Return); // on to the status
                press(Qt::Key_Return); // empty: on to the examination
                press(Qt::Key_Tab);    // on to the recommendations: "1. "
                typeText(focused(), QStringLiteral("Покой"));
                press(Qt::Key_Return);
                typeText(focused(), QStringLiteral("Питьё"));
                press(Qt::Key_Tab);
                press(Qt::Key_Tab); // the interventions
                typeText(focused(), QStringLiteral("ф"));
                QCoreApplication::processEvents(); // the list of matches drops down
                press(Qt::Key_Return, Qt::ControlModifier);
                if (visit->isVisible())
                    visit->reject();
            });
            press(Qt::Key_Insert); // the visit editor, the patient posted
            QVERIFY(activate(card));
            press(Qt::Key_Return, Qt::ControlModifier);
            if (card->isVisible())
                card->reject();
        });
        fmMain->findChild<QAction *>(QStringLiteral("mmAdd"))->trigger();

        QCOMPARE(title, QStringLiteral("Карточка приёма. Добавление: Ким Олег Ильич"));
        QVERIFY(f.boxes.isEmpty());
        const QString visit = QStringLiteral(
            "select count(*) from CARD join MAIN on C_KEY = ID where FIO = 'Ким Олег Ильич' and "
            "SEX = 'М' and C_DOC = 1 and C_DATE = '31.03.2024' and C_ZHALOBA = 'боль в горле' and "
            "C_STATUS is null and C_REKOMEND = '1. Покой' || ascii_char(13) || ascii_char(10) "
            "|| '2. Питьё'");
        QCOMPARE(f.committed(visit), 1);
        QCOMPARE(f.committed(QStringLiteral(
                     "select count(*) from DIAGNOZ where G_DIAG = 2 and G_PRIM = 'лёгкая'")),
                 1);
        QCOMPARE(f.committed(QStringLiteral("select count(*) from VMESHAT where V_VMESH = 1")), 2);
    }

    // Every way out of a new visit with two diagnoses (the visit was written before the first):
    // what the database holds afterwards, and whether the window is still open.
    void waysOutOfANewVisit_data() {
        QTest::addColumn<int>("way");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QStringList>("boxes");
        const QStringList question{QStringLiteral("Сохранить изменения в карточке приёма?")};
        QTest::newRow("OK") << int(Way::OkButton) << true << false << QStringList();
        QTest::newRow("Ctrl+Enter") << int(Way::CtrlEnter) << true << false << QStringList();
        QTest::newRow("Отмена") << int(Way::CancelButton) << false << false << QStringList();
        QTest::newRow("Esc") << int(Way::Escape) << false << false << QStringList();
        QTest::newRow("close, Да") << int(Way::CloseYes) << true << false << question;
        QTest::newRow("close, Нет") << int(Way::CloseNo) << false << false << question;
        QTest::newRow("close, Отмена") << int(Way::CloseCancel) << true << true << question;
    }
    void waysOutOfANewVisit() {
        QFETCH(int, way);
        QFETCH(bool, kept);
        QFETCH(bool, open);
        QFETCH(QStringList, boxes);
        openNew(kBorisova);
        addDiagnosis(QStringLiteral("анг"));
        addDiagnosis(QStringLiteral("орв"));
        focus(memo("dbmZhaloba"));
        typeText(memo("dbmZhaloba"), QStringLiteral("кашель"));
        leave(Way(way));
        QCOMPARE(f.boxes, boxes);
        QCOMPARE(priem->isVisible(), open);
        QCOMPARE(heldVisits(kBorisova), kept ? 1 : 0);
        QCOMPARE(heldDiagnoses(kBorisova), kept ? 2 : 0);
        if (!open && !kept)
            QVERIFY(visits().isEmpty()); // the list shows what the database holds
    }

    // The desktop session ends while a card and a visit over it are open: each asks its own
    // close question, the visit first; "Отмена" keeps both open and stops the end, "Нет" takes
    // back all they wrote.
    void theSessionsEndAsksTheOpenEditors_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("Нет") << int(QMessageBox::No);
        QTest::newRow("Отмена") << int(QMessageBox::Cancel);
    }
    void theSessionsEndAsksTheOpenEditors() {
        QFETCH(int, answer);
        TfmCardEdit card(*f.data, *f.settings);
        bool closed = true;
        firstVisitOverANewCard(card, [&] {
            f.answer = QMessageBox::StandardButton(answer);
            closed = f.data->unconfirmed.askToClose();
            if (priem->isVisible())
                priem->reject();
        });
        QCOMPARE(closed, answer == QMessageBox::No);
        QCOMPARE(f.boxes.first(), QStringLiteral("Сохранить изменения в карточке приёма?"));
        if (answer == QMessageBox::No) {
            QCOMPARE(f.boxes.size(), 2); // then the card's own question
            QVERIFY(!card.isVisible());
            QCOMPARE(held(QStringLiteral("select count(*) from MAIN")), 3);
            QCOMPARE(held(QStringLiteral("select count(*) from DIAGNOZ")), 3);
        } else {
            QCOMPARE(f.boxes.size(), 1);
            QVERIFY(card.isVisible());
        }
    }

    // A new patient written without a commit, so that its first visit can refer to it, outlives
    // the visit's Cancel: the card editor's OK then saves it.
    void newPatientOutlivesTheCancelOfItsFirstVisit() {
        TfmCardEdit card(*f.data, *f.settings);
        firstVisitOverANewCard(card, [this] { QTest::keyClick(focused(), Qt::Key_Escape); });
        QVERIFY(!priem->isVisible());
        QVERIFY(card.isVisible());
        QCOMPARE(card.findChild<QLabel *>(QStringLiteral("lbDates"))->text(),
                 QStringLiteral("&Приёмы (нет):"));
        card.findChild<QPushButton *>(QStringLiteral("btOK"))->click();
        QVERIFY(!card.isVisible());
        QCOMPARE(
            f.committed(QStringLiteral("select count(*) from MAIN where FIO = 'Ким Олег Ильич'")),
            1);
        QCOMPARE(heldVisits(QStringLiteral("Ким Олег Ильич")), 0);
        QCOMPARE(held(QStringLiteral("select count(*) from DIAGNOZ")), 3); // the seeded ones
    }

    // Closing a browsed visit asks only when something of it changed in this showing, diagnosis
    // rows included; "Нет" takes back all of it.
    void closeAsksWhenAnythingChanged() {
        openVisit(2); // the oldest visit, without diagnoses
        priem->close();
        QVERIFY(!priem->isVisible());
        QVERIFY(f.boxes.isEmpty());

        open();
        addDiagnosis(QStringLiteral("анг"));
        focus(memo("dbmZhaloba")); // the row is written when the grid is left
        QCOMPARE(visits().state(), Dataset::State::Browse);
        f.answer = QMessageBox::No;
        priem->close();
        QCOMPARE(f.boxes, QStringList{QStringLiteral("Сохранить изменения в карточке приёма?")});
        QVERIFY(!priem->isVisible());
        QCOMPARE(f.data->ibdsDiagnoz.recordCount(), 0);
        QCOMPARE(heldDiagnoses(kAndreev), 3);
    }

    // An empty new visit closes without a question and leaves nothing; one that got its doctor
    // from the book is not empty.
    void emptyNewVisitClosesSilently() {
        addDoctors(); // three doctors: a new visit gets none by itself
        openNew(kBorisova);
        priem->close();
        QVERIFY(!priem->isVisible());
        QVERIFY(f.boxes.isEmpty());
        QVERIFY(visits().isEmpty());
        QCOMPARE(heldVisits(kBorisova), 0);
    }

    // "Да" with a check that fails keeps the window open, the box to mend red and focused.
    void yesWithAFailedCheckKeepsTheWindowOpen() {
        addDoctors();
        openNew(kBorisova);
        focus(memo("dbmStatus"));
        typeText(memo("dbmStatus"), QStringLiteral("норма"));
        leave(Way::CloseYes);
        QVERIFY(priem->isVisible());
        QCOMPARE(priem->windowTitle(), QStringLiteral("Выберите врача"));
        auto *doctor = child<LookupBox>("dblDoc");
        QVERIFY(isRed(doctor));
        QTRY_COMPARE(focused(), doctor);
        QCOMPARE(visits().state(), Dataset::State::Insert);
        typeText(doctor, QStringLiteral("С")); // Сидоров
        QVERIFY(!isRed(doctor));
        leave(Way::CtrlEnter);
        QVERIFY(!priem->isVisible());
        QCOMPARE(f.committed(QStringLiteral("select count(*) from CARD where C_DOC = 3 and "
                                            "C_STATUS = 'норма'")),
                 1);
    }

    // A date typed only in part stops saving and stays in its box to be mended; an empty date
    // is asked for.
    void dateIsChecked() {
        openVisit(0);
        auto *date = child<DateBox>("dbdtDatePriem");
        focus(date);
        date->selectAll();
        QTest::keyClick(date, Qt::Key_Delete);
        date->home(false);
        typeText(date, QStringLiteral("3102"));
        leave(Way::CtrlEnter);
        QCOMPARE(priem->windowTitle(), QStringLiteral("Проверьте дату приёма"));
        QCOMPARE(date->displayText(), QStringLiteral("31.02.____"));
        QVERIFY(isRed(date));
        date->selectAll();
        QTest::keyClick(date, Qt::Key_Delete);
        leave(Way::OkButton);
        QCOMPARE(priem->windowTitle(), QStringLiteral("Заполните дату приёма"));
        QTRY_COMPARE(focused(), date);
        QVERIFY(priem->isVisible());
        // Leaving the box with a date in part puts the last date back, and says so.
        typeText(date, QStringLiteral("3102"));
        focus(memo("dbmZhaloba"));
        QVERIFY(date->isEmpty());
        QCOMPARE(QToolTip::text(), QStringLiteral("Дата приёма: «31.02.____» — не дата, "
                                                  "осталась прежняя"));
        // The window going with a date in part in the box is no leaving of the box.
        focus(date);
        typeText(date, QStringLiteral("31"));
        priem.reset();
    }

    // The title names the patient whose visit is shown, whatever the window showed before.
    void titleNamesTheCurrentPatient() {
        openNew(kBorisova);
        QCOMPARE(priem->windowTitle(), QStringLiteral("Карточка приёма. Добавление: ") + kBorisova);
        leave(Way::Escape);
        openVisit(1);
        QCOMPARE(priem->windowTitle(), QStringLiteral("Карточка приёма: ") + kAndreev);
        priem->close();
        visits().edit();
        open();
        QCOMPARE(priem->windowTitle(), QStringLiteral("Карточка приёма. Правка: ") + kAndreev);
        QCOMPARE(child<QLabel>("lbDatePriem")->toolTip(),
                 QStringLiteral("Щёлкните правую кнопку для выбора даты приёма"));
    }

    // "&Копия" saves the visit and starts one dated today with its doctor and texts and without
    // its diagnoses; discarding the copy leaves the saved visit as it was saved.
    void copySavesAndCopiesDoctorAndTexts() {
        openVisit(0); // 20.03.2024: two diagnoses, an intervention
        focus(memo("dbmObsled"));
        typeText(memo("dbmObsled"), QStringLiteral("ОАК"));
        child<QPushButton>("btAddCopy")->click();
        QCOMPARE(f.committed(QStringLiteral("select count(*) from CARD where C_OBSLED = 'ОАК'")),
                 1);
        QCOMPARE(priem->windowTitle(), QStringLiteral("Добавление приёма: ") + kAndreev);
        QCOMPARE(visits().state(), Dataset::State::Insert);
        QCOMPARE(visits().value(QStringLiteral("C_DATE")).toDate(), kCardNow.date());
        QCOMPARE(visits().value(QStringLiteral("C_DOC")).toInt(), 1);
        QCOMPARE(value("C_ZHALOBA"), QStringLiteral("кашель,насморк"));
        QCOMPARE(value("C_OBSLED"), QStringLiteral("ОАК"));
        QCOMPARE(diagnoses()->model()->rowCount(), 0);
        QCOMPARE(child<DbGrid>("dbgVmeshat")->model()->rowCount(), 0);
        QCOMPARE(memo("dbmZhaloba")->toPlainText(), QStringLiteral("кашель,насморк"));

        // "&Добавить" on the copy: the copy saved, a new empty visit dated today.
        child<QPushButton>("btAdd")->click();
        QCOMPARE(f.committed(QStringLiteral("select count(*) from CARD where C_OBSLED = 'ОАК'")),
                 2);
        QVERIFY(value("C_ZHALOBA").isEmpty());
        QCOMPARE(visits().value(QStringLiteral("C_DATE")).toDate(), kCardNow.date());
        QCOMPARE(focused(), child<DateBox>("dbdtDatePriem"));
        leave(Way::Escape);
        QCOMPARE(heldVisits(kAndreev), 4); // three and the copy
    }

    // "&Добавить" after diagnoses added to a browsed visit saves them with it: discarding the
    // new visit does not take them.
    void addSavesTheDiagnosesOfABrowsedVisit() {
        openVisit(2);
        addDiagnosis(QStringLiteral("орв"));
        child<QPushButton>("btAdd")->click();
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DIAGNOZ")), 4);
        leave(Way::CancelButton);
        QCOMPARE(heldDiagnoses(kAndreev), 4);
        QCOMPARE(heldVisits(kAndreev), 3);
    }

    // "<< Ра&нее" steps to the earlier visit, "По&зже >>" to the later one, the grids following.
    // A visit left with changes is saved as "OK" saves it, through the same checks: without a
    // doctor it is not left.
    void steppingThroughTheVisits() {
        openVisit(0);
        auto *earlier = child<QToolButton>("sbtPrev");
        auto *later = child<QToolButton>("sbtNext");
        later->click(); // the newest already
        QCOMPARE(visits().currentRow(), 0);
        visits().edit();
        visits().setValue(QStringLiteral("C_DOC"), QVariant()); // a visit without its doctor
        focus(memo("dbmStatus"));
        typeText(memo("dbmStatus"), QStringLiteral("удовл."));
        earlier->click();
        QCOMPARE(visits().currentRow(), 0);
        QCOMPARE(priem->windowTitle(), QStringLiteral("Выберите врача"));
        QVERIFY(isRed(child<LookupBox>("dblDoc")));
        QCOMPARE(
            f.committed(QStringLiteral("select count(*) from CARD where C_STATUS is not null")), 0);

        visits().setValue(QStringLiteral("C_DOC"), 1);
        focus(memo("dbmStatus"));
        earlier->click();
        QCOMPARE(visits().currentRow(), 1);
        QCOMPARE(visits().state(), Dataset::State::Browse);
        QCOMPARE(focused(), memo("dbmStatus")); // where the user was typing
        QCOMPARE(f.committed(QStringLiteral("select count(*) from CARD where C_STATUS = 'удовл.' "
                                            "and C_DOC = 1")),
                 1);
        QCOMPARE(diagnoses()->model()->rowCount(), 1);
        QCOMPARE(child<DateBox>("dbdtDatePriem")->text(), QStringLiteral("10.02.2024"));
        earlier->click();
        earlier->click();
        QCOMPARE(visits().currentRow(), 2);
        later->click();
        QCOMPARE(visits().currentRow(), 1);
        priem->close(); // everything saved: no question
        QVERIFY(f.boxes.isEmpty());

        // A new visit nothing was put into is dropped for the newest visit before it; with no
        // visit before it, stepping leaves it as it is, and what is typed lands in it.
        addDoctors(); // no doctor is given by itself
        openNew(kAndreev);
        earlier->click();
        QCOMPARE(visits().recordCount(), 3);
        QCOMPARE(visits().currentRow(), 0);
        QCOMPARE(child<DateBox>("dbdtDatePriem")->text(), QStringLiteral("20.03.2024"));
        priem->close();
        openNew(kBorisova);
        earlier->click();
        later->click();
        QCOMPARE(visits().state(), Dataset::State::Insert);
        focus(memo("dbmZhaloba"));
        typeText(memo("dbmZhaloba"), QStringLiteral("кашель"));
        QCOMPARE(value("C_ZHALOBA"), QStringLiteral("кашель"));
    }

    // OK puts a visit given another date in its place among the patient's visits, newest
    // first; one saved with its date as it was stays where it was, with its diagnoses.
    void okKeepsTheVisitsInDateOrder_data() {
        QTest::addColumn<QDate>("date"); // none: the date stays
        QTest::addColumn<int>("row");
        QTest::newRow("complaints only") << QDate() << 1;
        QTest::newRow("dated before the others") << QDate(2023, 11, 1) << 2;
        QTest::newRow("dated after the others") << QDate(2024, 3, 25) << 0;
    }
    void okKeepsTheVisitsInDateOrder() {
        QFETCH(QDate, date);
        QFETCH(int, row);
        openVisit(1);
        const QVariant visit = visits().value(QStringLiteral("C_ID"));
        const int shownDiagnoses = diagnoses()->model()->rowCount();
        QVERIFY(shownDiagnoses > 0);
        visits().edit();
        visits().setValue(QStringLiteral("C_ZHALOBA"), QStringLiteral("кашель"));
        if (date.isValid())
            visits().setValue(QStringLiteral("C_DATE"), date);
        leave(Way::OkButton);
        QVERIFY(!priem->isVisible());
        QCOMPARE(visits().value(QStringLiteral("C_ID")), visit);
        QCOMPARE(visits().currentRow(), row);
        QCOMPARE(value("C_ZHALOBA"), QStringLiteral("кашель"));
        QCOMPARE(f.data->ibdsDiagnoz.recordCount(), shownDiagnoses);
        QCOMPARE(f.committed(QStringLiteral("select count(*) from CARD where C_ZHALOBA = "
                                            "'кашель'")),
                 1);
    }

    // A note typed into a diagnosis row without a diagnosis is kept with its row when the grid
    // is left, and stops the save until a diagnosis is chosen for it.
    void aNoteWaitsForItsDiagnosis() {
        openVisit(2);
        focus(diagnoses());
        Dataset &rows = f.data->ibdsDiagnoz;
        rows.insert();
        rows.setValue(QStringLiteral("G_PRIM"), QStringLiteral("обострение"));
        focus(memo("dbmStatus"));
        QCOMPARE(rows.state(), Dataset::State::Insert);
        QCOMPARE(rows.value(QStringLiteral("G_PRIM")).toString(), QStringLiteral("обострение"));
        leave(Way::OkButton);
        QVERIFY(priem->isVisible());
        QCOMPARE(priem->windowTitle(), QStringLiteral("Выберите диагноз к примечанию"));
        QCOMPARE(focused(), diagnoses());
        rows.setValue(QStringLiteral("G_DIAG"), 2);
        leave(Way::OkButton);
        QVERIFY(!priem->isVisible());
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DIAGNOZ where G_DIAG = 2 and "
                                            "G_PRIM = 'обострение'")),
                 1);
    }

    // Esc in an open cell or drop-down list closes just that; Esc elsewhere is "Отмена".
    void escapeClosesWhatIsOpenFirst() {
        openVisit(2);
        focus(diagnoses());
        QTest::keyClick(diagnoses(), Qt::Key_Insert);
        auto *cell = qobject_cast<LookupBox *>(focused());
        QVERIFY(cell);
        QTest::keyClick(cell, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(cell->view()->isVisible());
        QTest::keyClick(cell->view(), Qt::Key_Escape);
        QTRY_VERIFY(!cell->view()->isVisible());
        QVERIFY(priem->isVisible());
        QVERIFY(diagnoses()->isEditingCell());
        QTest::keyClick(focused(), Qt::Key_Escape);
        QVERIFY(!diagnoses()->isEditingCell());
        QCOMPARE(f.data->ibdsDiagnoz.state(), Dataset::State::Browse);
        QVERIFY(priem->isVisible());

        auto *doctor = child<LookupBox>("dblDoc");
        focus(doctor);
        doctor->showPopup();
        QTRY_VERIFY(doctor->view()->isVisible());
        QTest::keyClick(doctor->view(), Qt::Key_Escape);
        QTRY_VERIFY(!doctor->view()->isVisible());
        QVERIFY(priem->isVisible());

        QTest::keyClick(focused(), Qt::Key_Escape);
        QVERIFY(!priem->isVisible());
        QVERIFY(f.boxes.isEmpty());
    }

    // Enter in the memos: a line break, then on an empty last line on to the next box; in the
    // recommendations the list numbers itself, a number left empty goes with the Enter that leaves,
    // and "1. " alone is taken away again.
    void enterInTheMemos() {
        openVisit(2);
        DbMemo *complaints = memo("dbmZhaloba");
        focus(complaints);
        typeText(complaints, QStringLiteral("кашель"));
        QTest::keyClick(complaints, Qt::Key_Return);
        QCOMPARE(value("C_ZHALOBA"), QStringLiteral("кашель") + kCrLf);
        QTest::keyClick(complaints, Qt::Key_Return);
        QCOMPARE(value("C_ZHALOBA"), QStringLiteral("кашель"));
        QCOMPARE(focused(), memo("dbmStatus"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(focused(), memo("dbmObsled"));
        QTest::keyClick(focused(), Qt::Key_Tab);

        DbMemo *advice = memo("dbmRekomend");
        QCOMPARE(focused(), advice);
        QCOMPARE(advice->toPlainText(), QStringLiteral("1. "));
        typeText(advice, QStringLiteral("Покой"));
        QTest::keyClick(advice, Qt::Key_Return);
        QCOMPARE(value("C_REKOMEND"), QStringLiteral("1. Покой\r\n2. "));
        QCOMPARE(advice->textCursor().position(), advice->toPlainText().size());
        // Nothing after "2. ": the number goes and the box is left.
        QTest::keyClick(advice, Qt::Key_Return);
        QCOMPARE(value("C_REKOMEND"), QStringLiteral("1. Покой"));
        QVERIFY(focused() != advice);
        f.answer = QMessageBox::No;
        priem->close();

        // Entering an empty box and leaving it untouched leaves it empty, the visit in editing.
        f.boxes.clear();
        open();
        focus(memo("dbmStatus"));
        focus(advice);
        QCOMPARE(value("C_REKOMEND"), QStringLiteral("1. "));
        focus(memo("dbmAnamnez"));
        QVERIFY(advice->toPlainText().isEmpty());
        QVERIFY(value("C_REKOMEND").isEmpty());
        f.answer = QMessageBox::Cancel;
        priem->close();
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(visits().state(), Dataset::State::Edit);
    }

    // The quick dates count back from today across month and year ends, and put a browsed
    // visit into editing.
    void quickDates() {
        dates::setClock([] { return QDateTime(QDate(2024, 3, 1), QTime(9, 0)); });
        openVisit(2);
        auto *menu = priem->findChild<QMenu *>(QStringLiteral("popDatePriem"));
        QCOMPARE(menu->actions().size(), 3);
        menu->actions().at(2)->trigger(); // "Позавчера"
        QCOMPARE(visits().value(QStringLiteral("C_DATE")).toDate(), QDate(2024, 2, 28));
        QCOMPARE(visits().state(), Dataset::State::Edit);
        dates::setClock([] { return QDateTime(QDate(2024, 1, 1), QTime(9, 0)); });
        menu->actions().at(1)->trigger(); // "Вчера"
        QCOMPARE(child<DateBox>("dbdtDatePriem")->text(), QStringLiteral("31.12.2023"));
        leave(Way::CtrlEnter);
        QCOMPARE(
            f.committed(QStringLiteral("select count(*) from CARD where C_DATE = '31.12.2023'")),
            1);
    }

    // The grids' menu adds a row to the grid it was opened over, deletes one after the question,
    // and opens the book for choosing; without a book to open, "Справочник..." is disabled.
    void gridMenu() {
        int chosen = 0;
        openVisit(0);
        priem->setHooks({{}, [&] { ++chosen; }, {}, {}});
        auto *menu = priem->findChild<QMenu *>(QStringLiteral("popPriem"));
        auto *interventions = child<DbGrid>("dbgVmeshat");
        focus(interventions);
        Q_EMIT interventions->customContextMenuRequested(QPoint(5, 5));
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(!priem->findChild<QAction *>(QStringLiteral("pmSpr"))->isEnabled());
        menu->hide();
        f.answer = QMessageBox::Cancel;
        priem->findChild<QAction *>(QStringLiteral("pmDel"))->trigger();
        QCOMPARE(f.boxes, QStringList{QStringLiteral("Удалить вмешательство?")});
        QCOMPARE(interventions->model()->rowCount(), 1);
        f.answer = QMessageBox::Ok;
        priem->findChild<QAction *>(QStringLiteral("pmDel"))->trigger();
        QCOMPARE(interventions->model()->rowCount(), 0);

        focus(diagnoses());
        priem->findChild<QAction *>(QStringLiteral("pmAdd"))->trigger();
        QVERIFY(diagnoses()->isEditingCell());
        QCOMPARE(f.data->ibdsDiagnoz.state(), Dataset::State::Insert);
        QTest::keyClick(focused(), Qt::Key_Escape);
        Q_EMIT diagnoses()->customContextMenuRequested(QPoint(5, 5));
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        priem->findChild<QAction *>(QStringLiteral("pmSpr"))->trigger();
        QCOMPARE(chosen, 1);
        leave(Way::OkButton);
        QCOMPARE(f.committed(QStringLiteral("select count(*) from VMESHAT")), 0);
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DIAGNOZ")), 3);
    }

    // A diagnosis, an intervention or a doctor typed that its book lacks is taken for no other
    // entry: Return opens the book to choose from; leaving the doctor box puts the visit's doctor
    // back, and the window says so.
    void entryTheBookLacksOpensTheBook_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("book");
        QTest::newRow("diagnosis") << "dbgDiagnoz"
                                   << "diagnoses";
        QTest::newRow("intervention") << "dbgVmeshat"
                                      << "interventions";
        QTest::newRow("doctor") << "dblDoc"
                                << "doctors";
    }
    void entryTheBookLacksOpensTheBook() {
        QFETCH(QString, control);
        QFETCH(QString, book);
        QStringList opened;
        openVisit(2);
        priem->setHooks({[&] { opened << QStringLiteral("doctors"); },
                         [&] { opened << QStringLiteral("diagnoses"); },
                         [&] { opened << QStringLiteral("interventions"); },
                         {}});
        auto *doctor = child<LookupBox>("dblDoc");
        const QString visitsDoctor = doctor->currentText();
        QWidget *box = child<QWidget>(qPrintable(control));
        focus(box);
        if (box != doctor)
            QTest::keyClick(box, Qt::Key_Insert);
        doctor->lineEdit()->selectAll();
        typeText(focused(), QStringLiteral("Ковид-19"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QTRY_COMPARE(opened, QStringList{book});
        QVERIFY(priem->isVisible());
        QCOMPARE(doctor->currentText(), visitsDoctor);
        if (box != doctor)
            return;
        doctor->lineEdit()->selectAll();
        typeText(doctor, QStringLiteral("Ковид-19"));
        QTest::keyClick(doctor, Qt::Key_Tab);
        QCOMPARE(QToolTip::text(), QStringLiteral("Врач: «Ковид-19» — нет в справочнике"));
        QCOMPARE(doctor->currentText(), visitsDoctor);
        QVERIFY(f.boxes.isEmpty());
    }

    // A refusal of the database while saving is shown with its own text; the window stays open
    // with everything as it was, and saves once the refusal is gone.
    void refusalWhileSavingKeepsEverything() {
        f.data->ibTrans.execute(QStringLiteral("create exception E_REFUSED 'Write refused'"));
        f.data->ibTrans.execute(
            QStringLiteral("create trigger CARD_REFUSED for CARD before update as begin "
                           "if (new.C_ZHALOBA = 'stop') then exception E_REFUSED; end"));
        f.data->ibTrans.commitRetaining();
        openVisit(1);
        DbMemo *complaints = memo("dbmZhaloba");
        focus(complaints);
        complaints->selectAll();
        typeText(complaints, QStringLiteral("stop"));
        leave(Way::CtrlEnter);
        QCOMPARE(f.boxes.size(), 1);
        QVERIFY2(f.boxes.first().contains(QStringLiteral("Write refused")),
                 qPrintable(f.boxes.first()));
        QVERIFY(priem->isVisible());
        QCOMPARE(visits().state(), Dataset::State::Edit);
        QCOMPARE(complaints->toPlainText(), QStringLiteral("stop"));
        focus(complaints);
        typeText(complaints, QStringLiteral("!"));
        leave(Way::CtrlEnter);
        QVERIFY(!priem->isVisible());
        QCOMPARE(f.committed(QStringLiteral("select count(*) from CARD where C_ZHALOBA = 'stop!'")),
                 1);
    }

    // Text that does not fit its field is refused, and the window says which field and why.
    void refusedTextIsTold() {
        openVisit(2);
        DbMemo *examination = memo("dbmObsled");
        focus(examination);
        typeText(examination, QString(599, QChar(u'я')));
        QTest::keyClick(examination, Qt::Key_Return);
        QCOMPARE(QToolTip::text(),
                 QStringLiteral("Проведённое обследование: не более 600 знаков, перевод строки — "
                                "два знака"));
        QCOMPARE(value("C_OBSLED"), QString(599, QChar(u'я')));
    }

    // The print window shows the visit as it is, nothing saved; without it "Пе&чать" is disabled.
    void printShowsTheVisitUnsaved() {
        openVisit(2);
        QVERIFY(!child<QPushButton>("btPrint")->isEnabled());
        QString printed;
        priem->setHooks({{}, {}, {}, [&] { printed = value("C_ZHALOBA"); }});
        focus(memo("dbmZhaloba"));
        typeText(memo("dbmZhaloba"), QStringLiteral("озноб"));
        child<QPushButton>("btPrint")->click();
        QCOMPARE(printed, QStringLiteral("озноб"));
        QCOMPARE(visits().state(), Dataset::State::Edit);
        leave(Way::Escape);
        QCOMPARE(held(QStringLiteral("select count(*) from CARD where C_ZHALOBA = 'озноб'")), 0);
    }

    // The window shares its room by its layout rules; help and "<< Ра&нее" need room.
    void layoutFollowsTheSize() {
        openVisit(0);
        // The smallest size is the outer one, the frame included.
        QCOMPARE(priem->minimumSize() + (priem->frameGeometry().size() - priem->size()),
                 QSize(400, 320));
        priem->resize(619, 482);
        QCOMPARE(child<DbMemo>("dbmRekomend")->geometry(), QRect(8, 318, 301, 131));
        QCOMPARE(child<DbGrid>("dbgVmeshat")->geometry(), QRect(313, 372, 301, 77));
        QVERIFY(child<QToolButton>("sbtHelp")->isVisible());
        priem->resize(483, 400);
        QVERIFY(!child<QToolButton>("sbtHelp")->isVisible());
        QVERIFY(!child<QToolButton>("sbtPrev")->isVisible());
        priem->resize(484, 400);
        QVERIFY(child<QToolButton>("sbtPrev")->isVisible());
        QCOMPARE(child<QPushButton>("btOK")->y(), 400 - 25 - 4);
    }
};

QTEST_MAIN(TestTfmPriem)
#include "test_tfmpriem.moc"
