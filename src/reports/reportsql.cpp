#include "reports/reportsql.h"

#include "reports/reportperiod.h"
#include "support/dates.h"

namespace reports::sql {

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
    return QStringLiteral(
               "with VISITS as (select G_DIAG, C_ID, C_KEY, C_DATE from CARD "
               "join DIAGNOZ on G_KEY = C_ID where %1 and G_DIAG is not null), "
               "BY_VISITS as (select G_DIAG, count(distinct C_ID) VISITS from VISITS "
               "group by G_DIAG), "
               "FIRST_VISITS as (select G_DIAG, C_KEY, min(C_DATE) FIRST_DAY from VISITS "
               "group by G_DIAG, C_KEY), "
               "BY_PATIENTS as (select G_DIAG, count(*) PATIENTS, %2, "
               "count(iif(AGE_GROUP = 0, 1, null)) AGE0, count(iif(AGE_GROUP = 1, 1, null)) AGE1, "
               "count(iif(AGE_GROUP = 2, 1, null)) AGE2, count(iif(AGE_GROUP = 3, 1, null)) AGE3, "
               "count(iif(AGE_GROUP = 4, 1, null)) AGE4 "
               "from (select G_DIAG, SEX, %3 AGE_GROUP from FIRST_VISITS "
               "join MAIN on MAIN.ID = FIRST_VISITS.C_KEY) group by G_DIAG) "
               "select Z_NAME, BY_VISITS.VISITS, coalesce(PATIENTS, 0), coalesce(MEN, 0), "
               "coalesce(WOMEN, 0), coalesce(AGE0, 0), coalesce(AGE1, 0), coalesce(AGE2, 0), "
               "coalesce(AGE3, 0), coalesce(AGE4, 0) "
               "from BY_VISITS join DIAG on Z_ID = BY_VISITS.G_DIAG "
               "left join BY_PATIENTS on BY_PATIENTS.G_DIAG = BY_VISITS.G_DIAG "
               "order by BY_VISITS.VISITS desc, PATIENTS desc, Z_NAME, Z_ID")
        .arg(visitCondition(parameters), sexAndAgeCounts(),
             ageGroup(QStringLiteral("FIRST_VISITS.FIRST_DAY")));
}

QString patients(const Parameters &parameters) {
    return QStringLiteral(
               "with SEEN as (select C_KEY, min(C_DATE) FIRST_DAY, count(*) VISITS from CARD "
               "where %1 group by C_KEY) "
               "select AGE_GROUP, count(*) PATIENTS, %2, "
               "count(iif(SEEN_BEFORE = 0, 1, null)) FIRST_SEEN, "
               "count(iif(SEEN_BEFORE = 1, 1, null)) SEEN_BEFORE, sum(VISITS) VISITS "
               "from (select SEX, VISITS, %3 AGE_GROUP, "
               "iif(exists(select 1 from CARD EARLIER where EARLIER.C_KEY = SEEN.C_KEY "
               "and EARLIER.C_DATE < %4), 1, 0) SEEN_BEFORE "
               "from SEEN join MAIN on MAIN.ID = SEEN.C_KEY) "
               "group by AGE_GROUP")
        .arg(visitCondition(parameters), sexAndAgeCounts(),
             ageGroup(QStringLiteral("SEEN.FIRST_DAY")), dates::toSqlLiteral(parameters.first));
}

QString journal(const Parameters &parameters) {
    return QStringLiteral(
               "select CARD.C_DATE, MAIN.FIO, %1 AGE, MAIN.ADR, "
               "(select cast(list(TEXT, '; ') as varchar(16000)) from (select "
               "nullif(trim(coalesce(Z_NAME, '') || ' ' || coalesce(G_PRIM, '')), '') TEXT "
               "from DIAGNOZ left join DIAG on Z_ID = G_DIAG where G_KEY = CARD.C_ID "
               "order by G_ID)) DIAGNOSES, "
               "(select cast(list(E_NAME, '; ') as varchar(16000)) from (select E_NAME "
               "from VMESHAT join VMESH on E_ID = V_VMESH where V_KEY = CARD.C_ID "
               "order by V_ID)) INTERVENTIONS, "
               "DOCS.D_FIO "
               "from CARD left join MAIN on MAIN.ID = CARD.C_KEY "
               "left join DOCS on DOCS.D_ID = CARD.C_DOC "
               "where %2 order by CARD.C_DATE, CARD.C_ID")
        .arg(ageOn(QStringLiteral("CARD.C_DATE")), visitCondition(parameters));
}

QString statement(const Parameters &parameters) {
    switch (parameters.kind) {
    case Kind::VisitsByDoctor:
        return visitsByDoctor(parameters);
    case Kind::Diagnoses:
        return diagnoses(parameters);
    case Kind::Patients:
        return patients(parameters);
    case Kind::Journal:
        return journal(parameters);
    }
    return QString();
}

QString doctors() {
    return QStringLiteral("select D_ID, D_FIO, D_ACTIVE from DOCS order by D_FIO, D_ID");
}

} // namespace reports::sql
