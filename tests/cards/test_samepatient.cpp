// One card per patient: the rule that tells two cards may be of one person, and the statement
// that finds them in the register, on its indexes, which a register made before them gets when
// it is opened.

#include "cards/samepatient.h"
#include "data/registerindexes.h"
#include "openregister.h"

#include <QTest>

#include <memory>

class TestSamePatient : public QObject {
    Q_OBJECT

    std::unique_ptr<OpenRegister> reg;

    // The keys of the statement's candidates for a name and a date of birth.
    QList<int> found(const QString &name, const QDate &born) {
        QList<int> ids;
        for (const samepatient::Candidate &candidate :
             samepatient::find(reg->data.ibMain, reg->data.ibTrans, name, born))
            ids << candidate.id;
        return ids;
    }

    int count(const QString &sql) { return reg->rows(sql).value(0).value(0).toInt(); }

private Q_SLOTS:
    void initTestCase() { reg = std::make_unique<OpenRegister>(); }

    void candidates_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("typedBorn");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QDate>("storedBorn");
        QTest::addColumn<bool>("same");
        const QDate born(1980, 2, 3);
        QTest::newRow("ё and е") << "Ёлкина Анна Ивановна" << born << "Елкина Анна Ивановна" << born
                                 << true;
        QTest::newRow("letter case and spaces")
            << "  иванова   МАРИЯ петровна " << born << "Иванова Мария Петровна" << born << true;
        // The register's capitals are the rule's for every letter of the code page.
        QTest::newRow("other letters of the code page")
            << "Ђђѓєѕіїјљњћќўџґ Aµ" << QDate() << "ЂЂЃЄЅІЇЈЉЊЋЌЎЏҐ aµ" << QDate() << true;
        QTest::newRow("former surname in brackets")
            << "Петрова Мария" << QDate() << "Иванова (Петрова) Мария" << QDate() << true;
        QTest::newRow("the new card names the former surname")
            << "Сидорова (Кузнецова) Ольга" << QDate() << "Кузнецова Ольга" << QDate() << true;
        QTest::newRow("brackets left out")
            << "Смирнова Вера" << QDate() << "Смирнова (Зайцева) Вера" << QDate() << true;
        QTest::newRow("bracket without spaces")
            << "Орлова(Белова)Нина" << QDate() << "Белова Нина" << QDate() << true;
        QTest::newRow("former surname at the end, spaced")
            << "Сомова  Зоя ( Рыбина )" << QDate() << "Рыбина Зоя" << QDate() << true;
        QTest::newRow("one date of birth missing")
            << "Попов Олег Ильич" << QDate() << "Попов Олег Ильич" << born << true;
        QTest::newRow("different patronymic")
            << "Волков Пётр Иванович" << born << "Волков Пётр Петрович" << born << false;
        QTest::newRow("other date of birth")
            << "Зимин Глеб" << born << "Зимин Глеб" << born.addDays(1) << false;
        QTest::newRow("patronymic missing")
            << "Лебедева Анна" << QDate() << "Лебедева Анна Сергеевна" << QDate() << false;
        QTest::newRow("a name in brackets that is not the surname")
            << "Фомина Лидия" << QDate() << "Гусева (Фомина Лидия) Ирина" << QDate() << false;
    }

    // The rule decides; the statement finds exactly the cards the rule names.
    void candidates() {
        QFETCH(QString, typed);
        QFETCH(QDate, typedBorn);
        QFETCH(QString, stored);
        QFETCH(QDate, storedBorn);
        QFETCH(bool, same);
        QCOMPARE(samepatient::isCandidate(typed, typedBorn, stored, storedBorn), same);
        QCOMPARE(samepatient::isCandidate(stored, storedBorn, typed, typedBorn), same);

        reg->execute(QStringLiteral("delete from MAIN"));
        Dataset &patients = reg->data.ibdsMain;
        patients.insert();
        const int id = patients.value(QStringLiteral("ID")).toInt();
        patients.setValue(QStringLiteral("FIO"), stored);
        if (storedBorn.isValid())
            patients.setValue(QStringLiteral("DATAR"), storedBorn);
        patients.post();
        QCOMPARE(found(typed, typedBorn), same ? QList<int>{id} : QList<int>());
        // A card is never its own duplicate.
        QVERIFY(samepatient::find(reg->data.ibMain, reg->data.ibTrans, stored, storedBorn, id)
                    .isEmpty());
    }

    void anOlderRegisterGetsTheIndexesWhenOpened() {
        const QString indexes = QStringLiteral(
            "select count(*) from RDB$INDICES where RDB$INDEX_NAME starting with 'IX_MAIN_'");
        const int all = count(indexes);
        QCOMPARE(all, 3); // the full name's as typed, and the two of this rule
        for (const registerindexes::Definition &index : registerindexes::definitions())
            reg->execute(QStringLiteral("drop index ") + index.name);
        reg->data.ibTrans.commitRetaining();
        QCOMPARE(count(indexes), 1);
        const QString path = reg->db.path();
        reg->data.close();
        reg->data.open(path, QStringLiteral("select * from MAIN"));
        QCOMPARE(count(indexes), all);
        QCOMPARE(registerindexes::addMissing(reg->data.ibMain), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSamePatient)
#include "test_samepatient.moc"
