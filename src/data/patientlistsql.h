#pragma once

#include <QString>

// Every patient list but the surname search is "the patients who have a visit that meets a
// condition, each once, by full name". The statements have one shape: the engine finds the
// patients' keys among the visits first and then reads each patient's row once, instead of
// sorting the whole rows of every matching visit to drop the repeats. The rows and their order
// are those of "select distinct MAIN.* from MAIN, CARD ... order by FIO": patients with the same
// full name come by key.
namespace patientlistsql {

// `visitJoins` joins further tables to CARD (" join DIAGNOZ on G_KEY = C_ID"), `visitCondition`
// chooses the visits, `patientCondition` the patients; an empty condition chooses all.
QString patientsWithVisit(const QString &visitJoins, const QString &visitCondition,
                          const QString &patientCondition = QString());

// The patients of a doctor, of a diagnosis and of an intervention: those with a visit that
// names it.
QString patientsOfDoctor(int doctor);
QString patientsOfDiagnosis(int diagnosis);
QString patientsOfIntervention(int intervention);

} // namespace patientlistsql
