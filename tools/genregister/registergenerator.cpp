#include "registergenerator.h"

#include "data/statement.h"
#include "data/transaction.h"
#include "russiannames.h"

#include <QHash>

#include <algorithm>

namespace {

constexpr int kBatchPatients = 1000;

const QStringList kStreets =
    QString::fromUtf16(u"ул. Ленина|ул. Гагарина|ул. Мичурина|ул. Победы|"
                       u"ул. Садовая|ул. Молодёжная|ул. Советская|ул. Мира|"
                       u"пр. Кирова|пр. Металлургов|ул. Ново-Садовая|ул. Полевая|"
                       u"ул. Чапаева|ул. Фрунзе|ул. Лесная|Московское шоссе")
        .split(QLatin1Char('|'));

using Row = QHash<QString, QVariant>;

// Writes every row through one prepared statement, taking parameters by name.
void insertAll(Statement &statement, const std::vector<Row> &rows) {
    for (const Row &row : rows)
        statement.execute([&row](const QString &name) { return row.value(name); });
}

} // namespace

struct RegisterGenerator::Batch {
    std::vector<Row> patients, visits, diagnoses, interventions;
};

RegisterGenerator::RegisterGenerator(Connection &connection, Transaction &transaction, quint64 seed,
                                     QDate today)
    : m_connection(connection), m_transaction(transaction), m_random(seed), m_text(m_random),
      m_today(today) {}

int RegisterGenerator::takeKeys(const char *generator, int count) {
    if (count == 0)
        return 0;
    Statement take(m_connection, m_transaction,
                   QStringLiteral("select GEN_ID(%1, %2) from RDB$DATABASE")
                       .arg(QLatin1String(generator))
                       .arg(count));
    return int(take.selectOne().value(0).toLongLong()) - count + 1;
}

void RegisterGenerator::writeBooks() {
    const QStringList doctors = MedicalText::doctorBook();
    const QStringList diagnoses = MedicalText::diagnosisBook();
    const QStringList interventions = MedicalText::interventionBook();
    std::vector<Row> rows;

    int key = takeKeys("GEN_DOCS_ID", int(doctors.size()));
    for (int i = 0; i < doctors.size(); ++i)
        rows.push_back({{QStringLiteral("D_ID"), key + i},
                        {QStringLiteral("D_FIO"), doctors[i]},
                        {QStringLiteral("D_ACTIVE"), i % 4 == 3 ? "F" : "T"}});
    Statement insertDoctor(m_connection, m_transaction,
                           QStringLiteral("insert into DOCS (D_ID, D_FIO, D_ACTIVE) "
                                          "values (:D_ID, :D_FIO, :D_ACTIVE)"));
    insertAll(insertDoctor, rows);
    m_doctors = int(doctors.size());

    rows.clear();
    key = takeKeys("GEN_DIAG_ID", int(diagnoses.size()));
    for (int i = 0; i < diagnoses.size(); ++i)
        rows.push_back(
            {{QStringLiteral("Z_ID"), key + i}, {QStringLiteral("Z_NAME"), diagnoses[i]}});
    Statement insertDiagnosis(
        m_connection, m_transaction,
        QStringLiteral("insert into DIAG (Z_ID, Z_NAME) values (:Z_ID, :Z_NAME)"));
    insertAll(insertDiagnosis, rows);
    m_diagnoses = int(diagnoses.size());

    rows.clear();
    key = takeKeys("GEN_VMESH_ID", int(interventions.size()));
    for (int i = 0; i < interventions.size(); ++i)
        rows.push_back(
            {{QStringLiteral("E_ID"), key + i}, {QStringLiteral("E_NAME"), interventions[i]}});
    Statement insertIntervention(
        m_connection, m_transaction,
        QStringLiteral("insert into VMESH (E_ID, E_NAME) values (:E_ID, :E_NAME)"));
    insertAll(insertIntervention, rows);
    m_interventions = int(interventions.size());
    m_transaction.commitRetaining();
}

void RegisterGenerator::generate(Batch &batch, int patients) {
    using namespace russiannames;
    MedicalText &t = m_text;
    const QDate firstVisitDay = m_today.addYears(-20);
    const int visitSpan = int(firstVisitDay.daysTo(m_today));

    for (int p = 0; p < patients; ++p) {
        const bool female = t.chance(55);
        const QString surname = surnameAt(t.uniform());
        const FatherName &father = fathers().at(t.below(int(fathers().size())));
        const QString given =
            female ? t.pick(femaleNames())
                   : QString::fromUtf16(fathers().at(t.below(int(fathers().size()))).name);
        const QString patronymic = QString::fromUtf16(female ? father.daughterOf : father.sonOf);
        QString family = female ? femaleSurname(surname) : surname;
        QString fio = family + QLatin1Char(' ') + given + QLatin1Char(' ') + patronymic;
        if (female && t.chance(15)) {
            const QString maiden = femaleSurname(surnameAt(t.uniform()));
            const QString married = family + QStringLiteral(" (") + maiden + QStringLiteral(") ") +
                                    given + QLatin1Char(' ') + patronymic;
            if (married.size() <= 50)
                fio = married;
        }
        const QDate born = m_today.addDays(-t.below(100 * 365));
        Row patient{{QStringLiteral("FIO"), fio.left(50)},
                    {QStringLiteral("DATAR"), born},
                    {QStringLiteral("SEX"), female ? QStringLiteral("Ж") : QStringLiteral("М")},
                    {QStringLiteral("ADR"), QStringLiteral("г. Самара, %1, д. %2, кв. %3")
                                                .arg(t.pick(kStreets))
                                                .arg(1 + t.below(120))
                                                .arg(1 + t.below(300))}};
        if (born.daysTo(m_today) < 18 * 365) {
            const QString parents =
                QStringLiteral("%1 %2.%3., %4 %5.%6.")
                    .arg(surname, QString::fromUtf16(father.name).left(1),
                         t.pick(femaleNames()).left(1), femaleSurname(surname),
                         t.pick(femaleNames()).left(1), QString::fromUtf16(father.name).left(1));
            patient.insert(QStringLiteral("FIOR"), parents.left(50));
        }
        if (t.chance(80))
            patient.insert(QStringLiteral("TELD"), QStringLiteral("8-927-%1-%2-%3")
                                                       .arg(100 + t.below(900))
                                                       .arg(10 + t.below(90))
                                                       .arg(10 + t.below(90)));
        if (t.chance(70))
            patient.insert(QStringLiteral("ANAMNEZ"), t.lifeAnamnesis());
        const int patientIndex = int(batch.patients.size());
        batch.patients.push_back(std::move(patient));

        // About six visits each, a few patients with none, a few visits without a date.
        const int visits = t.chance(2) ? 0 : 1 + t.below(11);
        std::vector<QDate> days;
        for (int v = 0; v < visits; ++v)
            days.push_back(firstVisitDay.addDays(t.below(visitSpan + 1)));
        std::sort(days.begin(), days.end());
        for (const QDate &day : days) {
            Row visit{{QStringLiteral("PATIENT"), patientIndex},
                      {QStringLiteral("C_DOC"), t.below(m_doctors)},
                      {QStringLiteral("C_ZHALOBA"), t.complaints()},
                      {QStringLiteral("C_STATUS"), t.status()},
                      {QStringLiteral("C_OBSLED"), t.examination()},
                      {QStringLiteral("C_REKOMEND"), t.recommendations()}};
            if (!t.chance(1))
                visit.insert(QStringLiteral("C_DATE"), day);
            if (t.chance(50))
                visit.insert(QStringLiteral("C_ANAMNEZ"), t.diseaseAnamnesis());
            const int visitIndex = int(batch.visits.size());
            batch.visits.push_back(std::move(visit));
            const int diagnoses = t.below(4) + (t.chance(20) ? 1 : 0);
            for (int d = 0; d < diagnoses; ++d) {
                Row diagnosis{{QStringLiteral("VISIT"), visitIndex},
                              {QStringLiteral("G_DIAG"), t.below(m_diagnoses)}};
                if (t.chance(40))
                    diagnosis.insert(QStringLiteral("G_PRIM"), t.diagnosisNote());
                batch.diagnoses.push_back(std::move(diagnosis));
            }
            if (t.chance(50))
                batch.interventions.push_back(
                    {{QStringLiteral("VISIT"), visitIndex},
                     {QStringLiteral("V_VMESH"), t.below(m_interventions)}});
        }
    }
}

void RegisterGenerator::write(Batch &batch) {
    const int patientKey = takeKeys("GEN_MAIN_ID", int(batch.patients.size()));
    const int visitKey = takeKeys("GEN_CARD_ID", int(batch.visits.size()));
    const int diagnosisKey = takeKeys("GEN_DIAGNOZ_ID", int(batch.diagnoses.size()));
    const int interventionKey = takeKeys("GEN_VMESHAT_ID", int(batch.interventions.size()));
    // Book rows were written first, so their keys start at 1.
    for (size_t i = 0; i < batch.patients.size(); ++i)
        batch.patients[i].insert(QStringLiteral("ID"), patientKey + int(i));
    for (size_t i = 0; i < batch.visits.size(); ++i) {
        Row &visit = batch.visits[i];
        visit.insert(QStringLiteral("C_ID"), visitKey + int(i));
        visit.insert(QStringLiteral("C_KEY"),
                     patientKey + visit.value(QStringLiteral("PATIENT")).toInt());
        visit.insert(QStringLiteral("C_DOC"), 1 + visit.value(QStringLiteral("C_DOC")).toInt());
    }
    for (size_t i = 0; i < batch.diagnoses.size(); ++i) {
        Row &row = batch.diagnoses[i];
        row.insert(QStringLiteral("G_ID"), diagnosisKey + int(i));
        row.insert(QStringLiteral("G_KEY"), visitKey + row.value(QStringLiteral("VISIT")).toInt());
        row.insert(QStringLiteral("G_DIAG"), 1 + row.value(QStringLiteral("G_DIAG")).toInt());
    }
    for (size_t i = 0; i < batch.interventions.size(); ++i) {
        Row &row = batch.interventions[i];
        row.insert(QStringLiteral("V_ID"), interventionKey + int(i));
        row.insert(QStringLiteral("V_KEY"), visitKey + row.value(QStringLiteral("VISIT")).toInt());
        row.insert(QStringLiteral("V_VMESH"), 1 + row.value(QStringLiteral("V_VMESH")).toInt());
    }

    static const QString patientSql =
        QStringLiteral("insert into MAIN (ID, FIO, FIOR, DATAR, SEX, ANAMNEZ, ADR, TELD) "
                       "values (:ID, :FIO, :FIOR, :DATAR, :SEX, :ANAMNEZ, :ADR, :TELD)");
    static const QString visitSql = QStringLiteral(
        "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE, C_ZHALOBA, C_ANAMNEZ, C_STATUS, "
        "C_REKOMEND, C_OBSLED) values (:C_ID, :C_KEY, :C_DOC, :C_DATE, :C_ZHALOBA, :C_ANAMNEZ, "
        ":C_STATUS, :C_REKOMEND, :C_OBSLED)");
    static const QString diagnosisSql = QStringLiteral(
        "insert into DIAGNOZ (G_ID, G_KEY, G_DIAG, G_PRIM) values (:G_ID, :G_KEY, :G_DIAG, "
        ":G_PRIM)");
    static const QString interventionSql = QStringLiteral(
        "insert into VMESHAT (V_ID, V_KEY, V_VMESH) values (:V_ID, :V_KEY, :V_VMESH)");
    Statement patients(m_connection, m_transaction, patientSql);
    Statement visits(m_connection, m_transaction, visitSql);
    Statement diagnoses(m_connection, m_transaction, diagnosisSql);
    Statement interventions(m_connection, m_transaction, interventionSql);
    insertAll(patients, batch.patients);
    insertAll(visits, batch.visits);
    insertAll(diagnoses, batch.diagnoses);
    insertAll(interventions, batch.interventions);
    m_transaction.commitRetaining();
    m_visitsWritten += int(batch.visits.size());
}

void RegisterGenerator::writePatients(
    int count, const std::function<void(int written, int visits)> &progress) {
    for (int written = 0; written < count;) {
        Batch batch;
        const int size = std::min(kBatchPatients, count - written);
        generate(batch, size);
        write(batch);
        written += size;
        if (progress)
            progress(written, m_visitsWritten);
    }
}
