#include "data/drafts.h"

#include "data/shareddata.h"
#include "support/dates.h"

#include <QSet>

namespace drafts {

namespace {

const char *const kPatientFields[] = {"FIO", "FIOR", "DATAR", "SEX", "ANAMNEZ", "ADR", "TELD"};
const char *const kVisitFields[] = {"C_DATE",    "C_DOC",    "C_DIAGNOZ",  "C_ZHALOBA",
                                    "C_ANAMNEZ", "C_STATUS", "C_REKOMEND", "C_OBSLED"};

// A visit's link rows: their key, the book entry they refer to, and what else they hold.
struct Links {
    Dataset SharedData::*rows;
    const char *key;
    const char *reference;
    std::initializer_list<const char *> fields; // the reference first
};
const Links kDiagnoses{&SharedData::ibdsDiagnoz, "G_ID", "G_DIAG", {"G_DIAG", "G_PRIM"}};
const Links kInterventions{&SharedData::ibdsVmeshat, "V_ID", "V_VMESH", {"V_VMESH"}};

template <size_t N> QVariantMap fieldsOf(const Dataset &rows, const char *const (&names)[N]) {
    QVariantMap fields;
    for (const char *name : names)
        fields.insert(QLatin1String(name), rows.value(QLatin1String(name)));
    return fields;
}

QList<QVariantMap> rowsOf(SharedData &data, const Links &links) {
    Dataset &rows = data.*links.rows;
    QList<QVariantMap> described;
    const int count = rows.recordCount();
    for (int row = 0; row < count; ++row) {
        QVariantMap fields;
        // A row being inserted is not in the register yet: it goes back as a new row.
        const bool stored = !(rows.state() == Dataset::State::Insert && row == rows.currentRow());
        fields.insert(QLatin1String(links.key),
                      stored ? rows.value(row, QLatin1String(links.key)) : QVariant());
        for (const char *field : links.fields)
            fields.insert(QLatin1String(field), rows.value(row, QLatin1String(field)));
        described << fields;
    }
    return described;
}

// A value as the row would show it: a date kept as text reads the same as the date.
QString shownAs(const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QDate)
        return dates::toText(value.toDate());
    return value.toString();
}

// Writes the fields that differ into the current row, editing it when it is not yet.
void writeFields(Dataset &rows, const QVariantMap &fields) {
    for (auto field = fields.begin(); field != fields.end(); ++field) {
        if (rows.displayText(field.key()) == shownAs(field.value()))
            continue;
        if (!rows.isEditing())
            rows.edit();
        rows.setValue(field.key(), field.value());
    }
}

void applyRows(SharedData &data, const Links &links, const QList<QVariantMap> &wanted) {
    Dataset &rows = data.*links.rows;
    const QString key = QLatin1String(links.key);
    const QString reference = QLatin1String(links.reference);
    QSet<int> kept;
    for (const QVariantMap &row : wanted) {
        if (!row.value(key).isNull())
            kept << row.value(key).toInt();
    }
    for (int row = rows.recordCount() - 1; row >= 0; --row) {
        rows.moveTo(row);
        if (!kept.contains(rows.value(key).toInt()))
            rows.remove();
    }
    for (const QVariantMap &row : wanted) {
        // A row without its book entry would be dropped by the register's rules at once.
        if (row.value(reference).isNull())
            continue;
        QVariantMap fields = row;
        fields.remove(key);
        if (row.value(key).isNull() || !rows.locate(key, row.value(key)))
            rows.insert();
        writeFields(rows, fields);
        rows.post();
    }
}

} // namespace

PatientDraft describePatient(const SharedData &data, bool isNew) {
    const Dataset &patients = data.ibdsMain;
    PatientDraft draft;
    if (!isNew)
        draft.id = patients.value(QStringLiteral("ID"));
    draft.fields = fieldsOf(patients, kPatientFields);
    return draft;
}

VisitDraft describeVisit(SharedData &data, bool isNew) {
    const Dataset &visits = data.ibdsCard;
    VisitDraft draft;
    if (!isNew)
        draft.id = visits.value(QStringLiteral("C_ID"));
    draft.fields = fieldsOf(visits, kVisitFields);
    draft.diagnoses = rowsOf(data, kDiagnoses);
    draft.interventions = rowsOf(data, kInterventions);
    return draft;
}

void applyPatient(SharedData &data, const PatientDraft &draft) {
    writeFields(data.ibdsMain, draft.fields);
}

void applyVisit(SharedData &data, const VisitDraft &draft) {
    writeFields(data.ibdsCard, draft.fields);
    applyRows(data, kDiagnoses, draft.diagnoses);
    applyRows(data, kInterventions, draft.interventions);
}

} // namespace drafts
