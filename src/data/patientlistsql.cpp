#include "data/patientlistsql.h"

namespace patientlistsql {

QString patientsWithVisit(const QString &visitJoins, const QString &visitCondition,
                          const QString &patientCondition) {
    // Any visit will do: each patient chosen is looked up among the visits by key, which costs
    // less than going through every visit.
    if (visitJoins.isEmpty() && visitCondition.isEmpty()) {
        QString sql = QStringLiteral("select MAIN.* from MAIN where ");
        if (!patientCondition.isEmpty())
            sql += QStringLiteral("(") + patientCondition + QStringLiteral(") and ");
        return sql + QStringLiteral("exists (select 1 from CARD where C_KEY = MAIN.ID) "
                                    "order by MAIN.FIO, MAIN.ID");
    }
    QString sql = QStringLiteral("select MAIN.* from MAIN join (select distinct C_KEY from CARD") +
                  visitJoins;
    if (!visitCondition.isEmpty())
        sql += QStringLiteral(" where ") + visitCondition;
    sql += QStringLiteral(") VISITED on VISITED.C_KEY = MAIN.ID");
    if (!patientCondition.isEmpty())
        sql += QStringLiteral(" where ") + patientCondition;
    return sql + QStringLiteral(" order by MAIN.FIO, MAIN.ID");
}

QString patientsOfDoctor(int doctor) {
    return patientsWithVisit(QString(), QStringLiteral("C_DOC = %1").arg(doctor));
}

QString patientsOfDiagnosis(int diagnosis) {
    return patientsWithVisit(QStringLiteral(" join DIAGNOZ on G_KEY = C_ID"),
                             QStringLiteral("G_DIAG = %1").arg(diagnosis));
}

QString patientsOfIntervention(int intervention) {
    return patientsWithVisit(QStringLiteral(" join VMESHAT on V_KEY = C_ID"),
                             QStringLiteral("V_VMESH = %1").arg(intervention));
}

} // namespace patientlistsql
