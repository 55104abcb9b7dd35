// The lookup box and the editable grid on a real database: a visit's doctor chosen from the
// doctors book, and a visit's diagnoses chosen and noted in place.

#include "dbwidgets/datamapper.h"
#include "dbwidgets/dbgrid.h"
#include "dbwidgets/lookupbox.h"
#include "keyboard.h"
#include "openregister.h"
#include "widgets/messagebox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

// A visit's doctor box under its label and its diagnoses grid, with a plain box to take the
// focus elsewhere.
struct VisitWindow : QWidget {
    explicit VisitWindow(SharedData &data) {
        auto *layout = new QVBoxLayout(this);
        auto *label = new QLabel(QStringLiteral("&Врач:"));
        label->setBuddy(doctor);
        layout->addWidget(label);
        layout->addWidget(doctor);
        layout->addWidget(diagnoses);
        layout->addWidget(elsewhere);
        doctor->setList(&data.ibdsDocs, QStringLiteral("D_ID"), QStringLiteral("D_FIO"));
        auto *mapper = new DataMapper(&data.dsCard, this);
        mapper->addMapping(doctor, QStringLiteral("C_DOC"));
        diagnoses->setDataSource(&data.dsDiagnoz,
                                 {{QStringLiteral("G_DIAGNAME"), QStringLiteral("Диагноз"), 200},
                                  {QStringLiteral("G_PRIM"), QStringLiteral("Примечание")}});
        diagnoses->setEditable(true);
        diagnoses->setPostOnLeaving(true);
    }
    LookupBox *doctor = new LookupBox;
    DbGrid *diagnoses = new DbGrid;
    QLineEdit *elsewhere = new QLineEdit;
};

} // namespace

class TestLookupGrid : public QObject {
    Q_OBJECT

    std::unique_ptr<OpenRegister> reg;
    std::unique_ptr<VisitWindow> window;
    QStringList boxes;

    SharedData &data() { return reg->data; }
    int count(const QString &sql) { return reg->rows(sql).value(0).value(0).toInt(); }

    void addBookRows(Dataset &book, const char *field, const QStringList &names) {
        for (const QString &name : names) {
            book.insert();
            book.setValue(QLatin1String(field), name);
            book.post();
        }
    }

    // Where a key pressed goes: to the list of matches while it is open (a pop-up takes the
    // keyboard), else to the box.
    static QWidget *keyTarget(LookupBox *box) {
        return box->matchList()->isVisible() ? static_cast<QWidget *>(box->matchList()) : box;
    }

    QWidget *cellEditor() {
        QWidget *focus = QApplication::focusWidget();
        return focus && focus != window->diagnoses && window->diagnoses->isAncestorOf(focus)
                   ? focus
                   : nullptr;
    }

private Q_SLOTS:
    void init() {
        reg = std::make_unique<OpenRegister>();
        MessageBox::setAnswerer([this](const QString &text) {
            boxes << text;
            return QMessageBox::Ok;
        });
        // Several doctors, so that a new visit gets none by itself.
        addBookRows(data().ibdsDocs, "D_FIO",
                    {QStringLiteral("Белова А.А."), QStringLiteral("Иванов И.И."),
                     QStringLiteral("Петров П.П."), QStringLiteral("Васильев В.В.")});
        addBookRows(
            data().ibdsDiag, "Z_NAME",
            {QStringLiteral("Бронхит"), QStringLiteral("Гастрит"), QStringLiteral("Гайморит")});
        data().ibdsMain.insert();
        data().ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Сидоров Семён"));
        data().ibdsMain.post();
        window = std::make_unique<VisitWindow>(data());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() {
        window.reset();
        reg.reset();
        MessageBox::setAnswerer({});
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(u'\n')));
        boxes.clear();
    }

    // The doctor box finds the doctor by any part of the name; Return takes the doctor
    // highlighted, and the visit takes the doctor's key. A name the book lacks is never taken for
    // another doctor: the box says so, Return asks for the book, and leaving the box puts the
    // visit's doctor back, saying why. A name typed whole is taken on leaving the box.
    void doctorIsFoundByAnyPartOfTheName() {
        LookupBox *doctor = window->doctor;
        QSignalSpy bookWanted(doctor, &LookupBox::bookWanted);
        QSignalSpy refused(doctor, &LookupBox::inputRefused);
        data().ibdsCard.insert();
        doctor->setFocus();
        typeText(doctor, QStringLiteral("ванов и"));
        QVERIFY(doctor->matchList()->isVisible());
        QTest::keyClick(keyTarget(doctor), Qt::Key_Return);
        QVERIFY(!doctor->matchList()->isVisible());
        QCOMPARE(doctor->currentText(), QStringLiteral("Иванов И.И."));
        QCOMPARE(data().ibdsCard.value(QStringLiteral("C_DOC")).toInt(), 2);

        doctor->lineEdit()->selectAll();
        typeText(doctor, QStringLiteral("Сидоров"));
        QVERIFY(!doctor->matchList()->isVisible());
        QVERIFY(doctor->notInBookNote()->isVisible());
        QCOMPARE(doctor->notInBookNote()->text(),
                 QStringLiteral("Нет в справочнике. Enter — открыть справочник"));
        QTest::keyClick(doctor, Qt::Key_Return);
        QCOMPARE(bookWanted.count(), 1);
        QCOMPARE(bookWanted.at(0).at(0).toString(), QStringLiteral("Сидоров"));
        QVERIFY(!doctor->notInBookNote()->isVisible());
        QCOMPARE(doctor->currentText(), QStringLiteral("Иванов И.И."));

        doctor->lineEdit()->selectAll();
        typeText(doctor, QStringLiteral("Сидоров"));
        window->elsewhere->setFocus();
        QCOMPARE(refused.count(), 1);
        QCOMPARE(refused.at(0).at(0).toString(), QStringLiteral("«Сидоров» — нет в справочнике"));
        QCOMPARE(doctor->currentText(), QStringLiteral("Иванов И.И."));
        QCOMPARE(data().ibdsCard.value(QStringLiteral("C_DOC")).toInt(), 2);

        doctor->setFocus();
        doctor->lineEdit()->selectAll();
        typeText(doctor, QStringLiteral("петров п.п."));
        window->elsewhere->setFocus();
        QCOMPARE(doctor->currentText(), QStringLiteral("Петров П.П."));
        QCOMPARE(data().ibdsCard.value(QStringLiteral("C_DOC")).toInt(), 3);
        QCOMPARE(refused.count(), 1);
        data().ibdsCard.post();
        // Another visit without a doctor shows none; back on the first, its doctor shows again.
        data().ibdsCard.insert();
        QCOMPARE(doctor->currentIndex(), -1);
        QCOMPARE(doctor->currentText(), QString());
        data().ibdsCard.cancel();
        QCOMPARE(doctor->currentText(), QStringLiteral("Петров П.П."));
        QCOMPARE(data().ibdsDocs.fetchedCount(), 4); // the book keeps its rows
    }

    // Alt with a letter is an access key: the label's moves the focus to the doctor box and
    // changes no doctor. Alt with a letter that is no access key (X11 may give Alt+В as the code
    // of the key's Latin letter, D, with the text "в") reaches the box, and is neither typed there
    // nor searched for.
    void accessKeyOnlyMovesTheFocus() {
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        data().ibdsCard.insert();
        data().ibdsCard.setValue(QStringLiteral("C_DOC"), 3);
        LookupBox *doctor = window->doctor;
        window->elsewhere->setFocus();
        const auto altVe = [](QWidget *to, Qt::Key code) {
            QTest::sendKeyEvent(QTest::Click, to, code, QStringLiteral("в"), Qt::AltModifier);
        };
        altVe(window->elsewhere, Qt::Key(0x0412));
        QCOMPARE(QApplication::focusWidget(), doctor);
        altVe(doctor, Qt::Key(0x0412));
        altVe(doctor, Qt::Key_D);
        QCOMPARE(doctor->currentText(), QStringLiteral("Петров П.П."));
        QVERIFY(!doctor->isTyping());
        QCOMPARE(data().ibdsCard.value(QStringLiteral("C_DOC")).toInt(), 3);
    }

    // A doctor the book's search has narrowed away shows as nothing, and is not lost: the visit
    // keeps it, and it shows again with the whole book.
    void narrowedBookKeepsTheVisitsDoctor() {
        data().ibdsCard.insert();
        data().ibdsCard.setValue(QStringLiteral("C_DOC"), 3);
        data().ibdsCard.post();
        QCOMPARE(window->doctor->currentText(), QStringLiteral("Петров П.П."));
        data().ibdsDocs.setSelectSql(
            QStringLiteral("select * from DOCS where D_FIO starting 'Б' order by D_FIO"));
        data().ibdsDocs.open();
        QCOMPARE(window->doctor->currentIndex(), -1);
        QCOMPARE(data().ibdsCard.state(), Dataset::State::Browse);
        data().ibdsDocs.setSelectSql(SharedData::kDocsSelect);
        data().ibdsDocs.open();
        QCOMPARE(window->doctor->currentText(), QStringLiteral("Петров П.П."));
    }

    // The list tells whether it closed on a choice (the filter ticks its criterion then).
    void closingTheListTellsWhetherSomethingWasChosen() {
        LookupBox box;
        box.setList(&data().ibdsDocs, QStringLiteral("D_ID"), QStringLiteral("D_FIO"));
        box.show();
        QSignalSpy closed(&box, &LookupBox::closedUp);
        box.showPopup();
        QTest::keyClick(box.view(), Qt::Key_Escape);
        QTRY_COMPARE(closed.count(), 1);
        QCOMPARE(closed.at(0).at(0).toBool(), false);
        box.showPopup();
        QTest::keyClick(box.view(), Qt::Key_Down);
        QTest::keyClick(box.view(), Qt::Key_Return);
        QTRY_COMPARE(closed.count(), 2);
        QCOMPARE(closed.at(1).at(0).toBool(), true);
        QVERIFY(!box.currentKey().isNull());
    }

    // Typing in the empty diagnoses grid of a new visit starts a diagnosis row (writing the
    // visit first), the letters find the diagnosis and Return takes it, a note goes in with F2, and
    // leaving the grid posts the row.
    void diagnosisChosenAndNotedInPlace() {
        data().ibdsCard.insert();
        window->diagnoses->setFocus();
        typeText(window->diagnoses, QStringLiteral("Г"));
        QCOMPARE(data().ibdsCard.state(), Dataset::State::Browse); // the visit went first
        auto *box = qobject_cast<LookupBox *>(cellEditor());
        QVERIFY(box);
        typeText(box, QStringLiteral("ай"));
        QCoreApplication::processEvents();
        QCOMPARE(box->currentText(), QStringLiteral("Гай"));
        QTest::keyClick(box, Qt::Key_Return); // the editor closes, the focus stays in the grid
        QTRY_VERIFY(!window->diagnoses->isEditingCell());
        QCOMPARE(data().ibdsDiagnoz.value(QStringLiteral("G_DIAG")).toInt(), 3);
        window->diagnoses->setCurrentIndex(
            window->diagnoses->model()->index(0, window->diagnoses->columnOf("G_PRIM")));
        QTest::keyClick(window->diagnoses, Qt::Key_F2);
        auto *note = qobject_cast<QLineEdit *>(cellEditor());
        QVERIFY(note);
        typeText(note, QStringLiteral("обострение"));
        QTest::keyClick(note, Qt::Key_Return); // the editor commits once the key is handled
        QTRY_COMPARE(data().ibdsDiagnoz.value(QStringLiteral("G_PRIM")).toString(),
                     QStringLiteral("обострение"));
        QCOMPARE(data().ibdsDiagnoz.state(), Dataset::State::Insert);
        // The focus going from the grid straight to a window opened over this one (a book to
        // choose the row's entry from, as X11 moves it) leaves the row being edited.
        QLineEdit book;
        book.show();
        Q_EMIT qApp->focusChanged(window->diagnoses, &book);
        QCOMPARE(data().ibdsDiagnoz.state(), Dataset::State::Insert);
        window->elsewhere->setFocus();
        QCOMPARE(data().ibdsDiagnoz.state(), Dataset::State::Browse);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ where G_DIAG = 3 and "
                                      "G_PRIM = 'обострение'")),
                 1);
    }

    // What is typed into a diagnosis cell is looked for anywhere in the book's names, spaces and
    // letter case included, in a list that drops down as the user types; Return takes the
    // highlighted entry. A text that names no entry leaves the row as it was: the cell says so,
    // and Return closes it and asks for the book.
    void typedDiagnosisIsFound_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("taken"); // empty: none, the book is asked for
        const QString vague = QStringLiteral("Артрит неуточнённый");
        const QString relapsing = QStringLiteral("Артрит рецидивирующий");
        const QString acute = QStringLiteral("Бронхит острый");
        const QString viral = QStringLiteral("Аденовирусный конъюнктивит");
        const QString plain = QStringLiteral("Конъюнктивит");
        QTest::newRow("one word") << QStringLiteral("Гайморит")
                                  << QStringList{QStringLiteral("Гайморит")}
                                  << QStringLiteral("Гайморит");
        QTest::newRow("two words") << relapsing << QStringList{relapsing} << relapsing;
        QTest::newRow("the first of two words")
            << QStringLiteral("Артрит") << QStringList{vague, relapsing} << vague;
        QTest::newRow("a word and a letter")
            << QStringLiteral("Артрит р") << QStringList{relapsing} << relapsing;
        QTest::newRow("a word inside") << QStringLiteral("острый") << QStringList{acute} << acute;
        QTest::newRow("letter case")
            << QStringLiteral("бРОНХИТ остр") << QStringList{acute} << acute;
        QTest::newRow("named so, not the first that holds it")
            << QStringLiteral("конъюнктивит") << QStringList{viral, plain} << plain;
        QTest::newRow("beginning so, not the first that holds it")
            << QStringLiteral("Конъ") << QStringList{viral, plain} << plain;
        QTest::newRow("nothing") << QStringLiteral("Ковид-19") << QStringList{} << QString();
    }
    void typedDiagnosisIsFound() {
        QFETCH(QString, typed);
        QFETCH(QStringList, listed);
        QFETCH(QString, taken);
        addBookRows(data().ibdsDiag, "Z_NAME",
                    {QStringLiteral("Артрит неуточнённый"), QStringLiteral("Артрит рецидивирующий"),
                     QStringLiteral("Бронхит острый"), QStringLiteral("Аденовирусный конъюнктивит"),
                     QStringLiteral("Конъюнктивит")});
        data().ibdsDiag.open(); // in name order
        const int bookRows = data().ibdsDiag.fetchedCount();
        data().ibdsCard.insert();
        data().ibdsCard.post();
        DbGrid *grid = window->diagnoses;
        QSignalSpy bookWanted(grid, &DbGrid::bookWanted); // heard before the cell opens
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Insert);
        auto *box = qobject_cast<LookupBox *>(cellEditor());
        QVERIFY(box);
        typeText(box, typed);

        QStringList shown;
        const QAbstractItemModel *matches = box->matchList()->model();
        for (int row = 0; box->matchList()->isVisible() && row < matches->rowCount(); ++row)
            shown << matches->index(row, 0).data().toString();
        QCOMPARE(shown, listed);
        QCOMPARE(box->matchList()->currentIndex().data().toString(), taken);
        QCOMPARE(box->notInBookNote()->isVisible(), listed.isEmpty());
        // The list narrows in the view: the book keeps its rows, which other windows look
        // names up in.
        QCOMPARE(data().ibdsDiag.fetchedCount(), bookRows);

        QTest::keyClick(keyTarget(box), Qt::Key_Return);
        QTRY_VERIFY(!grid->isEditingCell());
        QCOMPARE(data().ibdsDiagnoz.value(QStringLiteral("G_DIAGNAME")).toString(), taken);
        if (taken.isEmpty()) {
            QTRY_COMPARE(bookWanted.count(), 1);
            QCOMPARE(bookWanted.at(0), (QVariantList{QStringLiteral("G_DIAGNAME"), typed}));
            QCOMPARE(data().ibdsDiagnoz.state(), Dataset::State::Insert); // for the book's choice
        } else {
            QTest::qWait(10);
            QCOMPARE(bookWanted.count(), 0);
        }
    }

    // Tab out of a diagnosis cell takes the diagnosis a text names (or the list highlights); a
    // text that names none leaves the row as it was, and the grid says why.
    void leavingTheCellTakesOnlyANamedDiagnosis_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("named") << QStringLiteral("гастрит") << QStringLiteral("Гастрит")
                               << QString();
        QTest::newRow("nothing") << QStringLiteral("Ковид-19") << QString()
                                 << QStringLiteral("«Ковид-19» — нет в справочнике");
    }
    void leavingTheCellTakesOnlyANamedDiagnosis() {
        QFETCH(QString, typed);
        QFETCH(QString, taken);
        QFETCH(QString, refusal);
        data().ibdsCard.insert();
        data().ibdsCard.post();
        DbGrid *grid = window->diagnoses;
        QSignalSpy refused(grid, &DbGrid::cellInputRefused);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Insert);
        auto *box = qobject_cast<LookupBox *>(cellEditor());
        QVERIFY(box);
        typeText(box, typed);
        QTest::keyClick(keyTarget(box), Qt::Key_Tab);
        QVERIFY(!grid->isEditingCell());
        QVERIFY(!grid->hasFocus()); // on to the next control
        QCOMPARE(data().ibdsDiagnoz.value(QStringLiteral("G_DIAGNAME")).toString(), taken);
        QCOMPARE(refused.count(), refusal.isEmpty() ? 0 : 1);
        if (!refusal.isEmpty())
            QCOMPARE(refused.at(0), (QVariantList{QStringLiteral("G_DIAGNAME"), refusal}));
    }

    // Esc in a cell editor closes just the editor and cancels the row; Esc on the grid with no
    // row being edited is left to the window.
    void escapeClosesTheEditorAndCancelsTheRow() {
        data().ibdsCard.insert();
        data().ibdsCard.post();
        window->diagnoses->setFocus();
        QTest::keyClick(window->diagnoses, Qt::Key_Insert);
        QVERIFY(window->diagnoses->isEditingCell());
        QCOMPARE(data().ibdsDiagnoz.state(), Dataset::State::Insert);
        QTest::keyClick(cellEditor(), Qt::Key_Escape);
        QVERIFY(!window->diagnoses->isEditingCell());
        QCOMPARE(data().ibdsDiagnoz.state(), Dataset::State::Browse);
        QVERIFY(data().ibdsDiagnoz.isEmpty());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window->diagnoses, &escape);
        QVERIFY(!escape.isAccepted());
    }

    // A note typed into its cell is taken into the row when the window asks for it (before the
    // close question, say); a note longer than its field, or pasted with characters the code page
    // lacks, is refused, saying why; common signs the code page lacks take their plain form.
    void noteIsTakenOrRefused() {
        data().ibdsCard.insert();
        data().ibdsCard.post();
        window->diagnoses->setFocus();
        QTest::keyClick(window->diagnoses, Qt::Key_Insert);
        QTest::keyClick(cellEditor(), Qt::Key_Return);
        QTRY_VERIFY(!window->diagnoses->isEditingCell());
        window->diagnoses->editCell(QStringLiteral("G_PRIM"));
        auto *note = qobject_cast<QLineEdit *>(cellEditor());
        QVERIFY(note);
        QSignalSpy refused(window->diagnoses, &DbGrid::cellInputRefused);
        QApplication::clipboard()->setText(QStringLiteral("Т ≥ 38,5° ≠ 😀"));
        note->paste();
        QCOMPARE(note->text(), QString());
        QApplication::clipboard()->setText(QStringLiteral("Т ≥ 38,5°; ½ таб."));
        note->paste();
        QCOMPARE(note->text(), QStringLiteral("Т >= 38,5°; 1/2 таб."));
        note->clear();
        typeText(note, QString(101, QChar(u'я')));
        QCOMPARE(refused.size(), 2);
        QCOMPARE(refused.at(0),
                 (QVariantList{QStringLiteral("G_PRIM"),
                               QStringLiteral("знаков «≠», «😀» нет в кодировке Windows-1251")}));
        QCOMPARE(refused.at(1),
                 (QVariantList{QStringLiteral("G_PRIM"), QStringLiteral("не более 100 знаков")}));
        window->diagnoses->submitCellEdit();
        QVERIFY(!window->diagnoses->isEditingCell());
        QCOMPARE(data().ibdsDiagnoz.value(QStringLiteral("G_PRIM")).toString(),
                 QString(100, QChar(u'я')));
    }

    // A book's grid: what is typed reaches the row when the window asks for it; the row being
    // edited is left only when the window allows it, however the user moves; a double click
    // tells whether it was on a row.
    void rowIsLeftOnlyWhenAllowed() {
        data().ibdsDiag.open(); // in name order
        DbGrid grid;
        grid.setDataSource(&data().dsDiag, {{QStringLiteral("Z_NAME"), QStringLiteral("Диагноз")}});
        grid.setEditable(true);
        bool allowed = false;
        int asked = 0;
        grid.setRowLeaving([&] {
            ++asked;
            return allowed;
        });
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_F2);
        QVERIFY(grid.isEditingCell());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
        typeText(QApplication::focusWidget(), QStringLiteral(" острый"));
        grid.submitCellEdit();
        QVERIFY(!grid.isEditingCell());
        Dataset &book = data().ibdsDiag;
        QCOMPARE(book.value(QStringLiteral("Z_NAME")).toString(), QStringLiteral("Бронхит острый"));

        const QRect last = grid.visualRect(grid.model()->index(2, 0));
        QTest::keyClick(&grid, Qt::Key_Down);
        QTest::keyClick(&grid, Qt::Key_End);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, last.center());
        QCOMPARE(asked, 3);
        QCOMPARE(book.currentRow(), 0);
        QCOMPARE(grid.currentIndex().row(), 0);
        QCOMPARE(book.state(), Dataset::State::Edit);

        allowed = true;
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(book.currentRow(), 1);
        QCOMPARE(book.state(), Dataset::State::Browse);
        QCOMPARE(
            reg->rows(QStringLiteral("select count(*) from DIAG where Z_NAME = 'Бронхит острый'"),
                      reg->data.ibBooksTrans)
                .value(0)
                .value(0)
                .toInt(),
            1);
        QCOMPARE(asked, 4);
        QTest::keyClick(&grid, Qt::Key_Down); // nothing being edited: not asked
        QCOMPARE(asked, 4);

        QSignalSpy onRow(&grid, &DbGrid::rowDoubleClicked);
        QSignalSpy anywhere(&grid, &DbGrid::gridDoubleClicked);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, last.center());
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, last.center() + QPoint(0, 60));
        QCOMPARE(onRow.count(), 1);
        QCOMPARE(anywhere.count(), 2);
    }
};

QTEST_MAIN(TestLookupGrid)
#include "test_lookupgrid.moc"
