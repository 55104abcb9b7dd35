#pragma once

#include <QDate>
#include <QString>

#include <optional>

// What the filter window looks for, and the statement that finds it. Everything ticked applies
// to one and the same visit of a patient (the date, the doctor, the diagnosis and the words in
// the visit's notes) or to the patient (the age and the words in the life anamnesis).
namespace filter {

struct DateRange {
    QDate first, second;
};
struct AgeRange {
    int first = 20, second = 50;
};

struct Criteria {
    std::optional<DateRange> visitDates;
    std::optional<AgeRange> ages;
    std::optional<int> doctor;    // D_ID
    std::optional<int> diagnosis; // Z_ID
    // Words looked for anywhere in a field, letter case as typed; "%" and "_" are wildcards.
    QString lifeAnamnesis, status, diseaseAnamnesis, complaints, recommendations, examination;
};

// The birth dates of the patients whose age lies between the two ages (in either order) today:
// from the day exactly the older age ago to the day exactly the younger age ago, both included.
// The day of the month is lowered to the length of the month in the year it lands in, and the
// lowered day carries over to the second age.
DateRange birthDates(const AgeRange &ages, QDate today);

// The statement of the patient list for the criteria: each patient once, by full name.
QString statement(const Criteria &criteria, QDate today);

} // namespace filter
