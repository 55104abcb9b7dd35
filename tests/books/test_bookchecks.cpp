// The books' list statements, and the counts a book asks before it deletes or saves an entry,
// on a real database.

#include "books/bookchecks.h"
#include "books/bookconfig.h"
#include "openregister.h"

#include <QTest>

#include <memory>

class TestBookChecks : public QObject {
    Q_OBJECT

    std::unique_ptr<OpenRegister> reg;
    SharedData &data() { return reg->data; }

private Q_SLOTS:
    void init() {
        reg = std::make_unique<OpenRegister>();
        reg->execute(QStringLiteral("insert into DOCS values (1, 'Петрова Е.В.', 'T')"));
        reg->execute(QStringLiteral("insert into DOCS values (2, 'Сидоров С.С.', 'T')"));
        reg->execute(QStringLiteral("insert into DIAG values (1, 'Ёлочная аллергия')"));
        reg->execute(QStringLiteral("insert into MAIN (ID, FIO) values (1, 'Андреев А.А.')"));
        reg->execute(QStringLiteral("insert into CARD (C_ID, C_KEY, C_DOC) values (1, 1, 1)"));
        reg->execute(QStringLiteral("insert into CARD (C_ID, C_KEY, C_DOC) values (2, 1, 1)"));
        data().ibTrans.commitRetaining(); // the books read in a transaction of their own
        data().ibdsDocs.open();
        data().ibdsDiag.open();
        data().ibdsMain.open();
    }
    void cleanup() { reg.reset(); }

    void listSql_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sql"); // empty: the list stays as it is
        QTest::newRow("empty") << int(BookKind::Doctors) << ""
                               << "select * from DOCS order by D_FIO";
        QTest::newRow("one character") << int(BookKind::Diagnoses) << "а"
                                       << "";
        QTest::newRow("two characters")
            << int(BookKind::Interventions) << "уз"
            << "select * from VMESH where (UPPER(E_NAME) CONTAINING UPPER('уз'))order by E_NAME";
        QTest::newRow("apostrophe")
            << int(BookKind::Doctors) << "О'Н"
            << "select * from DOCS where (UPPER(D_FIO) CONTAINING UPPER('О''Н'))order by D_FIO";
    }
    void listSql() {
        QFETCH(int, kind);
        QFETCH(QString, typed);
        QFETCH(QString, sql);
        QCOMPARE(bookrules::listSql(bookConfig(BookKind(kind)), typed).value_or(QString()), sql);
    }

    // Written visits count, and so does the visit being edited that names the doctor.
    void referencesOfADoctor() {
        const BookConfig &doctors = bookConfig(BookKind::Doctors);
        QCOMPARE(bookchecks::referenceCount(data(), doctors, 1), 2);
        QCOMPARE(bookchecks::referenceCount(data(), doctors, 2), 0);
        Dataset &visits = data().ibdsCard;
        visits.first();
        visits.edit();
        visits.setValue(QStringLiteral("C_DOC"), 2);
        QCOMPARE(bookchecks::referenceCount(data(), doctors, 2), 1);
        visits.cancel();
        QCOMPARE(bookchecks::referenceCount(data(), doctors, 2), 0);
    }

    // Namesakes are told apart from the entry itself, spaces around and letter case aside, the
    // Cyrillic capitals included.
    void namesakes_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::newRow("other case") << 0 << "ЁЛОЧНАЯ АЛЛЕРГИЯ" << 1;
        QTest::newRow("spaces around") << 0 << " ёлочная аллергия " << 1;
        QTest::newRow("the entry itself") << 1 << "ёлочная аллергия" << 0;
        QTest::newRow("another name") << 0 << "ёлочная" << 0;
    }
    void namesakes() {
        QFETCH(int, entry);
        QFETCH(QString, name);
        QFETCH(int, count);
        QCOMPARE(bookchecks::namesakeCount(data(), bookConfig(BookKind::Diagnoses), entry, name),
                 count);
    }
};

QTEST_MAIN(TestBookChecks)
#include "test_bookchecks.moc"
