// A value as a field holds it, and what refuses a value for a field: one table of cases.

#include "data/dberror.h"
#include "data/fieldvalue.h"

#include <QDate>
#include <QTest>

Q_DECLARE_METATYPE(FieldDef)

class TestFieldValue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void normalized_data() {
        QTest::addColumn<FieldDef>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("held"); // invalid: refused
        const FieldDef key = FieldDef::integer(QStringLiteral("ID"));
        const FieldDef born = FieldDef::date(QStringLiteral("DATAR"));
        const FieldDef name = FieldDef::text(QStringLiteral("FIO"), 50);
        QTest::newRow("integer as text") << key << QVariant(QStringLiteral("42")) << QVariant(42);
        QTest::newRow("blank integer") << key << QVariant(QStringLiteral("  ")) << QVariant();
        QTest::newRow("not a number") << key << QVariant(QStringLiteral("abc")) << QVariant();
        QTest::newRow("too large") << key << QVariant(qlonglong(1) << 40) << QVariant();
        QTest::newRow("date as text")
            << born << QVariant(QStringLiteral("03.02.1980")) << QVariant(QDate(1980, 2, 3));
        QTest::newRow("date and time")
            << born << QVariant(QDateTime(QDate(1980, 2, 3), QTime(10, 0)))
            << QVariant(QDate(1980, 2, 3));
        QTest::newRow("no such day")
            << born << QVariant(QStringLiteral("31.02.2024")) << QVariant();
        QTest::newRow("empty text is null") << name << QVariant(QString()) << QVariant();
        QTest::newRow("text") << name << QVariant(QStringLiteral("Ким")) << QVariant("Ким");
    }
    void normalized() {
        QFETCH(FieldDef, field);
        QFETCH(QVariant, value);
        QFETCH(QVariant, held);
        const bool refused = !held.isValid() && !value.toString().trimmed().isEmpty();
        if (refused) {
            QVERIFY_THROWS_EXCEPTION(DbError, fieldvalue::normalized(field, value));
            return;
        }
        const QVariant result = fieldvalue::normalized(field, value);
        QCOMPARE(result.isNull(), !held.isValid());
        if (held.isValid())
            QCOMPARE(result, held);
    }

    void problemWith_data() {
        QTest::addColumn<FieldDef>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("problem");
        const FieldDef doctor = FieldDef::text(QStringLiteral("D_FIO"), 5, true);
        const FieldDef note = FieldDef::text(QStringLiteral("G_PRIM"), 5);
        QTest::newRow("fits") << note << QVariant(QStringLiteral("ОРВИ")) << QString();
        QTest::newRow("empty, not required") << note << QVariant() << QString();
        QTest::newRow("empty, required")
            << doctor << QVariant(QString()) << "Поле Врач должно быть заполнено.";
        QTest::newRow("too long") << note << QVariant(QStringLiteral("лёгкое"))
                                  << "Поле Врач вмещает не более 5 знаков, а введено 6.";
        QTest::newRow("not in the code page")
            << note << QVariant(QStringLiteral("Т ≥ 38"))
            << "Поле Врач содержит знак «≥», которого нет в кодировке Windows-1251.";
    }
    void problemWith() {
        QFETCH(FieldDef, field);
        QFETCH(QVariant, value);
        QFETCH(QString, problem);
        QCOMPARE(fieldvalue::problemWith(field, value, QStringLiteral("Врач")), problem);
    }
};

QTEST_GUILESS_MAIN(TestFieldValue)
#include "test_fieldvalue.moc"
