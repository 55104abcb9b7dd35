#include "reports/reportsql.h"

#include "reports/reportperiod.h"
#include "support/dates.h"

namespace reports::sql {

// "+ 0" on a column keeps the engine from using its index where that would cost more than it
// saves: the diagnoses are reached from the period's visits (by the visit date's index), not the
// visits from every diagnosis row; a patient's earlier visit is looked for among the patient's
// own visits, not among every visit before the period; a group of the period's rows is sorted
// rather than read along an index of the whole table.

namespace {

// The visits of the period, and of the doctor when one is chosen.
QString visitCondition(const Parameters &parameters,
                       const QString &table = QStringLiteral("CARD")) {
    QString condition = QStringLiteral("%1.C_DATE between %2 and %3")
                            .arg(table, dates::toSqlLiteral(parameters.first),
                                 dates::toSqlLiteral(parameters.last));
    if (parameters.doctor)
        condition += QStringLiteral(" and %1.C_DOC = %2").arg(table).arg(*parameters.doctor);
    return condition;
}

// Days since birth × 4 / 1461 is days / 365.25 in whole numbers, as the card computes it.
QString wholeYears(const QString &day) {
    return QStringLiteral("datediff(day from MAIN.DATAR to %1) * 4 / 1461").arg(day);
}

QString noAge(const QString &day) {
    return QStringLiteral("MAIN.DATAR is null or MAIN.DATAR > %1").arg(day);
}

// Patients by sex and age group, from a row source with the columns SEX and AGE_GROUP.
QString sexAndAgeCounts() {
    return QStringLiteral("count(iif(upper(SEX) = 'М', 1, null)) MEN, "
                          "count(iif(upper(SEX) = 'Ж', 1, null)) WOMEN");
}

} // namespace

QString ageOn(const QString &day) {
    return QStringLiteral("iif(%1, null, %2)").arg(noAge(day), wholeYears(day));
}

QString ageGroup(const QString &day) {
    const QString years = wholeYears(day);
    return QStringLiteral("case when %1 then %2 when %3 < 15 then %4 when %3 < 18 then %5 "
                          "when %3 < 60 then %6 else %7 end")
        .arg(noAge(day))
        .arg(int(AgeUnknown))
        .arg(years)
        .arg(int(Child))
        .arg(int(Teenager))
        .arg(int(Adult))
        .arg(int(Elderly));
}

QString visitsByDoctor(const Parameters &parameters) {
    const QString column = countsByDay(parameters.first, parameters.last)
                               ? QStringLiteral("CARD.C_DATE")
                               : QStringLiteral("dateadd(1 - extract(day from CARD.C_DATE) day "
                                                "to CARD.C_DATE)");
    return QStringLiteral("select D_ID, D_FIO, %1 COLUMN_DAY, count(*) VISITS "
                          "from CARD left join DOCS on D_ID = CARD.C_DOC where %2 "
                          "group by D_ID, D_FIO, %1 "
                          "order by iif(D_ID is null, 1, 0), D_FIO, D_ID")
        .arg(column, visitCondition(parameters));
}

QString diagnoses(const Parameters &parameters) {
    // One pass over the diagnosis rows of the period: each diagnosis' patients with their own
    // visits and first day, then the diagnoses. A visit is its one patient's, so the patients'
    // visits add up to the diagnosis' visits.
    return QStringLiteral(
               "with PATIENTS as (select G_DIAG + 0 DIAGNOSIS, C_KEY, count(distinct C_ID) VISITS, "
               "min(C_DATE) FIRST_DAY from CARD join DIAGNOZ on G_KEY = C_ID + 0 "
               "where %1 and G_DIAG + 0 is not null group by 1, 2) "
               "select Z_NAME, sum(PATIENTS.VISITS) VISITS, count(*) PATIENTS, %2, "
               "count(iif(AGE_GROUP = 0, 1, null)), count(iif(AGE_GROUP = 1, 1, null)), "
               "count(iif(AGE_GROUP = 2, 1, null)), count(iif(AGE_GROUP = 3, 1, null)), "
               "count(iif(AGE_GROUP = 4, 1, null)) "
               "from (select DIAGNOSIS, VISITS, SEX, %3 AGE_GROUP from PATIENTS "
               "left join MAIN on MAIN.ID = PATIENTS.C_KEY) PATIENTS "
               "join DIAG on Z_ID = PATIENTS.DIAGNOSIS "
               "group by Z_ID, Z_NAME order by 2 desc, 3 desc, Z_NAME, Z_ID")
        .arg(visitCondition(parameters), sexAndAgeCounts(),
             ageGroup(QStringLiteral("PATIENTS.FIRST_DAY")));
}

QString patients(const Parameters &parameters) {
    return QStringLiteral(
               "with SEEN as (select C_KEY + 0 C_KEY, min(C_DATE) FIRST_DAY, count(*) VISITS "
               "from CARD where %1 group by 1) "
               "select AGE_GROUP, count(*) PATIENTS, %2, "
               "count(iif(SEEN_BEFORE = 0, 1, null)) FIRST_SEEN, "
               "count(iif(SEEN_BEFORE = 1, 1, null)) SEEN_BEFORE, sum(VISITS) VISITS "
               "from (select SEX, VISITS, %3 AGE_GROUP, "
               "iif(exists(select 1 from CARD EARLIER where EARLIER.C_KEY = SEEN.C_KEY "
               "and EARLIER.C_DATE + 0 < %4), 1, 0) SEEN_BEFORE "
               "from SEEN join MAIN on MAIN.ID = SEEN.C_KEY) "
               "group by AGE_GROUP")
        .arg(visitCondition(parameters), sexAndAgeCounts(),
             ageGroup(QStringLiteral("SEEN.FIRST_DAY")), dates::toSqlLiteral(parameters.first));
}

QString journal(const Parameters &parameters) {
    return QStringLiteral("select CARD.C_ID, CARD.C_DATE, MAIN.FIO, %1 AGE, MAIN.ADR, DOCS.D_FIO "
                          "from CARD left join MAIN on MAIN.ID = CARD.C_KEY "
                          "left join DOCS on DOCS.D_ID = CARD.C_DOC "
                          "where %2 order by CARD.C_DATE, CARD.C_ID")
        .arg(ageOn(QStringLiteral("CARD.C_DATE")), visitCondition(parameters));
}

QString journalEntries(const Parameters &parameters) {
    const QString condition = visitCondition(parameters);
    return QStringLiteral(
               "select CARD.C_ID, 0 KIND, G_ID ENTRY, "
               "nullif(trim(coalesce(Z_NAME, '') || ' ' || coalesce(G_PRIM, '')), '') TEXT "
               "from CARD join DIAGNOZ on G_KEY = CARD.C_ID + 0 left join DIAG on Z_ID = G_DIAG "
               "where %1 "
               "union all select CARD.C_ID, 1, V_ID, E_NAME "
               "from CARD join VMESHAT on V_KEY = CARD.C_ID + 0 join VMESH on E_ID = V_VMESH "
               "where %1 order by 1, 2, 3")
        .arg(condition);
}

QStringList statements(const Parameters &parameters) {
    switch (parameters.kind) {
    case Kind::VisitsByDoctor:
        return {visitsByDoctor(parameters)};
    case Kind::Diagnoses:
        return {diagnoses(parameters)};
    case Kind::Patients:
        return {patients(parameters)};
    case Kind::Journal:
        return {journal(parameters), journalEntries(parameters)};
    }
    return {};
}

QString doctors() {
    return QStringLiteral("select D_ID, D_FIO, D_ACTIVE from DOCS order by D_FIO, D_ID");
}

} // namespace reports::sql
