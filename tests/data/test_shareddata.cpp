// The seven shared datasets and their rules, on a real database made from the template.

#include "data/dberror.h"
#include "data/discardpoint.h"
#include "data/drafts.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "support/dates.h"
#include "testdatabase.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
const QString kAllPatients = QStringLiteral("select * from MAIN order by FIO");
}

class TestSharedData : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<SharedData> data;

    // Number of rows a statement counts, read in the program's own transaction, or in the
    // books' one.
    int count(const QString &sql) { return countIn(data->ibTrans, sql); }
    int bookCount(const QString &sql) { return countIn(data->ibBooksTrans, sql); }
    int countIn(Transaction &transaction, const QString &sql) {
        Statement statement(data->ibMain, transaction, sql);
        return statement.selectOne().value(0).toInt();
    }

    int addPatient(const QString &fio, const QDate &born = {}) {
        data->ibdsMain.insert();
        data->ibdsMain.setValue(QStringLiteral("FIO"), fio);
        if (born.isValid())
            data->ibdsMain.setValue(QStringLiteral("DATAR"), born);
        data->ibdsMain.post();
        return data->ibdsMain.value(QStringLiteral("ID")).toInt();
    }

    void addBookRow(Dataset &book, const QString &field, const QString &name) {
        book.insert();
        book.setValue(field, name);
        book.post();
    }

    // A visit of the current patient with the given diagnoses and interventions (book keys).
    void addVisit(const QDate &date, const QList<int> &diagnoses, const QList<int> &interventions) {
        data->ibdsCard.insert();
        data->ibdsCard.setValue(QStringLiteral("C_DATE"), date);
        for (int diagnosis : diagnoses) {
            data->ibdsDiagnoz.insert();
            data->ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), diagnosis);
            data->ibdsDiagnoz.post();
        }
        for (int intervention : interventions) {
            data->ibdsVmeshat.insert();
            data->ibdsVmeshat.setValue(QStringLiteral("V_VMESH"), intervention);
            data->ibdsVmeshat.post();
        }
        data->ibdsCard.post();
    }

private Q_SLOTS:
    void init() {
        dates::setClock({});
        db = std::make_unique<TestDatabase>();
        data = std::make_unique<SharedData>();
        data->open(db->path(), kAllPatients);
    }

    void cleanup() {
        data.reset();
        db.reset();
        dates::setClock({});
    }

    void keysComeFromGeneratorsAndCancelledKeysLeaveGaps() {
        const int first = addPatient(QStringLiteral("Иванов Иван Иванович"));
        data->ibdsMain.insert();
        const int cancelled = data->ibdsMain.value(QStringLiteral("ID")).toInt();
        data->ibdsMain.cancel();
        const int next = addPatient(QStringLiteral("Петров Пётр Петрович"));
        QCOMPARE(first, 1);
        QCOMPARE(cancelled, 2);
        QCOMPARE(next, 3);
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN")), 2);
    }

    void deletingPatientRemovesVisitsDiagnosesAndInterventions() {
        addBookRow(data->ibdsDiag, QStringLiteral("Z_NAME"), QStringLiteral("Гастрит"));
        addBookRow(data->ibdsDiag, QStringLiteral("Z_NAME"), QStringLiteral("Язва"));
        addBookRow(data->ibdsVmes, QStringLiteral("E_NAME"), QStringLiteral("ФГДС"));
        addBookRow(data->ibdsDocs, QStringLiteral("D_FIO"), QStringLiteral("Доктор"));
        const int kept = addPatient(QStringLiteral("Борисов Борис Борисович"));
        addVisit(QDate(2020, 1, 1), {1}, {1});
        const int doomed = addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        for (int day = 1; day <= 3; ++day)
            addVisit(QDate(2021, 2, day), {1, 2}, {1});
        QCOMPARE(data->ibdsCard.recordCount(), 3);

        QVERIFY(data->ibdsMain.locate(QStringLiteral("ID"), doomed));
        data->ibdsMain.remove();

        const QString id = QString::number(doomed);
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN where ID=") + id), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from CARD where C_KEY=") + id), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) from VMESHAT")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) from CARD")), 1);
        QCOMPARE(bookCount(QStringLiteral("select count(*) from DIAG")), 2);
        QCOMPARE(bookCount(QStringLiteral("select count(*) from VMESH")), 1);
        QCOMPARE(bookCount(QStringLiteral("select count(*) from DOCS")), 1);
        // The list moved on to the remaining patient, whose visit follows.
        QCOMPARE(data->ibdsMain.value(QStringLiteral("ID")).toInt(), kept);
        QCOMPARE(data->ibdsCard.recordCount(), 1);
    }

    void deletingPatientRemovesVisitsBeyondTheFirstScreen() {
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        const int id = data->ibdsMain.value(QStringLiteral("ID")).toInt();
        Statement visit(data->ibMain, data->ibTrans,
                        QStringLiteral("insert into CARD (C_ID, C_KEY) values (:C_ID, :C_KEY)"));
        for (int i = 1; i <= 150; ++i)
            visit.execute([&](const QString &name) -> QVariant {
                return name == QLatin1String("C_ID") ? i : id;
            });
        data->showPatients(kAllPatients);
        data->ibdsMain.remove();
        QCOMPARE(count(QStringLiteral("select count(*) from CARD")), 0);
    }

    // The books are held whole, however long they are, also when a book window that searched
    // puts its select back and the book is read anew: a visit whose doctor, diagnosis or
    // intervention sorts after the rows a dataset reads at first shows its name all the same.
    void bookNamesAreFoundBeyondTheFirstScreen_data() {
        QTest::addColumn<QString>("book");
        for (const char *book : {"DOCS", "DIAG", "VMESH"})
            QTest::newRow(book) << QString::fromLatin1(book);
    }
    void bookNamesAreFoundBeyondTheFirstScreen() {
        QFETCH(QString, book);
        struct Book {
            Dataset *dataset;
            QString insert, key, select;
            Dataset *shownIn; // the part of the visit that shows the name, in the field below
            QString shown;
        };
        const QMap<QString, Book> books = {
            {"DOCS",
             {&data->ibdsDocs, "insert into DOCS (D_ID, D_FIO, D_ACTIVE) values (:K, :N, 'T')",
              "D_ID", SharedData::kDocsSelect, &data->ibdsCard, "C_DocFIO"}},
            {"DIAG",
             {&data->ibdsDiag, "insert into DIAG (Z_ID, Z_NAME) values (:K, :N)", "Z_ID",
              SharedData::kDiagSelect, &data->ibdsDiagnoz, "G_DIAGNAME"}},
            {"VMESH",
             {&data->ibdsVmes, "insert into VMESH (E_ID, E_NAME) values (:K, :N)", "E_ID",
              SharedData::kVmesSelect, &data->ibdsVmeshat, "V_VMESHATNAME"}},
        };
        const Book facts = books.value(book);
        Statement insert(data->ibMain, data->ibBooksTrans, facts.insert);
        for (int i = 1; i <= 100; ++i)
            insert.execute([&](const QString &name) -> QVariant {
                return name == QLatin1String("K")
                           ? QVariant(i)
                           : QVariant(QStringLiteral("Запись %1").arg(i, 3, 10, QChar(u'0')));
            });
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        const QList<int> last = {100};
        addVisit(QDate(2022, 3, 4), book == QLatin1String("DIAG") ? last : QList<int>(),
                 book == QLatin1String("VMESH") ? last : QList<int>());
        if (book == QLatin1String("DOCS")) {
            data->ibdsCard.edit();
            data->ibdsCard.setValue(QStringLiteral("C_DOC"), 100);
            data->ibdsCard.post();
        }
        // A book window searching and putting its select back reads the book anew (a new visit
        // counts the doctors, which reads their book to the end: the visit is made before).
        facts.dataset->setSelectSql(
            QStringLiteral("select * from %1 where %2 = 1").arg(book, facts.key));
        facts.dataset->open();
        facts.dataset->setSelectSql(facts.select);
        facts.dataset->open();
        QCOMPARE(facts.shownIn->value(facts.shown).toString(), QStringLiteral("Запись 100"));
    }

    void watchedDetailUnderUnwatchedMasterHoldsEachRowOnce() {
        addBookRow(data->ibdsDiag, QStringLiteral("Z_NAME"), QStringLiteral("Гастрит"));
        addPatient(QStringLiteral("Борисов Борис Борисович"));
        addVisit(QDate(2021, 2, 1), {1, 1}, {});
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        addVisit(QDate(2021, 2, 2), {1}, {});
        QSignalSpy watcher(&data->ibdsDiagnoz, &Dataset::rowsReset); // a view of the diagnoses
        data->showPatients(kAllPatients);
        data->ibdsMain.last();
        QCOMPARE(data->ibdsDiagnoz.recordCount(), 2);
        data->ibdsMain.first();
        QCOMPARE(data->ibdsDiagnoz.recordCount(), 1);
    }

    void refusedDeleteKeepsTheRowBeingEdited() {
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        data->ibdsMain.setDeleteSql(QStringLiteral("delete from MAIN where NO_SUCH = :OLD_ID"));
        data->ibdsMain.edit();
        data->ibdsMain.setValue(QStringLiteral("TELD"), QStringLiteral("22-33-44"));
        QVERIFY_THROWS_EXCEPTION(DbError, data->ibdsMain.remove());
        QCOMPARE(data->ibdsMain.state(), Dataset::State::Edit);
        QCOMPARE(data->ibdsMain.value(QStringLiteral("TELD")).toString(),
                 QStringLiteral("22-33-44"));
    }

    void refusedDeleteBringsBackEveryChildRow() {
        addBookRow(data->ibdsDiag, QStringLiteral("Z_NAME"), QStringLiteral("Гастрит"));
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        addVisit(QDate(2021, 2, 1), {1}, {});
        addVisit(QDate(2021, 2, 2), {1}, {});
        data->ibdsMain.setDeleteSql(QStringLiteral("delete from MAIN where NO_SUCH = :OLD_ID"));

        QVERIFY_THROWS_EXCEPTION(DbError, data->ibdsMain.remove());

        QCOMPARE(count(QStringLiteral("select count(*) from MAIN")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) from CARD")), 2);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ")), 2);
        QCOMPARE(data->ibdsMain.recordCount(), 1);
        QCOMPARE(data->ibdsCard.recordCount(), 2);
    }

    // A link row added to a new visit writes the visit first: the register never holds a
    // diagnosis or intervention row whose visit is not there.
    void linkRowOnNewVisitWritesVisitFirst_data() {
        QTest::addColumn<bool>("diagnosis");
        QTest::newRow("diagnosis") << true;
        QTest::newRow("intervention") << false;
    }
    void linkRowOnNewVisitWritesVisitFirst() {
        QFETCH(bool, diagnosis);
        Dataset &book = diagnosis ? data->ibdsDiag : data->ibdsVmes;
        Dataset &links = diagnosis ? data->ibdsDiagnoz : data->ibdsVmeshat;
        const QString reference = diagnosis ? QStringLiteral("G_DIAG") : QStringLiteral("V_VMESH");
        addBookRow(book, diagnosis ? QStringLiteral("Z_NAME") : QStringLiteral("E_NAME"),
                   QStringLiteral("Гастрит"));
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        data->ibdsCard.insert();
        const int visit = data->ibdsCard.value(QStringLiteral("C_ID")).toInt();
        QCOMPARE(count(QStringLiteral("select count(*) from CARD")), 0);

        links.insert();
        QCOMPARE(data->ibdsCard.state(), Dataset::State::Browse);
        QCOMPARE(count(QStringLiteral("select count(*) from CARD where C_ID = %1").arg(visit)), 1);
        links.setValue(reference, 1);
        links.post();
        QCOMPARE(links.value(diagnosis ? QStringLiteral("G_KEY") : QStringLiteral("V_KEY")).toInt(),
                 visit);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ d where not exists "
                                      "(select 1 from CARD c where c.C_ID = d.G_KEY)")) +
                     count(QStringLiteral("select count(*) from VMESHAT v where not exists "
                                          "(select 1 from CARD c where c.C_ID = v.V_KEY)")),
                 0);
    }

    void linkRowsWithoutReferenceAreDeletedAgain() {
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        addVisit(QDate(2022, 3, 4), {}, {});
        data->ibdsDiagnoz.insert();
        data->ibdsDiagnoz.setValue(QStringLiteral("G_PRIM"), QStringLiteral("без диагноза"));
        data->ibdsDiagnoz.post();
        data->ibdsVmeshat.insert();
        data->ibdsVmeshat.post();
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ")), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from VMESHAT")), 0);
        QVERIFY(data->ibdsDiagnoz.isEmpty());
        QVERIFY(data->ibdsVmeshat.isEmpty());
    }

    void newVisitGetsDefaultDoctor_data() {
        QTest::addColumn<int>("doctors");
        QTest::addColumn<bool>("filled");
        QTest::newRow("none") << 0 << false;
        QTest::newRow("one") << 1 << true;
        QTest::newRow("two") << 2 << true;
        QTest::newRow("three") << 3 << false;
    }
    void newVisitGetsDefaultDoctor() {
        QFETCH(int, doctors);
        QFETCH(bool, filled);
        for (int i = 0; i < doctors; ++i)
            addBookRow(data->ibdsDocs, QStringLiteral("D_FIO"), QStringLiteral("Врач %1").arg(i));
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        if (doctors)
            data->ibdsDocs.last();
        data->ibdsCard.insert();
        const QVariant doctor = data->ibdsCard.value(QStringLiteral("C_DOC"));
        QCOMPARE(!doctor.isNull(), filled);
        if (filled)
            QCOMPARE(doctor, data->ibdsDocs.value(QStringLiteral("D_ID")));
        QCOMPARE(data->ibdsCard.value(QStringLiteral("C_KEY")),
                 data->ibdsMain.value(QStringLiteral("ID")));
    }

    void doctorActiveFlag() {
        addBookRow(data->ibdsDocs, QStringLiteral("D_FIO"), QStringLiteral("Новый"));
        data->ibdsDocs.insert();
        data->ibdsDocs.setValue(QStringLiteral("D_FIO"), QStringLiteral("Ушедший"));
        data->ibdsDocs.setValue(QStringLiteral("D_ACTIVE"), QStringLiteral("F"));
        data->ibdsDocs.post();
        Statement flags(data->ibMain, data->ibBooksTrans,
                        QStringLiteral("select D_ACTIVE from DOCS order by D_ID"));
        flags.open();
        QVariantList row;
        QVERIFY(flags.fetch(row));
        QCOMPARE(row.value(0).toString(), QStringLiteral("T"));
        QVERIFY(flags.fetch(row));
        QCOMPARE(row.value(0).toString(), QStringLiteral("F"));
        QVERIFY(isActiveFlag(QStringLiteral("y")));
        QVERIFY(!isActiveFlag(QStringLiteral("F")));
    }

    void rollbackRetainingBringsBackDeletedPatient() {
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        data->ibTrans.commitRetaining();
        data->ibdsMain.remove();
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN")), 0);
        data->ibTrans.rollbackRetaining();
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN")), 1);
        QVERIFY(data->ibdsMain.isEmpty()); // the list shows it only when filled again
        data->showPatients(kAllPatients);
        QCOMPARE(data->ibdsMain.recordCount(), 1);
    }

    void ageChangesAtSixInTheMorning_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("age");
        QTest::newRow("05:59") << QDateTime(QDate(2021, 3, 10), QTime(5, 59)) << "0";
        QTest::newRow("06:00") << QDateTime(QDate(2021, 3, 10), QTime(6, 0)) << "1";
        QTest::newRow("born in the future") << QDateTime(QDate(2018, 3, 10), QTime(12, 0)) << "2";
    }
    void ageChangesAtSixInTheMorning() {
        QFETCH(QDateTime, now);
        QFETCH(QString, age);
        dates::setClock([now] { return now; });
        addPatient(QStringLiteral("Андреев Андрей Андреевич"), QDate(2020, 3, 10));
        const int field = data->ibdsMain.fieldIndex(QStringLiteral("Age"));
        QCOMPARE(data->ibdsMain.displayText(data->ibdsMain.currentRow(), field), age);
    }

    void ageAndVisitCountFollowTheEditor() {
        int shownAge = -1;
        int visits = -1;
        connect(data.get(), &SharedData::patientAgeChanged, this, [&](int age) { shownAge = age; });
        connect(data.get(), &SharedData::visitCountChanged, this,
                [&](int count) { visits = count; });
        const QDateTime now(QDate(2026, 6, 15), QTime(12, 0));
        dates::setClock([now] { return now; });
        addPatient(QStringLiteral("Андреев Андрей Андреевич"), QDate(1996, 6, 1));
        QCOMPARE(shownAge, 0); // a new row has no birth date yet
        data->ibdsMain.first();
        QCOMPARE(shownAge, 30);
        // The editor's openers run the rule again on the patient already current.
        shownAge = -1;
        data->ibdsMainAfterScroll();
        QCOMPARE(shownAge, 30);
        // A date of birth in the future is a mistake, not an age.
        data->ibdsMain.edit();
        data->ibdsMain.setValue(QStringLiteral("DATAR"), QDate(2027, 1, 1));
        data->ibdsMain.post();
        data->ibdsMain.first();
        QCOMPARE(shownAge, 0);
        addVisit(QDate(2022, 3, 4), {}, {});
        QCOMPARE(visits, 1);
        data->ibdsCard.remove();
        QCOMPARE(visits, 0);
    }

    void longDoctorNameShowsTwentyCharacters() {
        const QString name = QStringLiteral("Константинопольская А"); // 21 characters
        addBookRow(data->ibdsDocs, QStringLiteral("D_FIO"), name + QStringLiteral("нна Ю"));
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        addVisit(QDate(2022, 3, 4), {}, {});
        QCOMPARE(data->ibdsCard.value(QStringLiteral("C_DocFIO")).toString(), name.left(20));
    }

    void lookupSearchesOnlyRowsTheBookHolds() {
        addBookRow(data->ibdsDiag, QStringLiteral("Z_NAME"), QStringLiteral("Гастрит"));
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        addVisit(QDate(2022, 3, 4), {1}, {});
        QCOMPARE(data->ibdsDiagnoz.value(QStringLiteral("G_DIAGNAME")).toString(),
                 QStringLiteral("Гастрит"));
        data->ibdsDiag.close();
        data->ibdsDiag.setSelectSql(QStringLiteral("select * from DIAG where Z_ID = 0"));
        data->ibdsDiag.open();
        QVERIFY(data->ibdsDiagnoz.value(QStringLiteral("G_DIAGNAME")).isNull());
    }

    void badTextIsRefusedNamingTheFieldAndKeepsTheRow_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("too long") << "FIO" << QString(51, QChar(u'я'));
        QTest::newRow("emoji") << "ADR" << QStringLiteral("ул. Ленина 😀");
        QTest::newRow("chinese") << "TELD" << QStringLiteral("电话");
    }
    void badTextIsRefusedNamingTheFieldAndKeepsTheRow() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        data->ibdsMain.insert();
        data->ibdsMain.setValue(QStringLiteral("FIOR"), QStringLiteral("Родители"));
        data->ibdsMain.setValue(field, text);
        try {
            data->ibdsMain.post();
            QFAIL("the bad text was written");
        } catch (const DbError &error) {
            QVERIFY2(error.message().contains(field), qPrintable(error.message()));
        }
        QCOMPARE(data->ibdsMain.state(), Dataset::State::Insert);
        QCOMPARE(data->ibdsMain.value(field).toString(), text);
        QCOMPARE(data->ibdsMain.value(QStringLiteral("FIOR")).toString(),
                 QStringLiteral("Родители"));
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN")), 0);
    }

    void refusedPostKeepsTheRowBeingEdited() {
        const int existing = addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        data->ibdsMain.insert();
        data->ibdsMain.setValue(QStringLiteral("ID"), existing); // a key already taken
        data->ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Двойник"));
        try {
            data->ibdsMain.post();
            QFAIL("a duplicate key was written");
        } catch (const DbError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("PRIMARY or UNIQUE KEY")),
                     qPrintable(error.message()));
        }
        QCOMPARE(data->ibdsMain.state(), Dataset::State::Insert);
        QCOMPARE(data->ibdsMain.value(QStringLiteral("FIO")).toString(), QStringLiteral("Двойник"));
        data->ibdsMain.cancel();
        QCOMPARE(data->ibdsMain.recordCount(), 1);
    }

    void writeStatementsFollowOnePattern() {
        const WriteStatements main = makeWriteStatements(
            QStringLiteral("MAIN"), QStringLiteral("ID"),
            {QStringLiteral("ID"), QStringLiteral("FIO")}, {QStringLiteral("FIO")});
        QCOMPARE(main.remove, QStringLiteral("delete from MAIN\nwhere\n  ID = :OLD_ID"));
        QCOMPARE(main.modify,
                 QStringLiteral("update MAIN\nset\n  FIO = :FIO\nwhere\n  ID = :OLD_ID"));
        QCOMPARE(main.insert,
                 QStringLiteral("insert into MAIN\n  (ID, FIO)\nvalues\n  (:ID, :FIO)"));
        QCOMPARE(main.refresh, QStringLiteral("Select *\nfrom MAIN\nwhere\n  ID = :ID"));
        QVERIFY(data->ibdsCard.selectSql().startsWith(QStringLiteral("select * from CARD")));
    }

    void deletingFromEmptyDatasetIsRefused() {
        QVERIFY_THROWS_EXCEPTION(DbError, data->ibdsMain.remove());
    }

    // Going back to a discard point undoes only what came after it: the patient written before
    // stays, the visit, its diagnosis and a doctor added since go, and the datasets show what the
    // database holds, each on its current row where that is still there.
    void discardPointUndoesOnlyWhatCameAfter() {
        addBookRow(data->ibdsDiag, QStringLiteral("Z_NAME"), QStringLiteral("Гастрит"));
        addBookRow(data->ibdsDocs, QStringLiteral("D_FIO"), QStringLiteral("Доктор"));
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        addVisit(QDate(2024, 1, 10), {1}, {});
        addVisit(QDate(2024, 1, 20), {}, {});
        data->ibdsCard.last(); // the visit of 10 January
        const QVariant older = data->ibdsCard.value(QStringLiteral("C_ID"));
        data->ibdsMain.insert();
        data->ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Борисов Борис"));
        data->ibdsMain.post(); // as the card editor writes a new patient for its first visit

        DiscardPoint point(*data);
        point.set();
        QVERIFY(!point.hasWrites());
        addVisit(QDate(2024, 3, 1), {1}, {});
        addBookRow(data->ibdsDocs, QStringLiteral("D_FIO"), QStringLiteral("Ещё доктор"));
        QVERIFY(point.hasWrites());
        point.rollBack();
        QVERIFY(!point.hasWrites());
        QCOMPARE(count(QStringLiteral("select count(*) from MAIN where FIO='Борисов Борис'")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) from CARD")), 2);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ")), 1);
        QCOMPARE(data->ibdsMain.value(QStringLiteral("FIO")).toString(),
                 QStringLiteral("Борисов Борис"));
        QVERIFY(data->ibdsCard.isEmpty());
        // A book keeps its entries in a transaction of its own: the doctor added stays.
        QCOMPARE(data->ibdsDocs.recordCount(), 2);
        QCOMPARE(bookCount(QStringLiteral("select count(*) from DOCS")), 2);

        // Back on the first patient, whose visits were not touched.
        QVERIFY(data->ibdsMain.locate(QStringLiteral("FIO"),
                                      QStringLiteral("Андреев Андрей Андреевич")));
        data->ibdsCard.last();
        point.set();
        data->ibdsDiagnoz.remove();
        data->ibdsCard.edit();
        data->ibdsCard.setValue(QStringLiteral("C_ZHALOBA"), QStringLiteral("кашель"));
        data->ibdsCard.post();
        point.rollBack();
        QCOMPARE(data->ibdsCard.value(QStringLiteral("C_ID")), older);
        QVERIFY(data->ibdsCard.value(QStringLiteral("C_ZHALOBA")).isNull());
        QCOMPARE(data->ibdsDiagnoz.recordCount(), 1);

        // A commit ends the point: what is not committed was all written after it.
        addVisit(QDate(2024, 3, 2), {}, {});
        data->ibTrans.commitRetaining();
        addVisit(QDate(2024, 3, 3), {}, {});
        point.rollBack();
        QCOMPARE(count(QStringLiteral("select count(*) from CARD")), 3);
        QCOMPARE(data->ibdsCard.recordCount(), 3);

        // Released, the point keeps what was written.
        point.set();
        addVisit(QDate(2024, 3, 4), {}, {});
        point.release();
        QVERIFY(!point.hasWrites());
        point.rollBack();
        QCOMPARE(count(QStringLiteral("select count(*) from CARD")), 4);
    }

    // A draft of a visit put back over the stored visit: the rows it no longer lists go, a
    // changed note is written, a new row is added; a draft taken again reads the same.
    void visitDraftPutsTheRowsBack() {
        for (const char *name : {"Гастрит", "Язва", "Колит"})
            addBookRow(data->ibdsDiag, QStringLiteral("Z_NAME"), QString::fromUtf8(name));
        addPatient(QStringLiteral("Андреев Андрей Андреевич"));
        addVisit(QDate(2024, 1, 10), {1, 2}, {});
        data->ibdsDiagnoz.first();
        const QVariant kept = data->ibdsDiagnoz.value(QStringLiteral("G_ID"));

        VisitDraft draft = drafts::describeVisit(*data, false);
        QCOMPARE(draft.diagnoses.size(), 2);
        draft.fields[QStringLiteral("C_ZHALOBA")] = QStringLiteral("кашель");
        draft.fields[QStringLiteral("C_DATE")] =
            QStringLiteral("11.01.2024"); // as the file holds it
        draft.diagnoses.removeAt(1);
        draft.diagnoses[0][QStringLiteral("G_PRIM")] = QStringLiteral("обострение");
        draft.diagnoses << QVariantMap{{QStringLiteral("G_ID"), QVariant()},
                                       {QStringLiteral("G_DIAG"), 3},
                                       {QStringLiteral("G_PRIM"), QVariant()}};
        drafts::applyVisit(*data, draft);
        data->ibdsCard.post();

        QCOMPARE(count(QStringLiteral("select count(*) from CARD where C_ZHALOBA = 'кашель' and "
                                      "C_DATE = '11.01.2024'")),
                 1);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ")), 2);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ where G_ID = %1 and "
                                      "G_PRIM = 'обострение'")
                           .arg(kept.toInt())),
                 1);
        QCOMPARE(count(QStringLiteral("select count(*) from DIAGNOZ where G_DIAG = 3")), 1);
        const VisitDraft again = drafts::describeVisit(*data, false);
        QCOMPARE(again.diagnoses.size(), 2);
        QCOMPARE(again.fields.value(QStringLiteral("C_DATE")).toDate(), QDate(2024, 1, 11));
    }
};

QTEST_GUILESS_MAIN(TestSharedData)
#include "test_shareddata.moc"
