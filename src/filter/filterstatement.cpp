#include "filter/filterstatement.h"

#include "data/patientlistsql.h"
#include "data/sqlliteral.h"
#include "support/dates.h"

#include <QStringList>

#include <algorithm>

namespace filter {

namespace {

// The day `years` back from `today` with the given day of the month, lowered to the length of
// the month in that year; the day it ends on.
QDate yearsBack(QDate today, int years, int &day) {
    const int year = today.year() - years;
    day = std::min(day, QDate(year, today.month(), 1).daysInMonth());
    return QDate(year, today.month(), day);
}

// "(FIELD like '%words%')", the words' apostrophes doubled so that they are looked for as typed.
void addWords(QStringList &conditions, const char *field, const QString &words) {
    if (!words.isEmpty()) {
        conditions << QStringLiteral("(%1 like %2)")
                          .arg(QLatin1String(field), sqlStringLiteral(u'%' + words + u'%'));
    }
}

} // namespace

DateRange birthDates(const AgeRange &ages, QDate today) {
    int day = today.day();
    const QDate first = yearsBack(today, ages.first, day);
    const QDate second = yearsBack(today, ages.second, day);
    return {std::min(first, second), std::max(first, second)};
}

QString statement(const Criteria &criteria, QDate today) {
    QStringList visit, patient;
    if (criteria.visitDates) {
        visit << QStringLiteral("(C_DATE between %1 and %2)")
                     .arg(dates::toSqlLiteral(criteria.visitDates->first),
                          dates::toSqlLiteral(criteria.visitDates->second));
    }
    if (criteria.ages) {
        const DateRange born = birthDates(*criteria.ages, today);
        patient << QStringLiteral("(DATAR between %1 and %2)")
                       .arg(dates::toSqlLiteral(born.first), dates::toSqlLiteral(born.second));
    }
    if (criteria.doctor)
        visit << QStringLiteral("(C_DOC = %1)").arg(*criteria.doctor);
    if (criteria.diagnosis)
        visit << QStringLiteral("(G_DIAG = %1)").arg(*criteria.diagnosis);
    addWords(patient, "ANAMNEZ", criteria.lifeAnamnesis);
    addWords(visit, "C_STATUS", criteria.status);
    addWords(visit, "C_ANAMNEZ", criteria.diseaseAnamnesis);
    addWords(visit, "C_ZHALOBA", criteria.complaints);
    addWords(visit, "C_REKOMEND", criteria.recommendations);
    addWords(visit, "C_OBSLED", criteria.examination);
    // A visit needs a diagnosis only when one is looked for.
    const QString joins =
        criteria.diagnosis ? QStringLiteral(" join DIAGNOZ on G_KEY = C_ID") : QString();
    return patientlistsql::patientsWithVisit(joins, visit.join(QStringLiteral(" and ")),
                                             patient.join(QStringLiteral(" and ")));
}

} // namespace filter
