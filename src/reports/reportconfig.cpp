#include "reports/reportconfig.h"

namespace reports {

namespace {

const Config kConfigs[] = {
    {Kind::VisitsByDoctor, QStringLiteral("fmRepVisits"), QStringLiteral("mmRepVisits"),
     QStringLiteral("Приёмы по врачам"), QStringLiteral("visits-by-doctor"), false, true},
    {Kind::Diagnoses, QStringLiteral("fmRepDiagnoses"), QStringLiteral("mmRepDiagnoses"),
     QStringLiteral("Диагнозы"), QStringLiteral("diagnoses"), true, true},
    {Kind::Patients, QStringLiteral("fmRepPatients"), QStringLiteral("mmRepPatients"),
     QStringLiteral("Пациенты за период"), QStringLiteral("patients"), true, true},
    {Kind::Journal, QStringLiteral("fmRepJournal"), QStringLiteral("mmRepJournal"),
     QStringLiteral("Журнал приёма"), QStringLiteral("journal"), true, false},
};

} // namespace

const Config &config(Kind kind) {
    return kConfigs[int(kind)];
}

QList<Kind> kinds() {
    return {Kind::VisitsByDoctor, Kind::Diagnoses, Kind::Patients, Kind::Journal};
}

std::optional<Kind> kindOfCommand(const QString &command) {
    for (const Config &report : kConfigs) {
        if (report.command == command)
            return report.kind;
    }
    return std::nullopt;
}

} // namespace reports
