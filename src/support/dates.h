#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>

// Calendar helpers shared by the patient lists, the filter and every place that shows an age.
// The present moment comes from one replaceable clock so that tests can stand at any instant.
namespace dates {

using Clock = std::function<QDateTime()>;

// The present moment as the program sees it; the system clock unless a test replaced it.
QDateTime now();
QDate today();
// Replaces the clock; an empty function restores the system clock.
void setClock(Clock clock);

// Today's day in the previous month (December of the previous year in January), the day cut to
// the length of that month: 31 March gives 28 or 29 February.
QDate monthBack(QDate day);
// The same day and month one year back; 29 February becomes 28 February.
QDate yearBack(QDate day);

// Age in whole years: the absolute difference in days between the moment and the birth date
// (at midnight), divided by 365.25 and truncated. A birth date in the future counts as well.
int ageInYears(QDate birth, const QDateTime &moment);
int ageInYears(QDate birth);
// The age a patient is shown with: ageInYears, but 0 without a date of birth or with one in the
// future, which is a typing mistake rather than an age.
int ageSinceBirth(QDate birth, const QDateTime &moment);
int ageSinceBirth(QDate birth);

// A date as statements and boxes write it: dd.mm.yyyy.
QString toText(QDate day);
// A date in single quotes, ready to be put into statement text.
QString toSqlLiteral(QDate day);

} // namespace dates
