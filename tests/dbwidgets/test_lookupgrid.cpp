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
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

// A visit's doctor box and its diagnoses grid, with a plain box to take the focus elsewhere.
struct VisitWindow : QWidget {
    explicit VisitWindow(SharedData &data) {
        auto *layout = new QVBoxLayout(this);
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
        // Three doctors, so that a new visit gets none by itself.
        addBookRows(data().ibdsDocs, "D_FIO",
                    {QStringLiteral("Белова А.А."), QStringLiteral("Иванов И.И."),
                     QStringLiteral("Петров П.П.")});
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

    // Letters typed in the doctor box choose the doctor; the visit takes the doctor's key.
    void typingChoosesTheDoctor() {
        data().ibdsCard.insert();
        window->doctor->setFocus();
        typeText(window->doctor, QStringLiteral("Ив"));
        QCOMPARE(window->doctor->currentText(), QStringLiteral("Иванов И.И."));
        QCOMPARE(data().ibdsCard.value(QStringLiteral("C_DOC")).toInt(), 2);
        data().ibdsCard.post();
        // Another visit without a doctor shows none; back on the first, its doctor shows again.
        data().ibdsCard.insert();
        QCOMPARE(window->doctor->currentIndex(), -1);
        data().ibdsCard.cancel();
        QCOMPARE(window->doctor->currentText(), QStringLiteral("Иванов И.И."));
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
    // visit first), the letters find the diagnosis, a note goes in with F2, and leaving the grid
    // posts the row.
    void diagnosisChosenAndNotedInPlace() {
        data().ibdsCard.insert();
        window->diagnoses->setFocus();
        typeText(window->diagnoses, QStringLiteral("Гай"));
        QCOMPARE(data().ibdsCard.state(), Dataset::State::Browse); // the visit went first
        auto *box = qobject_cast<LookupBox *>(cellEditor());
        QVERIFY(box);
        QCOMPARE(box->currentText(), QStringLiteral("Гайморит"));
        QCOMPARE(data().ibdsDiagnoz.value(QStringLiteral("G_DIAG")).toInt(), 3);
        QTest::keyClick(box, Qt::Key_Return); // the editor closes, the focus stays in the grid
        QTRY_VERIFY(!window->diagnoses->isEditingCell());
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
