#pragma once

#include "reports/reportconfig.h"

#include <QString>
#include <QStringList>

// The statements of each report, written out with its period and doctor. The engine counts:
// every number of a report is a count(*), count(distinct …) or sum of a `group by`, so a counting
// report reads a few hundred rows however many visits its period holds. A visit without a date is
// in no period; a diagnosis row without a diagnosis is not counted.
//
// Ages are those the patient card shows, on the date of the visit: whole years of 365.25 days
// since the date of birth, none without a date of birth or with one after the visit. A patient
// counts in a report's groups once, with the age at the first visit of the period that the
// report counts.
namespace reports::sql {

// The values of the age groups the statements give.
enum AgeGroup { Child = 0, Teenager = 1, Adult = 2, Elderly = 3, AgeUnknown = 4, AgeGroups = 5 };

// An expression: the age group of the patient (MAIN) on the date `day`, an expression too.
QString ageGroup(const QString &day);
// An expression: the age of the patient (MAIN) in whole years on `day`, or null.
QString ageOn(const QString &day);

// "Приёмы по врачам": the doctor (D_ID, D_FIO; null for a visit without a known doctor), the
// first day of the month or the day (by countsByDay), and the visits; doctors by name, the
// visits without a doctor last.
QString visitsByDoctor(const Parameters &parameters);
// "Диагнозы": each diagnosis of the book with visits in the period, most visits first: its name,
// visits, patients, of them men and women, and the patients of each age group.
QString diagnoses(const Parameters &parameters);
// "Пациенты за период": for each age group, the patients seen, of them men and women, those
// first seen in the period (no visit of any doctor before its first day) and those seen
// before, and their visits.
QString patients(const Parameters &parameters);
// "Журнал приёма": every visit in order of date and entry (C_ID, C_DATE), with the patient's full
// name, age and address, and the doctor; then journalEntries.
QString journal(const Parameters &parameters);
// The diagnoses with their notes (KIND 0) and the interventions (KIND 1) of the journal's
// visits, each visit's in the order they were written: C_ID, KIND, TEXT. Read apart from the
// visits, they cost one pass over the period instead of a small sorted list for every visit.
QString journalEntries(const Parameters &parameters);

// The statements of the report the parameters name, in the order the report reads them.
QStringList statements(const Parameters &parameters);

// The doctors of the book by name, for the report's choice of a doctor.
QString doctors();

} // namespace reports::sql
