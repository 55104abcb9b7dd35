// The outpatient card composed from rows, and the rows read from the shared datasets of a real
// database made from the template.

#include "data/shareddata.h"
#include "data/statement.h"
#include "print/cardrows.h"
#include "print/outpatientcard.h"
#include "testdatabase.h"

#include <QTest>

#include <memory>

namespace {

const QDateTime kNow(QDate(2024, 5, 12), QTime(10, 0));

// A patient with nothing but a name; each case adds what it is about.
CardRows patient() {
    CardRows rows;
    rows.fio = QStringLiteral("Иванов Иван Иванович");
    return rows;
}

// A visit with a doctor and a date and no text.
CardRows visit() {
    CardRows rows = patient();
    rows.doctor = QStringLiteral("Сидоров С.С.");
    rows.visitDate = QDate(2024, 5, 10);
    return rows;
}

QStringList texts(const QList<CardParagraph> &card) {
    QStringList result;
    for (const CardParagraph &paragraph : card)
        result << paragraph.text;
    return result;
}

const QString kHeading = QStringLiteral("Амбулаторная карта");
const QString kFio = QStringLiteral("Иванов Иван Иванович");
const QString kNoDiagnosis = QStringLiteral("Диагноз отсутствует.");

} // namespace

class TestOutpatientCard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void paragraphs_data();
    void paragraphs();
    void headingAloneIsArial();
    void pdfName_data();
    void pdfName();
    void readsCurrentVisitOfSharedDatasets();
    void readsPatientWithoutVisit();
};

void TestOutpatientCard::paragraphs_data() {
    QTest::addColumn<CardRows>("rows");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no visit at all")
        << patient() << QStringList{kHeading, kFio, kNoDiagnosis, "", "", "", ""};

    CardRows baby = visit();
    baby.birth = QDate(2023, 12, 1);
    QTest::newRow("under one year, nothing else: no particulars")
        << baby << QStringList{kHeading, kFio, kNoDiagnosis, "", "", "Сидоров С.С.", "10.05.2024"};
    baby.address = QStringLiteral("ул. Ленина, 5");
    baby.telephone = QStringLiteral("8 (900) 123-45-67, 2-34-56 вечером");
    QTest::newRow("under one year with address and telephone")
        << baby
        << QStringList{
               kHeading,       kFio,        "ул. Ленина, 5, 8 (900) 123-45-67, 2-34-56 вечером",
               kNoDiagnosis,   "",          "",
               "Сидоров С.С.", "10.05.2024"};

    CardRows child = patient();
    child.fior = QStringLiteral("Иванова Мария Петровна, Иванов Иван Сергеевич");
    child.birth = QDate(2014, 5, 12);
    child.address = QStringLiteral("ул. Ленина, 5");
    QTest::newRow("parents and age")
        << child
        << QStringList{kHeading, kFio, child.fior, "10 лет, ул. Ленина, 5", kNoDiagnosis, "",
                       "",       "",   ""};

    CardRows future = patient();
    future.birth = QDate(2030, 1, 1);
    future.telephone = QStringLiteral("2-34-56");
    QTest::newRow("a birth date in the future gives no age")
        << future << QStringList{kHeading, kFio, "2-34-56", kNoDiagnosis, "", "", "", ""};

    CardRows oneLetter = patient();
    oneLetter.diagnoses = {{QStringLiteral("Х"), QString()}};
    QTest::newRow("one diagnosis of one character")
        << oneLetter << QStringList{kHeading, kFio, kNoDiagnosis, "", "", "", ""};

    CardRows twoLetters = patient();
    twoLetters.diagnoses = {{QStringLiteral("ХБ"), QString()}};
    QTest::newRow("one diagnosis of two characters")
        << twoLetters << QStringList{kHeading, kFio, "Диагноз:", "ХБ", "", "", "", ""};

    CardRows two = patient();
    two.diagnoses = {{QStringLiteral("ОРВИ"), QStringLiteral("лёгкое течение ")},
                     {QStringLiteral("Гастрит"), QString()}};
    QTest::newRow("two diagnoses, the first with a note")
        << two
        << QStringList{kHeading, kFio, "Диагноз:", "ОРВИ лёгкое течение, Гастрит", "", "", "", ""};

    CardRows sections = visit();
    sections.complaints = QStringLiteral("боль в горле,\r\nкашель");
    sections.status = QStringLiteral("зев гиперемирован,миндалины увеличены");
    sections.examination = QStringLiteral("  ");
    sections.recommendations = QStringLiteral("1. Покой.\r\n2. Обильное питьё.");
    sections.anamnesis = QStringLiteral("болеет 3 дня\nпосле переохлаждения");
    sections.interventions = {QStringLiteral("Осмотр"), QString(), QStringLiteral("ЭКГ")};
    QTest::newRow("sections in order, tidied, broken lines joined, interventions bare")
        << sections
        << QStringList{kHeading,
                       kFio,
                       "Жалобы: боль в горле, кашель",
                       kNoDiagnosis,
                       "Статус: зев гиперемирован, миндалины увеличены",
                       "Рекомендации:",
                       "1. Покой.",
                       "2. Обильное питьё.",
                       "Анамнез заболевания: болеет 3 дня",
                       "после переохлаждения",
                       "Осмотр, , ЭКГ",
                       "",
                       "",
                       "Сидоров С.С.",
                       "10.05.2024"};

    CardRows unnamed = patient();
    unnamed.fio.clear();
    QTest::newRow("a patient without a name keeps the name's line")
        << unnamed << QStringList{kHeading, "", kNoDiagnosis, "", "", "", ""};
}

void TestOutpatientCard::paragraphs() {
    QFETCH(CardRows, rows);
    QFETCH(QStringList, expected);
    QCOMPARE(texts(composeOutpatientCard(rows, kNow)), expected);
}

void TestOutpatientCard::headingAloneIsArial() {
    CardRows rows = visit();
    rows.recommendations = QStringLiteral("Покой.\r\nПитьё.");
    const QList<CardParagraph> card = composeOutpatientCard(rows, kNow);
    QCOMPARE(card.first().face, CardFace::Heading);
    for (qsizetype i = 1; i < card.size(); ++i)
        QCOMPARE(card[i].face, CardFace::Body);
    QCOMPARE(cardFaceName(CardFace::Heading), QStringLiteral("Arial"));
    QCOMPARE(cardFaceName(CardFace::Body), QStringLiteral("Arial Black"));
}

void TestOutpatientCard::pdfName_data() {
    QTest::addColumn<QString>("fio");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("name");
    QTest::newRow("surname and date")
        << "Иванов Иван" << QDate(2024, 5, 12) << "Иванов 12.05.2024.pdf";
    QTest::newRow("maiden name left out")
        << "Петрова(Сидорова) Анна" << QDate(2024, 5, 12) << "Петрова 12.05.2024.pdf";
    QTest::newRow("no visit") << "Иванов Иван" << QDate() << "Иванов.pdf";
    QTest::newRow("slash cannot make a folder") << "А/Б" << QDate() << "АБ.pdf";
    QTest::newRow("nothing known") << "" << QDate() << "Амбулаторная карта.pdf";
}

void TestOutpatientCard::pdfName() {
    QFETCH(QString, fio);
    QFETCH(QDate, date);
    QFETCH(QString, name);
    CardRows rows;
    rows.fio = fio;
    rows.visitDate = date;
    QCOMPARE(suggestedPdfName(rows), name);
}

// The values the datasets hold now, a diagnosis row still being typed posted first; the
// doctor's name as the visit shows it, cut to 20 characters.
void TestOutpatientCard::readsCurrentVisitOfSharedDatasets() {
    TestDatabase db;
    SharedData data;
    data.open(db.path(), QStringLiteral("select * from MAIN order by FIO"));
    auto addBookRow = [](Dataset &book, const char *field, const QString &name) {
        book.insert();
        book.setValue(QLatin1String(field), name);
        book.post();
        return book.value(book.field(0).name).toInt();
    };
    addBookRow(data.ibdsDocs, "D_FIO", QStringLiteral("Константинопольский К.К."));
    const int orvi = addBookRow(data.ibdsDiag, "Z_NAME", QStringLiteral("ОРВИ"));
    const int gastritis = addBookRow(data.ibdsDiag, "Z_NAME", QStringLiteral("Гастрит"));
    const int ecg = addBookRow(data.ibdsVmes, "E_NAME", QStringLiteral("ЭКГ"));

    data.ibdsMain.insert();
    data.ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Петрова (Сидорова) Анна"));
    data.ibdsMain.setValue(QStringLiteral("FIOR"), QStringLiteral("Петров П.П."));
    data.ibdsMain.setValue(QStringLiteral("DATAR"), QDate(1990, 1, 2));
    data.ibdsMain.setValue(QStringLiteral("ADR"), QStringLiteral("ул. Мира, 1"));
    data.ibdsMain.setValue(QStringLiteral("TELD"), QStringLiteral("2-34-56"));
    data.ibdsMain.post();
    data.ibdsCard.insert();
    data.ibdsCard.setValue(QStringLiteral("C_DATE"), QDate(2024, 5, 10));
    data.ibdsDiagnoz.insert();
    data.ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), orvi);
    data.ibdsDiagnoz.setValue(QStringLiteral("G_PRIM"), QStringLiteral("лёгкое"));
    data.ibdsDiagnoz.post();
    data.ibdsVmeshat.insert();
    data.ibdsVmeshat.setValue(QStringLiteral("V_VMESH"), ecg);
    data.ibdsVmeshat.post();
    // The complaints and the second diagnosis are still being typed.
    data.ibdsCard.edit();
    data.ibdsCard.setValue(QStringLiteral("C_ZHALOBA"), QStringLiteral("кашель"));
    data.ibdsDiagnoz.insert();
    data.ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), gastritis);

    const CardRows rows = readCardRows(data);

    QCOMPARE(rows.fio, QStringLiteral("Петрова (Сидорова) Анна"));
    QCOMPARE(rows.fior, QStringLiteral("Петров П.П."));
    QCOMPARE(rows.birth, QDate(1990, 1, 2));
    QCOMPARE(rows.address, QStringLiteral("ул. Мира, 1"));
    QCOMPARE(rows.telephone, QStringLiteral("2-34-56"));
    QCOMPARE(rows.complaints, QStringLiteral("кашель"));
    QCOMPARE(rows.visitDate, QDate(2024, 5, 10));
    QCOMPARE(rows.doctor, QStringLiteral("Константинопольский "));
    // In the order of the dataset, where the new row went in at the current one.
    QCOMPARE(rows.diagnoses.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(rows.diagnoses[i].name,
                 data.ibdsDiagnoz.value(i, QStringLiteral("G_DIAGNAME")).toString());
        QCOMPARE(rows.diagnoses[i].note,
                 data.ibdsDiagnoz.value(i, QStringLiteral("G_PRIM")).toString());
    }
    QVERIFY(rows.diagnoses[0].name != rows.diagnoses[1].name);
    QCOMPARE(rows.interventions, QStringList{QStringLiteral("ЭКГ")});
    QCOMPARE(data.ibdsDiagnoz.state(), Dataset::State::Browse);
    Statement written(data.ibMain, data.ibTrans, QStringLiteral("select count(*) from DIAGNOZ"));
    QCOMPARE(written.selectOne().value(0).toInt(), 2);
    QCOMPARE(data.ibdsCard.state(), Dataset::State::Edit);
}

void TestOutpatientCard::readsPatientWithoutVisit() {
    TestDatabase db;
    SharedData data;
    data.open(db.path(), QStringLiteral("select * from MAIN order by FIO"));
    data.ibdsMain.insert();
    data.ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Ежов Егор"));
    data.ibdsMain.post();

    const CardRows rows = readCardRows(data);
    QCOMPARE(rows.fio, QStringLiteral("Ежов Егор"));
    QVERIFY(rows.doctor.isEmpty());
    QVERIFY(!rows.visitDate.isValid());
    QVERIFY(rows.diagnoses.isEmpty());
    QVERIFY(rows.interventions.isEmpty());
}

QTEST_GUILESS_MAIN(TestOutpatientCard)
#include "test_outpatientcard.moc"
