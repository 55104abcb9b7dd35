// The statements and status texts of the patient lists, and the search box's letter rules.

#include "app/patientlists.h"

#include <QTest>

using namespace patientlists;

class TestPatientLists : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The start and period lists are checked against the database by test_patientlistsql.
    void statements() {
        QCOMPARE(surnameSearchSql(QStringLiteral("Ив")),
                 QStringLiteral("select * from MAIN where FIO like 'Ив%' order by FIO"));
        QCOMPARE(searchStatusText(QStringLiteral("Ив")), QStringLiteral("Пациенты на \"Ив*\""));
    }

    // An apostrophe in a surname is doubled, so it can never end the text early.
    void apostrophesAreDoubled() {
        QCOMPARE(surnameSearchSql(QStringLiteral("Д'Арт")),
                 QStringLiteral("select * from MAIN where FIO like 'Д''Арт%' order by FIO"));
        QCOMPARE(surnameSearchSql(QStringLiteral("'; delete from MAIN --")),
                 QStringLiteral("select * from MAIN where FIO like '''; delete from MAIN --%' "
                                "order by FIO"));
    }

    void capitalFirstLetter_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("и") << QStringLiteral("и") << QStringLiteral("И");
        QTest::newRow("ив") << QStringLiteral("ив") << QStringLiteral("Ив");
        QTest::newRow("ё") << QStringLiteral("ёлкин") << QStringLiteral("Ёлкин");
        QTest::newRow("я") << QStringLiteral("я") << QStringLiteral("Я");
        QTest::newRow("only the first") << QStringLiteral("ив ив") << QStringLiteral("Ив ив");
        QTest::newRow("Latin stays") << QStringLiteral("iv") << QStringLiteral("iv");
        QTest::newRow("Ukrainian stays") << QStringLiteral("їжак") << QStringLiteral("їжак");
        QTest::newRow("capital") << QStringLiteral("Ив") << QStringLiteral("Ив");
        QTest::newRow("digit first") << QStringLiteral("1и") << QStringLiteral("1и");
        QTest::newRow("empty") << QString() << QString();
    }
    void capitalFirstLetter() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QCOMPARE(withCapitalFirstLetter(typed), shown);
    }

    void lettersThatStartSearchFromList_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("starts");
        QTest::newRow("Cyrillic") << QStringLiteral("и") << true;
        QTest::newRow("Ё") << QStringLiteral("Ё") << true;
        QTest::newRow("Latin") << QStringLiteral("z") << true;
        QTest::newRow("digit") << QStringLiteral("1") << false;
        QTest::newRow("space") << QStringLiteral(" ") << false;
        QTest::newRow("Ukrainian") << QStringLiteral("ї") << false;
        QTest::newRow("no text") << QString() << false;
    }
    void lettersThatStartSearchFromList() {
        QFETCH(QString, typed);
        QFETCH(bool, starts);
        QCOMPARE(startsSearchFromList(typed), starts);
    }
};

QTEST_GUILESS_MAIN(TestPatientLists)
#include "test_patientlists.moc"
