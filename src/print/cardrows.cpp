#include "print/cardrows.h"

#include "data/shareddata.h"

namespace {

QString text(const Dataset &dataset, const char *field) {
    return dataset.value(QLatin1String(field)).toString();
}

} // namespace

CardRows readCardRows(SharedData &data) {
    CardRows rows;
    const Dataset &patient = data.ibdsMain;
    rows.fio = text(patient, "FIO");
    rows.fior = text(patient, "FIOR");
    rows.birth = patient.value(QStringLiteral("DATAR")).toDate();
    rows.address = text(patient, "ADR");
    rows.telephone = text(patient, "TELD");

    const Dataset &visit = data.ibdsCard;
    rows.complaints = text(visit, "C_ZHALOBA");
    rows.status = text(visit, "C_STATUS");
    rows.examination = text(visit, "C_OBSLED");
    rows.recommendations = text(visit, "C_REKOMEND");
    rows.anamnesis = text(visit, "C_ANAMNEZ");
    rows.doctor = text(visit, "C_DocFIO");
    rows.visitDate = visit.value(QStringLiteral("C_DATE")).toDate();

    Dataset &diagnoses = data.ibdsDiagnoz;
    for (diagnoses.first(); !diagnoses.atEnd(); diagnoses.next())
        rows.diagnoses.append({text(diagnoses, "G_DIAGNAME"), text(diagnoses, "G_PRIM")});

    Dataset &interventions = data.ibdsVmeshat;
    for (interventions.first(); !interventions.atEnd(); interventions.next())
        rows.interventions.append(text(interventions, "V_VMESHATNAME"));
    return rows;
}
