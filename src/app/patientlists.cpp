#include "app/patientlists.h"

#include "data/patientlistsql.h"
#include "data/sqlliteral.h"
#include "support/dates.h"
#include "support/letters.h"

namespace patientlists {

QString startListSql(const QDate &since) {
    return patientlistsql::patientsWithVisit(
        QString(), QStringLiteral("C_DATE >= '%1' or C_DATE is null").arg(dates::toText(since)));
}

QString periodListSql(const QDate &since) {
    return patientlistsql::patientsWithVisit(
        QString(), QStringLiteral("C_DATE > '%1'").arg(dates::toText(since)));
}

QString surnameSearchSql(const QString &text) {
    return QStringLiteral("select * from MAIN where FIO like ") + sqlStringLiteral(text + u'%') +
           QStringLiteral(" order by FIO");
}

QString onePatientSql(int id) {
    return QStringLiteral("select * from MAIN where ID = %1").arg(id);
}

QString searchStatusText(const QString &text) {
    return QStringLiteral("Пациенты на \"") + text + QStringLiteral("*\"");
}

QString withCapitalFirstLetter(const QString &text) {
    if (text.isEmpty() || !letters::isCyrillicSmall(text.front()))
        return text;
    QString result = text;
    result[0] = letters::cyrillicCapital(text.front());
    return result;
}

bool startsSearchFromList(const QString &typed) {
    return typed.size() == 1 && letters::isLetter(typed.front());
}

} // namespace patientlists
