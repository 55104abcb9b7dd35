// The reference book windows, offscreen, on a real database: the search, choosing an entry for
// a visit, adding and renaming with the checks of a name, deleting with the reference check,
// the doctor's active flag, the patients of an entry, and what the book keeps when it closes.

#include "books/tfmbook.h"
#include "cards/cardfixture.h"
#include "dbwidgets/dbgrid.h"
#include "print/tfmprint.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

namespace {

const QString kAndreev = kCardPatients[0].fio;
const QString kPetrova = QStringLiteral("Петрова Е.В.");

} // namespace

class TestTfmBook : public QObject {
    Q_OBJECT

    CardFixture f;
    std::unique_ptr<TfmBook> window;

    TfmBook *open(BookKind kind, TfmBook::Mode mode) {
        if (window && window->config().kind != kind)
            window.reset();
        if (!window)
            window = std::make_unique<TfmBook>(kind, *f.data, *f.settings);
        window->setMode(mode);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("the book did not come up");
        return window.get();
    }

    Dataset &book() { return (*f.data).*window->config().dataset; }
    DbGrid *grid() { return control<DbGrid>(window.get(), qPrintable(window->config().gridName)); }
    QLineEdit *searchBox() { return control<QLineEdit>(window.get(), "edSearch"); }
    QAction *action(const char *name) { return control<QAction>(window.get(), name); }
    QWidget *cellEditor() {
        QWidget *focus = QApplication::focusWidget();
        return focus && focus != grid() && grid()->isAncestorOf(focus) ? focus : nullptr;
    }

    // The names the book's list holds, in its order.
    QStringList names() {
        QStringList all;
        Dataset &entries = book();
        entries.fetchAll();
        for (int row = 0; row < entries.fetchedCount(); ++row)
            all << entries.value(row, window->config().nameField).toString();
        return all;
    }

    // Entries written and committed before the window opens.
    int addEntry(Dataset &entries, const char *field, const QString &name) {
        entries.insert();
        entries.setValue(QLatin1String(field), name);
        const int key = entries.value(entries.field(0).name).toInt();
        entries.post();
        entries.transaction().commitRetaining();
        entries.open(); // in name order
        return key;
    }

    void moveTo(const QString &name) { QVERIFY(book().locate(window->config().nameField, name)); }

    void search(const QString &text) {
        searchBox()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), searchBox());
        typeText(searchBox(), text);
    }

    void pressCtrlEnter() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    }

private Q_SLOTS:
    void init() { f.setUp(); }
    void cleanup() {
        window.reset();
        f.tearDown();
    }

    // One character leaves the list; from two on, the entries with the text anywhere in their
    // name in any letter case; an apostrophe is looked for as typed; emptying the box gives the
    // whole book back in name order.
    void search_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("erased"); // backspaces after typing
        QTest::addColumn<QStringList>("listed");
        const QStringList all = {"Ангина", "ОРВИ", "Острый тонзиллит", "Синдром О'Нила",
                                 "Хронический тонзиллит"};
        QTest::newRow("one character") << "т" << 0 << all;
        QTest::newRow("two characters") << "ан" << 0 << QStringList{"Ангина"};
        QTest::newRow("middle of the name, capitals")
            << "ТОНЗ" << 0 << QStringList{"Острый тонзиллит", "Хронический тонзиллит"};
        QTest::newRow("apostrophe") << "о'н" << 0 << QStringList{"Синдром О'Нила"};
        QTest::newRow("emptied") << "тонз" << 4 << all;
    }
    void search() {
        QFETCH(QString, typed);
        QFETCH(int, erased);
        QFETCH(QStringList, listed);
        for (const char *name : {"Острый тонзиллит", "Хронический тонзиллит", "Синдром О'Нила"})
            addEntry(f.data->ibdsDiag, "Z_NAME", QString::fromUtf8(name));
        open(BookKind::Diagnoses, TfmBook::Mode::Maintenance);
        QCOMPARE(searchBox()->text(), QStringLiteral("[Поиск]"));
        // Entering the box takes the prompt away without reading the list again.
        QSignalSpy reread(&book(), &Dataset::rowsReset);
        searchBox()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), searchBox());
        QVERIFY(searchBox()->text().isEmpty());
        QCOMPARE(reread.count(), 0);

        typeText(searchBox(), typed);
        for (int i = 0; i < erased; ++i)
            QTest::keyClick(searchBox(), Qt::Key_Backspace);
        QCOMPARE(names(), listed);
        QVERIFY(f.boxes.isEmpty());
    }

    // A doctor found by the search and chosen by a double click becomes the visit's doctor; the
    // whole book comes back, the search text stays in the box.
    void choosingASearchedDoctor() {
        const int sidorov = addEntry(f.data->ibdsDocs, "D_FIO", QStringLiteral("Сидоров С.С."));
        f.moveToPatient(kAndreev);
        open(BookKind::Doctors, TfmBook::Mode::Choosing);
        QVERIFY(!control<QPushButton>(window.get(), "btPatient")->isEnabled());
        search(QStringLiteral("сид"));
        QCOMPARE(names(), QStringList{QStringLiteral("Сидоров С.С.")});
        const QRect row = grid()->visualRect(grid()->model()->index(0, 0));
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, row.center());
        QVERIFY(!window->isVisible());

        Dataset &visits = f.data->ibdsCard;
        QCOMPARE(visits.state(), Dataset::State::Edit); // saved by the visit editor
        QCOMPARE(visits.value(QStringLiteral("C_DOC")).toInt(), sidorov);
        QCOMPARE(book().selectSql(), SharedData::kDocsSelect);
        QCOMPARE(names(), (QStringList{kPetrova, QStringLiteral("Сидоров С.С.")}));
        QCOMPARE(searchBox()->text(), QStringLiteral("сид"));
        QCOMPARE(
            f.committed(QStringLiteral("select count(*) from CARD where C_DOC = %1").arg(sidorov)),
            0);
    }

    // Choosing for a visit without diagnoses starts its first diagnosis row with the entry.
    void choosingTheFirstDiagnosisOfAVisit() {
        f.moveToPatient(kAndreev);
        Dataset &visits = f.data->ibdsCard;
        visits.last(); // the visit of 1 December has no diagnosis
        QVERIFY(f.data->ibdsDiagnoz.isEmpty());
        open(BookKind::Diagnoses, TfmBook::Mode::Choosing);
        QVERIFY(!grid()->isEditable());
        moveTo(QStringLiteral("Ангина"));
        QTest::keyClick(grid(), Qt::Key_Return); // OK, the default button

        QVERIFY(!window->isVisible());
        Dataset &links = f.data->ibdsDiagnoz;
        QCOMPARE(links.recordCount(), 1);
        QCOMPARE(links.state(), Dataset::State::Insert);
        QCOMPARE(links.value(QStringLiteral("G_DIAG")).toInt(), 2);
        QCOMPARE(links.value(QStringLiteral("G_KEY")), visits.value(QStringLiteral("C_ID")));
        QCOMPARE(links.value(QStringLiteral("G_DIAGNAME")).toString(), QStringLiteral("Ангина"));
    }

    // A doctor with visits is not deleted; the count leaves the visit being edited as it was,
    // and the caption that says so is gone at the next showing.
    void doctorWithVisitsIsNotDeleted() {
        f.moveToPatient(kAndreev);
        Dataset &visits = f.data->ibdsCard;
        visits.moveTo(1);
        visits.edit();
        visits.setValue(QStringLiteral("C_ZHALOBA"), QStringLiteral("не сохранено"));
        const QString visitsSql = visits.selectSql();

        open(BookKind::Doctors, TfmBook::Mode::Choosing);
        action("pmDel")->trigger();
        QCOMPARE(window->windowTitle(), QStringLiteral("Нельзя удалить - есть пациенты"));
        QVERIFY(f.boxes.isEmpty()); // not even asked
        QCOMPARE(names(), QStringList{kPetrova});
        QCOMPARE(visits.state(), Dataset::State::Edit);
        QCOMPARE(visits.currentRow(), 1);
        QCOMPARE(visits.recordCount(), 3);
        QCOMPARE(visits.selectSql(), visitsSql);
        QCOMPARE(visits.value(QStringLiteral("C_ZHALOBA")).toString(),
                 QStringLiteral("не сохранено"));

        QTest::keyClick(grid(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        open(BookKind::Doctors, TfmBook::Mode::Choosing);
        QCOMPARE(window->windowTitle(), QStringLiteral("Справочник врачей"));
    }

    // A doctor named only by a visit not yet saved is in use as well.
    void doctorOfAnUnsavedVisitIsNotDeleted() {
        const int sidorov = addEntry(f.data->ibdsDocs, "D_FIO", QStringLiteral("Сидоров С.С."));
        f.moveToPatient(kAndreev);
        f.data->ibdsCard.insert();
        f.data->ibdsCard.setValue(QStringLiteral("C_DOC"), sidorov);
        open(BookKind::Doctors, TfmBook::Mode::Choosing);
        moveTo(QStringLiteral("Сидоров С.С."));
        action("pmDel")->trigger();
        QCOMPARE(window->windowTitle(), QStringLiteral("Нельзя удалить - есть пациенты"));
        QCOMPARE(names().size(), 2);
    }

    // An entry in no visit is deleted once the user agrees, and kept otherwise.
    void deleteAsked_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("OK") << int(QMessageBox::Ok) << QStringList{"Ангина", "ОРВИ"};
        QTest::newRow("Cancel") << int(QMessageBox::Cancel)
                                << QStringList{"Ангина", "Гастрит", "ОРВИ"};
    }
    void deleteAsked() {
        QFETCH(int, answer);
        QFETCH(QStringList, left);
        addEntry(f.data->ibdsDiag, "Z_NAME", QStringLiteral("Гастрит"));
        open(BookKind::Diagnoses, TfmBook::Mode::Maintenance);
        moveTo(QStringLiteral("Гастрит"));
        f.answer = QMessageBox::StandardButton(answer);
        action("pmDel")->trigger();
        QCOMPARE(f.boxes,
                 QStringList{QStringLiteral("Восстановление будет невозможно.\nУдалить диагноз?")});
        QCOMPARE(names(), left);
        QCOMPARE(window->windowTitle(), QStringLiteral("Справочник диагнозов"));
        QTest::keyClick(grid(), Qt::Key_Escape); // what was deleted is kept
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DIAG")), int(left.size()));
    }

    // "Активен" is ticked for an active doctor; a double click on the doctor toggles the flag,
    // which OK saves; an inactive doctor shows dimmed, a new one not.
    void activeFlag() {
        open(BookKind::Doctors, TfmBook::Mode::Maintenance);
        auto *menu = control<QMenu>(window.get(), "pmDocs");
        const auto tickShown = [&] {
            Q_EMIT grid()->customContextMenuRequested(QPoint(5, 5));
            const bool ticked = action("pmAct")->isChecked();
            menu->close();
            return ticked;
        };
        QCOMPARE(menu->defaultAction(), action("pmAct"));
        QVERIFY(tickShown());
        const QRect row = grid()->visualRect(grid()->model()->index(0, 0));
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(book().value(QStringLiteral("D_ACTIVE")).toString(), QStringLiteral("F"));
        QVERIFY(!tickShown());
        QVERIFY(grid()->model()->index(0, 0).data(Qt::FontRole).value<QFont>().italic());
        QVERIFY(window->isVisible()); // a double click chooses only when choosing
        pressCtrlEnter();
        QVERIFY(!window->isVisible());
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DOCS where D_ACTIVE = 'F'")), 1);

        // A doctor being added is written as active, and reads so already.
        open(BookKind::Doctors, TfmBook::Mode::Maintenance);
        QTest::keyClick(grid(), Qt::Key_Insert);
        QVERIFY(book().value(QStringLiteral("D_ACTIVE")).isNull());
        QVERIFY(tickShown());
        QVERIFY(!grid()->currentIndex().data(Qt::FontRole).isValid());
    }

    // A name is checked before its row is saved, by OK or by moving off the row: the refusal
    // names the column, and the row stays being edited, its name open for mending.
    void badName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("byOk"); // else by moving to another row
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << true << "Поле «Диагноз» должно быть заполнено.";
        QTest::newRow("spaces, moving off")
            << "   " << false << "Поле «Диагноз» должно быть заполнено.";
        QTest::newRow("too long") << QString(101, u'ж') << true
                                  << "Поле «Диагноз» вмещает не более 100 знаков, а введено 101.";
        QTest::newRow("not in Windows-1251")
            << "ОРВИ ✓" << false
            << "Поле «Диагноз» содержит знак «✓», которого нет в кодировке Windows-1251.";
    }
    void badName() {
        QFETCH(QString, name);
        QFETCH(bool, byOk);
        QFETCH(QString, message);
        open(BookKind::Diagnoses, TfmBook::Mode::Maintenance);
        moveTo(QStringLiteral("ОРВИ"));
        book().edit();
        book().setValue(QStringLiteral("Z_NAME"), name);
        if (byOk)
            control<QPushButton>(window.get(), "btOK")->click();
        else
            QTest::keyClick(grid(), Qt::Key_Home);
        QCOMPARE(f.boxes, QStringList{message});
        QVERIFY(window->isVisible());
        QCOMPARE(book().state(), Dataset::State::Edit);
        QCOMPARE(book().value(QStringLiteral("Z_NAME")).toString(), name);
        QTRY_VERIFY(grid()->isEditingCell());
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DIAG where Z_NAME = 'ОРВИ'")), 1);
    }

    // A name the book holds already, in any letter case, is saved only when the user agrees.
    // Typed as a new user does: Ins, the name, Enter to end the cell, Ctrl+Enter for OK.
    void namesakeAsked_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("stored");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << 2;
        QTest::newRow("No") << int(QMessageBox::No) << 1;
    }
    void namesakeAsked() {
        QFETCH(int, answer);
        QFETCH(int, stored);
        open(BookKind::Diagnoses, TfmBook::Mode::Maintenance);
        QTest::keyClick(grid(), Qt::Key_Insert);
        QVERIFY(cellEditor());
        typeText(cellEditor(), QStringLiteral(" орви "));
        QTest::keyClick(cellEditor(), Qt::Key_Return);
        QTRY_VERIFY(!grid()->isEditingCell());
        QVERIFY(window->isVisible()); // Enter ended the cell, not the window
        QVERIFY(f.boxes.isEmpty());

        f.answer = QMessageBox::StandardButton(answer);
        pressCtrlEnter();
        QCOMPARE(f.boxes, QStringList{QStringLiteral(
                              "«орви» уже есть в справочнике. Добавить ещё одну запись?")});
        QCOMPARE(window->isVisible(), answer == QMessageBox::No);
        QCOMPARE(f.committed(QStringLiteral("select count(*) from DIAG where UPPER(Z_NAME) = "
                                            "'ОРВИ' and Z_NAME = TRIM(Z_NAME)")),
                 stored);
        // A row saved with its own name again is not asked about.
        if (answer == QMessageBox::Yes) {
            open(BookKind::Diagnoses, TfmBook::Mode::Maintenance);
            moveTo(QStringLiteral("орви"));
            book().edit();
            book().setValue(QStringLiteral("Z_NAME"), QStringLiteral("ОРВИ"));
            pressCtrlEnter();
            QVERIFY(!window->isVisible());
            QCOMPARE(f.boxes.size(), 1);
        }
    }

    // What a book writes is committed by its OK, whether it was opened for upkeep or for
    // choosing, and a later rollback (a visit cancelled) does not undo it.
    void upkeepIsCommitted_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("maintenance") << int(TfmBook::Mode::Maintenance);
        QTest::newRow("choosing") << int(TfmBook::Mode::Choosing);
    }
    void upkeepIsCommitted() {
        QFETCH(int, mode);
        open(BookKind::Interventions, TfmBook::Mode(mode));
        control<QPushButton>(window.get(), "btAdd")->click();
        QVERIFY(cellEditor());
        typeText(cellEditor(), QStringLiteral("УЗИ"));
        pressCtrlEnter();
        QVERIFY(!window->isVisible());
        const QString sql = QStringLiteral("select count(*) from VMESH where E_NAME = 'УЗИ'");
        QCOMPARE(f.committed(sql), 1);
        f.data->ibTrans.rollbackRetaining();
        QCOMPARE(f.committed(sql), 1);
    }

    // Cancel drops the row being edited and gives the whole book back to the other windows,
    // whose visits look their names up in it.
    void cancelGivesTheWholeBookBack() {
        f.moveToPatient(kAndreev);
        open(BookKind::Diagnoses, TfmBook::Mode::Maintenance);
        search(QStringLiteral("анг"));
        QCOMPARE(names(), QStringList{QStringLiteral("Ангина")});
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_F2);
        QVERIFY(cellEditor());
        typeText(cellEditor(), QStringLiteral("!"));
        QTest::keyClick(cellEditor(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QCOMPARE(book().selectSql(), SharedData::kDiagSelect);
        QCOMPARE(names(), (QStringList{"Ангина", "ОРВИ"}));
        QCOMPARE(f.data->ibdsDiagnoz.value(0, QStringLiteral("G_DIAGNAME")).toString(),
                 QStringLiteral("ОРВИ"));
        QCOMPARE(searchBox()->text(), QStringLiteral("анг"));
    }

    // From the main window: the diagnoses book is made at start-up before the print window,
    // the menu opens a book, and "Пациенты" lists the doctor's patients in the main window.
    void patientsOfADoctorInTheMainWindow() {
        const std::unique_ptr<TfmMain> fmMain = f.showMainWindow();
        const QObjectList made = fmMain->children();
        auto *fmDiag = fmMain->findChild<TfmDiag *>(QStringLiteral("fmDiag"));
        auto *fmPrint = fmMain->findChild<TfmPrint *>();
        QVERIFY(fmDiag && fmPrint);
        QVERIFY(made.indexOf(fmDiag) < made.indexOf(fmPrint));
        QVERIFY(!fmMain->findChild<TfmDoc *>());

        QString caption;
        QTimer::singleShot(0, this, [&] {
            auto *fmDoc = qobject_cast<TfmDoc *>(QApplication::activeModalWidget());
            QVERIFY(fmDoc);
            caption = fmDoc->windowTitle();
            QCOMPARE(fmDoc->objectName(), QStringLiteral("fmDoc"));
            fmDoc->findChild<QPushButton *>(QStringLiteral("btPatient"))->click();
            fmDoc->reject();
        });
        fmMain->findChild<QAction *>(QStringLiteral("mmDocs"))->trigger();
        QCOMPARE(caption, QStringLiteral("Справочник врачей"));
        Dataset &listed = fmMain->data().ibdsMain;
        QCOMPARE(listed.recordCount(), 1);
        QCOMPARE(listed.value(QStringLiteral("FIO")).toString(), kAndreev);
        QVERIFY(f.boxes.isEmpty());
    }
};

QTEST_MAIN(TestTfmBook)
#include "test_tfmbook.moc"
