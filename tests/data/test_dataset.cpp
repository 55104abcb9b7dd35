// The dataset engine: moving, pending rows, masters and details, reading as needed, and the
// grid adapter that shows it.

#include "data/dberror.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "dbwidgets/datasetmodel.h"
#include "testdatabase.h"
#include "widgets/messagebox.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <memory>

class TestDataset : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<SharedData> data;

    int count(const QString &sql) {
        return Statement(data->ibMain, data->ibTrans, sql).selectOne().value(0).toInt();
    }

    // Writes `n` patients straight through a statement, names sorting in key order.
    void writePatients(int n) {
        Statement insert(data->ibMain, data->ibTrans,
                         QStringLiteral("insert into MAIN (ID, FIO) values (:ID, :FIO)"));
        for (int i = 1; i <= n; ++i)
            insert.execute([i](const QString &name) -> QVariant {
                return name == QLatin1String("ID")
                           ? QVariant(i)
                           : QVariant(QStringLiteral("Пациент %1").arg(i, 6, 10, QChar(u'0')));
            });
        Statement(data->ibMain, data->ibTrans,
                  QStringLiteral("select GEN_ID(GEN_MAIN_ID, %1) from RDB$DATABASE").arg(n))
            .selectOne();
        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
    }

    void writeVisit(int id, int patient) {
        Statement(
            data->ibMain, data->ibTrans,
            QStringLiteral("insert into CARD (C_ID, C_KEY) values (%1, %2)").arg(id).arg(patient))
            .execute();
    }

private Q_SLOTS:
    void init() {
        db = std::make_unique<TestDatabase>();
        data = std::make_unique<SharedData>();
        data->open(db->path(), QStringLiteral("select * from MAIN order by FIO"));
    }
    void cleanup() {
        data.reset();
        db.reset();
    }

    void pendingRowIsPostedBeforeMoving() {
        writePatients(2);
        data->ibdsMain.edit();
        data->ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Изменённый"));
        data->ibdsMain.next();
        QCOMPARE(data->ibdsMain.state(), Dataset::State::Browse);
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN where FIO='Изменённый'")), 1);
    }

    void untouchedNewRowIsDroppedOnMove() {
        writePatients(3);
        data->ibdsMain.moveTo(1);
        data->ibdsMain.insert();
        QCOMPARE(data->ibdsMain.fetchedCount(), 4);
        data->ibdsMain.moveTo(3); // the third patient, counted with the new row above it
        QCOMPARE(data->ibdsMain.fetchedCount(), 3);
        QCOMPARE(data->ibdsMain.value(QStringLiteral("ID")).toInt(), 3);
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN")), 3);
    }

    // After a dropped new row the rows below it move up; a row above it stays where it is.
    void clickAfterAnAbandonedNewRowLandsOnTheClickedPatient_data() {
        QTest::addColumn<int>("newRowAt");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<int>("patient");
        QTest::newRow("below the new row") << 1 << 3 << 3;
        QTest::newRow("above the new row") << 3 << 1 << 2;
    }
    void clickAfterAnAbandonedNewRowLandsOnTheClickedPatient() {
        QFETCH(int, newRowAt);
        QFETCH(int, clicked);
        QFETCH(int, patient);
        writePatients(5);
        DatasetModel model(&data->ibdsMain, {{QStringLiteral("FIO"), QStringLiteral("Ф.И.О.")}});
        QTableView view;
        GridBinding binding(&view, &model);
        data->ibdsMain.moveTo(newRowAt);
        data->ibdsMain.insert();
        view.setCurrentIndex(model.index(clicked, 0));
        QCOMPARE(data->ibdsMain.value(QStringLiteral("ID")).toInt(), patient);
        QCOMPARE(view.currentIndex().row(), patient - 1);
    }

    void deletingAnUnsavedNewRowCancelsIt() {
        writePatients(3);
        Dataset &patients = data->ibdsMain;
        patients.moveTo(1);
        patients.insert();
        patients.setValue(QStringLiteral("FIO"), QStringLiteral("Новый"));
        patients.remove();
        QCOMPARE(patients.state(), Dataset::State::Browse);
        QCOMPARE(patients.value(QStringLiteral("ID")).toInt(), 2);
        patients.next();
        QCOMPARE(patients.value(QStringLiteral("ID")).toInt(), 3);
        QCOMPARE(patients.recordCount(), 3);
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN")), 3);
    }

    // A row that is gone from the database (here undone by a rollback) cannot be saved or
    // deleted as if it were there: the user is told, and the row keeps what was typed.
    void changingARowThatIsGoneIsRefused() {
        Dataset &patients = data->ibdsMain;
        patients.insert();
        patients.setValue(QStringLiteral("FIO"), QStringLiteral("Отменённый"));
        patients.post();
        data->ibTrans.rollbackRetaining();
        patients.edit();
        patients.setValue(QStringLiteral("FIO"), QStringLiteral("Исправленный"));
        QVERIFY_THROWS_EXCEPTION(DbError, patients.post());
        QCOMPARE(patients.state(), Dataset::State::Edit);
        QCOMPARE(patients.value(QStringLiteral("FIO")).toString(), QStringLiteral("Исправленный"));
        patients.cancel();
        QVERIFY_THROWS_EXCEPTION(DbError, patients.remove());
        QCOMPARE(patients.recordCount(), 1);
    }

    // With nothing watching the visits, they are read when first asked for, for the patient
    // the list stands on now.
    void detailReadsForTheMastersNewRowAtFirstAsking() {
        writePatients(2);
        writeVisit(10, 1);
        writeVisit(20, 2);
        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
        data->ibdsMain.next();
        QCOMPARE(data->ibdsCard.value(QStringLiteral("C_ID")).toInt(), 20);
        data->ibdsMain.prior();
        QCOMPARE(data->ibdsCard.value(QStringLiteral("C_ID")).toInt(), 10);
    }

    // Posting a link row without its reference deletes it; moving on from it lands on the row
    // that followed it.
    void movingOnFromARowARuleDeletedLandsOnTheNextRow() {
        writePatients(1);
        writeVisit(10, 1);
        Statement(data->ibMain, data->ibTrans,
                  QStringLiteral("insert into DIAGNOZ (G_ID, G_KEY, G_DIAG) "
                                 "select Z, 10, Z from (select 1 as Z from RDB$DATABASE union "
                                 "select 2 from RDB$DATABASE union select 3 from RDB$DATABASE)"))
            .execute();
        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
        Dataset &links = data->ibdsDiagnoz;
        QCOMPARE(links.recordCount(), 3);
        links.first();
        links.edit();
        links.setValue(QStringLiteral("G_DIAG"), QVariant());
        links.next();
        QCOMPARE(links.value(QStringLiteral("G_ID")).toInt(), 2);
        QCOMPARE(links.recordCount(), 2);
    }

    void deletingTheLastRowReadSoFarLandsOnTheNext() {
        writePatients(100);
        Dataset &patients = data->ibdsMain;
        const int read = patients.fetchedCount();
        QVERIFY(read < 100);
        patients.moveTo(read - 1);
        patients.remove();
        QCOMPARE(patients.value(QStringLiteral("ID")).toInt(), read + 1);
        patients.next();
        QCOMPARE(patients.value(QStringLiteral("ID")).toInt(), read + 2);
    }

    void valuesReadBackAsWritten() {
        Statement(data->ibMain, data->ibTrans,
                  QStringLiteral("insert into MAIN (ID, FIO, DATAR, SEX, ADR) values "
                                 "(7, 'Ёлкина Анна', '29.02.1904', 'Ж', '')"))
            .execute();
        data->showPatients(QStringLiteral("select MAIN.*, (select count(*) from CARD) as C "
                                          "from MAIN"));
        Dataset &patients = data->ibdsMain;
        QCOMPARE(patients.value(QStringLiteral("ID")), QVariant(7));
        QCOMPARE(patients.value(QStringLiteral("FIO")), QVariant(QStringLiteral("Ёлкина Анна")));
        QCOMPARE(patients.value(QStringLiteral("DATAR")), QVariant(QDate(1904, 2, 29)));
        QCOMPARE(patients.value(QStringLiteral("SEX")), QVariant(QStringLiteral("Ж")));
        QVERIFY(patients.value(QStringLiteral("ADR")).isNull()); // empty text reads as empty box
        QVERIFY(patients.value(QStringLiteral("TELD")).isNull());
        QCOMPARE(patients.displayText(QStringLiteral("DATAR")), QStringLiteral("29.02.1904"));
        // Changing a row read from the database keeps its other values.
        patients.edit();
        patients.setValue(QStringLiteral("TELD"), QStringLiteral("22-33-44"));
        QCOMPARE(patients.value(QStringLiteral("DATAR")), QVariant(QDate(1904, 2, 29)));
        patients.cancel();
        QVERIFY(patients.value(QStringLiteral("TELD")).isNull());
    }

    void editOfEmptyDatasetInserts() {
        data->ibdsDiag.edit();
        QCOMPARE(data->ibdsDiag.state(), Dataset::State::Insert);
        QCOMPARE(data->ibdsDiag.value(QStringLiteral("Z_ID")).toInt(), 1);
    }

    void detailsFollowTheirMaster() {
        writePatients(2);
        writeVisit(10, 1);
        writeVisit(11, 1);
        writeVisit(20, 2);
        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
        QCOMPARE(data->ibdsCard.recordCount(), 2);
        data->ibdsCard.edit();
        data->ibdsCard.setValue(QStringLiteral("C_OBSLED"), QStringLiteral("ОАК"));
        data->ibdsMain.next(); // the visit being edited is written before the master moves
        QCOMPARE(count(QStringLiteral("select count(*) from CARD where C_OBSLED='ОАК'")), 1);
        QCOMPARE(data->ibdsCard.recordCount(), 1);
        QCOMPARE(data->ibdsCard.value(QStringLiteral("C_ID")).toInt(), 20);
        data->showPatients(QStringLiteral("select * from MAIN where ID = 0"));
        QVERIFY(data->ibdsCard.isOpen());
        QVERIFY(data->ibdsCard.isEmpty());
    }

    // Opening the register leaves the details that no view watches unread; the first patient's
    // visits, and the first visit's diagnoses, are there when first asked for.
    void detailsOpenedUnwatchedAreReadAtFirstAsking() {
        writePatients(2);
        writeVisit(10, 1);
        writeVisit(20, 2);
        Statement(data->ibMain, data->ibTrans,
                  QStringLiteral("insert into DIAGNOZ (G_ID, G_KEY, G_PRIM) values (1, 10, 'x')"))
            .execute();
        data->open(db->path(), QStringLiteral("select * from MAIN order by FIO"));
        QCOMPARE(data->ibdsDiagnoz.value(QStringLiteral("G_PRIM")).toString(), QStringLiteral("x"));
        QCOMPARE(data->ibdsCard.value(QStringLiteral("C_ID")).toInt(), 10);
        data->ibdsMain.next();
        QCOMPARE(data->ibdsCard.value(QStringLiteral("C_ID")).toInt(), 20);
        QVERIFY(data->ibdsDiagnoz.isEmpty());
    }

    // A row saved with the values its details are read by as they were keeps the details' rows
    // without reading them again; a new row has its details read for it.
    void detailsStayWhenTheirMastersKeyStays() {
        writePatients(1);
        writeVisit(10, 1);
        Statement(data->ibMain, data->ibTrans,
                  QStringLiteral("insert into DIAGNOZ (G_ID, G_KEY, G_PRIM) values (1, 10, 'x')"))
            .execute();
        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
        Dataset &diagnoses = data->ibdsDiagnoz;
        QCOMPARE(diagnoses.recordCount(), 1);
        QSignalSpy readAgain(&diagnoses, &Dataset::rowsReset);
        data->ibdsCard.edit();
        data->ibdsCard.setValue(QStringLiteral("C_OBSLED"), QStringLiteral("ОАК"));
        data->ibdsCard.post();
        QCOMPARE(readAgain.count(), 0);
        QCOMPARE(diagnoses.recordCount(), 1);
        QCOMPARE(diagnoses.value(QStringLiteral("G_PRIM")).toString(), QStringLiteral("x"));

        data->ibdsCard.insert();
        data->ibdsCard.post();
        QVERIFY(readAgain.count() > 0);
        QCOMPARE(diagnoses.recordCount(), 0);
    }

    void longListIsReadAsNeeded() {
        writePatients(1000);
        Dataset &patients = data->ibdsMain;
        QVERIFY(patients.fetchedCount() < 1000);
        QVERIFY(patients.canFetchMore());
        QCOMPARE(patients.recordCount(), 1000);
        patients.last();
        QCOMPARE(patients.value(QStringLiteral("ID")).toInt(), 1000);
        QVERIFY(patients.atEnd());
        QVERIFY(patients.locate(QStringLiteral("ID"), 500));
        QCOMPARE(patients.currentRow(), 499);
        QVERIFY(!patients.locate(QStringLiteral("ID"), 5000));
        QCOMPARE(patients.currentRow(), 499);
    }

    void modelFollowsTheDataset() {
        writePatients(300);
        DatasetModel model(&data->ibdsMain, {{QStringLiteral("FIO"), QStringLiteral("Ф.И.О.")},
                                             {QStringLiteral("Age"), QStringLiteral("Возраст")}});
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), data->ibdsMain.fetchedCount());
        while (model.canFetchMore({}))
            model.fetchMore({});
        data->ibdsMain.insert();
        data->ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Аааев"));
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("Аааев"));
        data->ibdsMain.post();
        data->ibdsMain.remove();
        data->ibdsMain.recordCount();
        QCOMPARE(model.rowCount(), 300);
        data->showPatients(QStringLiteral("select * from MAIN where ID < 4 order by FIO"));
        QCOMPARE(model.rowCount(), 3);
    }

    // A refused read while a view scrolls is reported once, after the painting, and never
    // leaves the model as an exception (which would end the program).
    void refusedReadWhileScrollingIsReportedNotThrown() {
        writePatients(1000);
        DatasetModel model(&data->ibdsMain, {{QStringLiteral("FIO"), QStringLiteral("Ф.И.О.")}});
        QStringList boxes;
        MessageBox::setAnswerer([&](const QString &text) {
            boxes << text;
            return QMessageBox::Ok;
        });
        data->ibTrans.commit(); // the list's cursor goes with its transaction
        QVERIFY(model.canFetchMore({}));
        model.fetchMore({});
        model.fetchMore({});
        QVERIFY(!model.canFetchMore({}));
        QTRY_COMPARE(boxes.size(), 1);
        MessageBox::setAnswerer({});
        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
        QVERIFY(model.canFetchMore({}));
    }

    void deletingThroughTheGridMovesOnce() {
        writePatients(5);
        DatasetModel model(&data->ibdsMain, {{QStringLiteral("FIO"), QStringLiteral("Ф.И.О.")}});
        QTableView view;
        GridBinding binding(&view, &model);
        data->ibdsMain.moveTo(2);
        QSignalSpy moves(&data->ibdsMain, &Dataset::currentRowChanged);
        data->ibdsMain.remove();
        QCOMPARE(moves.count(), 1);
        QCOMPARE(data->ibdsMain.value(QStringLiteral("ID")).toInt(), 4);
        QCOMPARE(view.currentIndex().row(), 2);
    }

    // The keys that go to the end, or down a page, reach the real last rows of a list longer
    // than what was read so far.
    void endAndPageDownReachTheWholeList() {
        writePatients(1000);
        DatasetModel model(&data->ibdsMain, {{QStringLiteral("FIO"), QStringLiteral("Ф.И.О.")}});
        QTableView view;
        GridBinding binding(&view, &model);
        view.resize(300, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        Dataset &patients = data->ibdsMain;
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(patients.value(QStringLiteral("ID")).toInt(), 1000);
        QCOMPARE(view.currentIndex().row(), 999);
        QTest::keyClick(&view, Qt::Key_Home);
        QCOMPARE(patients.currentRow(), 0);
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(patients.currentRow(), 999);

        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
        int previous = patients.currentRow();
        for (int press = 0; press < 10; ++press) {
            QTest::keyClick(&view, Qt::Key_PageDown);
            QVERIFY(patients.currentRow() > previous);
            previous = patients.currentRow();
        }
    }

    void gridAndDatasetShareTheCurrentRow() {
        writePatients(5);
        DatasetModel model(&data->ibdsMain, {{QStringLiteral("FIO"), QStringLiteral("Ф.И.О.")}});
        QTableView view;
        GridBinding binding(&view, &model);
        data->ibdsMain.moveTo(3);
        QCOMPARE(view.currentIndex().row(), 3);
        view.setCurrentIndex(model.index(1, 0));
        QCOMPARE(data->ibdsMain.currentRow(), 1);
        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
        QCOMPARE(view.currentIndex().row(), 0);
    }
};

QTEST_MAIN(TestDataset)
#include "test_dataset.moc"
