// The patient card editor, offscreen, on a real database: adding and editing patients, its
// checks, the close question, paging, the visit list, and the rules of the name, sex and age.

#include "cardfixture.h"
#include "cards/tfmcardedit.h"
#include "dbwidgets/datebox.h"
#include "dbwidgets/dbgrid.h"
#include "dbwidgets/dbmemo.h"
#include "widgets/captionmessage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace {
const QString kAndreev = kCardPatients[0].fio;
const QString kBorisova = kCardPatients[1].fio;
const QString kVetrov = kCardPatients[2].fio;
} // namespace

class TestTfmCardEdit : public QObject {
    Q_OBJECT

    CardFixture f;
    std::unique_ptr<TfmCardEdit> editor;

    template <typename T> T *child(const char *name) { return control<T>(editor.get(), name); }
    QLineEdit *fio() { return child<QLineEdit>("dbedFIO"); }
    QLineEdit *age() { return child<QLineEdit>("edVozr"); }
    DateBox *born() { return child<DateBox>("dbdtDataR"); }
    QComboBox *sex() { return child<QComboBox>("dbcbbSex"); }

    QString value(const char *field) { return f.patients().value(QLatin1String(field)).toString(); }

    // Shows the editor as its openers do: the patient rule run again, then the window.
    void open() {
        if (!editor)
            editor = std::make_unique<TfmCardEdit>(*f.data, *f.settings);
        f.data->ibdsMainAfterScroll();
        editor->show();
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
    }
    void openNew() {
        f.patients().insert();
        open();
    }

    void focus(QWidget *box) {
        box->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), box);
    }
    void retype(QLineEdit *box, const QString &text) {
        focus(box);
        box->selectAll();
        typeText(box, text);
    }
    bool isRed(QWidget *box) { return box->palette().color(QPalette::Base) == QColor(Qt::red); }

private Q_SLOTS:
    void init() { f.setUp(); }
    void cleanup() {
        editor.reset();
        f.tearDown();
    }

    // The road of a new user: the surname searched for and not found, Add, the name typed on,
    // OK; the patient is in the list and in the database.
    void addPatientFromTheMainWindow() {
        const std::unique_ptr<TfmMain> fmMain = f.showMainWindow();

        QString caption;
        QTimer::singleShot(0, this, [&] {
            auto *window = qobject_cast<TfmCardEdit *>(QApplication::activeModalWidget());
            QVERIFY(window);
            QVERIFY(QTest::qWaitForWindowActive(window));
            caption = window->windowTitle();
            auto *name = window->findChild<QLineEdit *>(QStringLiteral("dbedFIO"));
            QTRY_COMPARE(QApplication::focusWidget(), name);
            typeText(name, QStringLiteral(" анна")); // after the surname searched for
            QTest::keyClick(name, Qt::Key_Tab);      // the sex from the surname
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
            if (window->isVisible())
                window->reject(); // refused: let the test go on to tell why
        });
        auto *search = fmMain->findChild<QComboBox *>(QStringLiteral("cbbSearch"));
        search->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), search);
        typeText(search, QStringLiteral("яковлева"));
        fmMain->findChild<QAction *>(QStringLiteral("mmAdd"))->trigger();

        QCOMPARE(caption, QStringLiteral("Карточка пациента. Добавление"));
        Dataset &listed = fmMain->data().ibdsMain;
        QCOMPARE(listed.state(), Dataset::State::Browse);
        QCOMPARE(listed.value(QStringLiteral("FIO")).toString(), QStringLiteral("Яковлева Анна"));
        QCOMPARE(listed.value(QStringLiteral("SEX")).toString(), QStringLiteral("Ж"));
        QCOMPARE(f.committed(QStringLiteral(
                     "select count(*) from MAIN where FIO='Яковлева Анна' and SEX='Ж'")),
                 1);
        QVERIFY(f.boxes.isEmpty());
    }

    void editAndCancelLeaveTheRowAsItWas() {
        f.moveToPatient(kAndreev);
        open();
        QCOMPARE(editor->windowTitle(), QStringLiteral("Карточка пациента")); // still browsing
        QCOMPARE(age()->text(), QStringLiteral("44"));
        retype(child<QLineEdit>("dbedAdr"), QStringLiteral("ул. Лесная, 5"));
        retype(fio(), QStringLiteral("Андреев"));
        QCOMPARE(f.patients().state(), Dataset::State::Edit);
        QTest::keyClick(fio(), Qt::Key_Escape);
        QVERIFY(!editor->isVisible());
        QCOMPARE(f.patients().state(), Dataset::State::Browse);
        QCOMPARE(value("FIO"), kAndreev);
        QVERIFY(value("ADR").isEmpty());
        QVERIFY(f.boxes.isEmpty());
    }

    void closeQuestion_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("stored"); // the full name the database holds afterwards
        QTest::addColumn<QString>("caption");
        QTest::newRow("Yes saves")
            << int(QMessageBox::Yes) << "Андреев Андрей" << false << "Андреев Андрей"
            << "";
        QTest::newRow("No drops the changes")
            << int(QMessageBox::No) << "Андреев Андрей" << false << kAndreev << "";
        QTest::newRow("Cancel keeps the card open")
            << int(QMessageBox::Cancel) << "Андреев Андрей" << true << kAndreev << "";
        // Saving was asked for: a card that fails a check stays open to be mended.
        QTest::newRow("Yes with a name too short")
            << int(QMessageBox::Yes) << "Анд" << true << kAndreev << "Заполните Ф.И.О.";
    }
    void closeQuestion() {
        QFETCH(int, answer);
        QFETCH(QString, typed);
        QFETCH(bool, open);
        QFETCH(QString, stored);
        QFETCH(QString, caption);
        f.moveToPatient(kAndreev);
        this->open();
        retype(fio(), typed);
        f.answer = QMessageBox::StandardButton(answer);
        editor->close();
        QCOMPARE(f.boxes, QStringList{QStringLiteral("Сохранить изменения в карточке пациента?")});
        QCOMPARE(editor->isVisible(), open);
        QCOMPARE(f.patients().isEditing(), open);
        QCOMPARE(
            f.committed(QStringLiteral("select count(*) from MAIN where FIO='%1'").arg(stored)), 1);
        if (!caption.isEmpty()) {
            QCOMPARE(editor->windowTitle(), caption);
            QVERIFY(isRed(fio()));
        }
    }

    void emptyNewCardClosesSilentlyAndLeavesNoRow() {
        const int rows = f.patients().recordCount();
        openNew();
        editor->close();
        QVERIFY(!editor->isVisible());
        QVERIFY(f.boxes.isEmpty());
        QCOMPARE(f.patients().state(), Dataset::State::Browse);
        QCOMPARE(f.patients().recordCount(), rows);
    }

    void okChecks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sexTyped");
        QTest::addColumn<QString>("born");
        QTest::addColumn<QString>("caption"); // empty: saved
        QTest::addColumn<QString>("redBox");
        QTest::newRow("4 characters") << "Ким "
                                      << "м"
                                      << ""
                                      << "Заполните Ф.И.О."
                                      << "dbedFIO";
        QTest::newRow("5 characters") << "Ким О"
                                      << "м"
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("no sex") << "Ким Олег"
                                << ""
                                << ""
                                << "Заполните пол"
                                << "dbcbbSex";
        QTest::newRow("born in the future") << "Ким Олег"
                                            << "м"
                                            << "01042024"
                                            << "Проверьте дату рождения"
                                            << "dbdtDataR";
        QTest::newRow("born today") << "Ким Олег"
                                    << "м"
                                    << "31032024"
                                    << ""
                                    << "";
    }
    void okChecks() {
        QFETCH(QString, name);
        QFETCH(QString, sexTyped);
        QFETCH(QString, born);
        QFETCH(QString, caption);
        QFETCH(QString, redBox);
        openNew();
        typeText(fio(), name);
        if (!sexTyped.isEmpty()) {
            focus(sex());
            typeText(sex(), sexTyped);
        }
        if (!born.isEmpty()) {
            focus(this->born());
            typeText(this->born(), born);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        if (caption.isEmpty()) {
            QVERIFY(!editor->isVisible());
            QCOMPARE(
                f.committed(QStringLiteral("select count(*) from MAIN where FIO='%1'").arg(name)),
                1);
            return;
        }
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->windowTitle(), caption);
        auto *box = child<QWidget>(redBox.toLatin1().constData());
        QVERIFY(isRed(box));
        QTRY_VERIFY(box->isAncestorOf(QApplication::focusWidget()) ||
                    QApplication::focusWidget() == box);
        QCOMPARE(f.patients().state(), Dataset::State::Insert);
        // Editing the box takes the red away.
        if (auto *edit = qobject_cast<QLineEdit *>(box)) {
            edit->home(false);
            typeText(edit, QStringLiteral("1"));
        } else
            typeText(QApplication::focusWidget(), QStringLiteral("ж"));
        QVERIFY(!isRed(box));
    }

    // A new patient written so that its first visit could refer to it is committed by OK,
    // although the row is no longer being edited; a card with nothing to save commits nothing.
    void okCommitsAPatientWrittenForItsFirstVisit() {
        int visitsOpened = 0;
        openNew();
        editor->setHooks({[&] {
                              ++visitsOpened;
                              f.data->ibdsCard.cancel();
                          },
                          {}});
        typeText(fio(), QStringLiteral("Ким Олег"));
        focus(sex());
        typeText(sex(), QStringLiteral("м"));
        child<QPushButton>("btAdd")->click();
        QCOMPARE(visitsOpened, 1);
        QCOMPARE(f.patients().state(), Dataset::State::Browse);
        const QString sql = QStringLiteral("select count(*) from MAIN where FIO='Ким Олег'");
        QCOMPARE(f.committed(sql), 0);
        child<QPushButton>("btOK")->click();
        QVERIFY(!editor->isVisible());
        QCOMPARE(f.committed(sql), 1);

        // Work of another window, not yet committed, stays so when the card has nothing to save.
        f.data->ibdsDiag.insert();
        f.data->ibdsDiag.setValue(QStringLiteral("Z_NAME"), QStringLiteral("Гастрит"));
        f.data->ibdsDiag.post();
        f.moveToPatient(kVetrov);
        open();
        child<QPushButton>("btOK")->click();
        QVERIFY(!editor->isVisible());
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DIAG")), 2);
    }

    void pagingSavesAndMoves() {
        f.moveToPatient(kAndreev);
        open();
        // Browsing: the editor pages through the list.
        QCOMPARE(child<QLabel>("lbDates")->text(), QStringLiteral("&Приёмы (3):"));
        QTest::keyClick(fio(), Qt::Key_PageDown);
        QVERIFY(editor->isVisible());
        QCOMPARE(fio()->text(), kBorisova);
        QCOMPARE(age()->text(), QString()); // no date of birth
        QTRY_COMPARE(child<QLabel>("lbDates")->text(), QStringLiteral("&Приёмы (нет):"));
        QTest::keyClick(fio(), Qt::Key_PageUp);
        QCOMPARE(fio()->text(), kAndreev);
        QTest::keyClick(fio(), Qt::Key_PageDown);
        // A changed card is saved first; then the list moves on behind the closed editor.
        retype(child<QLineEdit>("dbedTel"), QStringLiteral("123-45-67"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QVERIFY(!editor->isVisible());
        QCOMPARE(value("FIO"), kVetrov);
        QCOMPARE(f.committed(
                     QStringLiteral("select count(*) from MAIN where FIO='%1' and TELD='123-45-67'")
                         .arg(kBorisova)),
                 1);
    }

    // A visit deleted after its question is gone at once, with its diagnoses and interventions,
    // and the card's Cancel does not bring it back; on an empty list nothing is asked.
    void deletingAVisitIsKeptAtOnce() {
        f.moveToPatient(kAndreev);
        const int id = f.patients().value(QStringLiteral("ID")).toInt();
        open();
        auto *label = child<QLabel>("lbDates");
        QCOMPARE(label->text(), QStringLiteral("&Приёмы (3):"));
        auto *visits = child<DbGrid>("dbgDates");
        QCOMPARE(visits->model()->rowCount(), 3);
        QCOMPARE(visits->model()->index(0, 1).data().toString(), QStringLiteral("Петрова Е.В."));
        const int visit = f.data->ibdsCard.value(QStringLiteral("C_ID")).toInt();
        focus(visits);
        f.answer = QMessageBox::Cancel;
        QTest::keyClick(visits, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(f.boxes, QStringList{QStringLiteral("Удалить карточку приёма?")});
        QCOMPARE(visits->model()->rowCount(), 3);
        f.answer = QMessageBox::Ok;
        QTest::keyClick(visits, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(visits->model()->rowCount(), 2);
        QCOMPARE(label->text(), QStringLiteral("&Приёмы (2):"));
        const QString links = QStringLiteral("select count(*) from %1 where %2=%3");
        const auto committedRows = [&] {
            return QList<int>{
                f.committed(
                    links.arg(QStringLiteral("DIAGNOZ"), QStringLiteral("G_KEY")).arg(visit)),
                f.committed(
                    links.arg(QStringLiteral("VMESHAT"), QStringLiteral("V_KEY")).arg(visit)),
                f.committed(links.arg(QStringLiteral("CARD"), QStringLiteral("C_KEY")).arg(id))};
        };
        QCOMPARE(committedRows(), (QList<int>{0, 0, 2}));
        child<QPushButton>("btCancel")->click();
        QVERIFY(!editor->isVisible());
        f.data->ibTrans.rollbackRetaining();
        QCOMPARE(committedRows(), (QList<int>{0, 0, 2}));

        f.moveToPatient(kBorisova);
        open();
        f.boxes.clear();
        focus(visits);
        QTest::keyClick(visits, Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(f.boxes.isEmpty());
    }

    void nameIsCapitalizedAsTypedAndTellsTheSex() {
        openNew();
        typeText(fio(), QStringLiteral("иванова мария петровна"));
        QCOMPARE(fio()->text(), QStringLiteral("Иванова Мария Петровна"));
        // A maiden name typed in the middle: the caret stays where the user types.
        fio()->setCursorPosition(7);
        typeText(fio(), QStringLiteral(" (петрова"));
        QCOMPARE(fio()->cursorPosition(), 16);
        typeText(fio(), QStringLiteral(")"));
        QCOMPARE(fio()->text(), QStringLiteral("Иванова (Петрова) Мария Петровна"));
        QCOMPARE(value("FIO"), fio()->text());
        QVERIFY(value("SEX").isEmpty());
        QTest::keyClick(fio(), Qt::Key_Tab);
        QCOMPARE(value("SEX"), QStringLiteral("Ж"));
        QCOMPARE(sex()->currentText(), QStringLiteral("Ж"));
        // A sex already set is never changed by the name.
        retype(fio(), QStringLiteral("Петров Иван"));
        QTest::keyClick(fio(), Qt::Key_Tab);
        QCOMPARE(value("SEX"), QStringLiteral("Ж"));
    }

    void doubleClickCyclesTheSex() {
        f.moveToPatient(kBorisova);
        open();
        f.patients().edit();
        f.patients().setValue(QStringLiteral("SEX"), QVariant());
        QStringList seen;
        for (int i = 0; i < 3; ++i) {
            QTest::mouseDClick(sex()->lineEdit(), Qt::LeftButton);
            seen << value("SEX");
        }
        QCOMPARE(seen, (QStringList{"М", "Ж", "М"}));
        QCOMPARE(sex()->currentText(), QStringLiteral("М"));
    }

    void ageAndDateOfBirthFillEachOther() {
        openNew();
        typeText(fio(), QStringLiteral("Ким Олег"));
        retype(age(), QStringLiteral("30 лет"));
        QTest::keyClick(age(), Qt::Key_Tab);
        QCOMPARE(age()->text(), QStringLiteral("30"));
        QCOMPARE(f.patients().value(QStringLiteral("DATAR")).toDate(), QDate(1994, 1, 1));
        QCOMPARE(born()->text(), QStringLiteral("01.01.1994"));
        // With a date of birth, the age box changes nothing.
        retype(age(), QStringLiteral("40"));
        QTest::keyClick(age(), Qt::Key_Tab);
        QCOMPARE(f.patients().value(QStringLiteral("DATAR")).toDate(), QDate(1994, 1, 1));

        struct Case {
            QString typed;
            QString age;
        };
        const Case cases[] = {
            {QStringLiteral("10032000"), QStringLiteral("24")},
            {QStringLiteral("01012024"), QStringLiteral("24")}, // under a year: left as it was
            {QStringLiteral("01012030"), QString()},            // in the future: no age
        };
        for (const Case &c : cases) {
            focus(born());
            born()->selectAll();
            QTest::keyClick(born(), Qt::Key_Delete);
            born()->home(false);
            typeText(born(), c.typed);
            QTest::keyClick(born(), Qt::Key_Tab);
            QCOMPARE(age()->text(), c.age);
        }
    }

    void captionsAndVisitLabel() {
        openNew();
        QCOMPARE(editor->windowTitle(), QStringLiteral("Карточка пациента. Добавление"));
        QCOMPARE(child<QLabel>("lbDates")->text(), QStringLiteral("&Приёмы (нет):"));
        QCOMPARE(child<QLabel>("lbFIO")->toolTip(),
                 QStringLiteral("Фамилия имя отчество\nДевичью фамилию введите после основной в "
                                "скобках"));
        // The first tick of the caption timer puts the caption with a colon.
        editor->findChild<CaptionMessage *>()->tick();
        QCOMPARE(editor->windowTitle(), QStringLiteral("Карточка пациента: Добавление"));
        QTest::keyClick(fio(), Qt::Key_Escape);

        f.moveToPatient(kVetrov);
        f.patients().edit();
        open();
        QCOMPARE(editor->windowTitle(), QStringLiteral("Карточка пациента. Правка"));
        QCOMPARE(age()->text(), QStringLiteral("24"));
        // The smallest size is the outer one, the frame included.
        QCOMPARE(editor->minimumSize() + (editor->frameGeometry().size() - editor->size()),
                 QSize(438, 320));
    }

    // Ins adds a visit from anywhere but the visit list, writing a new patient first once it
    // passes the card's checks; without the visit editor the visit commands are disabled.
    void insAddsAVisit() {
        openNew();
        QVERIFY(!child<QPushButton>("btAdd")->isEnabled());
        QTest::keyClick(fio(), Qt::Key_Insert);
        QCOMPARE(f.patients().state(), Dataset::State::Insert);

        QList<QVariantList> opened;
        TfmCardEdit::Hooks hooks;
        hooks.visitEdit = [&] {
            Dataset &visits = f.data->ibdsCard;
            opened << QVariantList{int(visits.state()), visits.value(QStringLiteral("C_DATE")),
                                   visits.value(QStringLiteral("C_KEY"))};
            visits.cancel();
        };
        editor->setHooks(hooks);
        // "Ким Олег" tells no sex: the patient is not written, and no visit starts.
        typeText(fio(), QStringLiteral("Ким Олег"));
        QTest::keyClick(fio(), Qt::Key_Insert);
        QCOMPARE(f.patients().state(), Dataset::State::Insert);
        QVERIFY(opened.isEmpty());
        QCOMPARE(editor->windowTitle(), QStringLiteral("Заполните пол"));
        QVERIFY(isRed(sex()));
        QCOMPARE(f.committed(QStringLiteral("select count(*) from MAIN")), 3);

        f.patients().setValue(QStringLiteral("SEX"), QStringLiteral("М"));
        focus(fio());
        QTest::keyClick(fio(), Qt::Key_Insert);
        QCOMPARE(f.patients().state(), Dataset::State::Browse);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0], (QVariantList{int(Dataset::State::Insert), kCardNow.date(),
                                          f.patients().value(QStringLiteral("ID"))}));
    }

    // The card's Cancel (and Esc, "Нет", an empty new card closed) takes back all its showing
    // wrote: a new patient written for a first visit that was then discarded leaves nothing,
    // also after the next save of something else.
    void cancelTakesBackThePatientWrittenForItsFirstVisit_data() {
        QTest::addColumn<int>("way"); // 0 Cancel, 1 Esc, 2 the close question's "Нет"
        QTest::newRow("Отмена") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("Нет") << 2;
    }
    void cancelTakesBackThePatientWrittenForItsFirstVisit() {
        QFETCH(int, way);
        openNew();
        TfmCardEdit::Hooks hooks;
        hooks.visitEdit = [&] { f.data->ibdsCard.cancel(); }; // the visit discarded
        editor->setHooks(hooks);
        typeText(fio(), QStringLiteral("Зайцева Зоя"));
        QTest::keyClick(fio(), Qt::Key_Insert);
        QCOMPARE(f.patients().state(), Dataset::State::Browse); // written for the visit
        if (way == 0) {
            child<QPushButton>("btCancel")->click();
        } else if (way == 1) {
            QTest::keyClick(fio(), Qt::Key_Escape);
        } else {
            f.answer = QMessageBox::No;
            editor->close();
            QCOMPARE(f.boxes,
                     QStringList{QStringLiteral("Сохранить изменения в карточке пациента?")});
        }
        QVERIFY(!editor->isVisible());
        f.data->ibTrans.commitRetaining(); // the next save of anything
        QCOMPARE(f.committed(QStringLiteral("select count(*) from MAIN where FIO = 'Зайцева Зоя'")),
                 0);
        QCOMPARE(f.committed(QStringLiteral("select count(*) from MAIN")), 3);
    }
};

QTEST_MAIN(TestTfmCardEdit)
#include "test_tfmcardedit.moc"
