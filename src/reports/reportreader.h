#pragma once

#include "reports/reportconfig.h"
#include "reports/reporttable.h"

#include <QList>
#include <QString>

class Connection;

// Reads the reports, and the main list to export, through a read-only transaction of their own:
// a report sees what was committed when it started, the reference books' entries of a moment
// ago included, and its numbers agree with each other whatever is saved meanwhile. The
// transaction ends before the report is returned. Raises DbError when the database refuses.
namespace reports {

Table read(Connection &connection, const Parameters &parameters);

struct Doctor {
    int id = 0;
    QString name;
    bool active = true;
};
QList<Doctor> readDoctors(Connection &connection);

// The patients a list statement chooses, as the main list shows them: full name, date of birth,
// age (as the list shows it on `now`), sex, address and phones. `caption` names the list.
Table readPatientList(Connection &connection, const QString &listSql, const QString &caption,
                      const QDateTime &now);

// The titles of the age groups, in the order of reports::sql::AgeGroup.
QStringList ageGroupTitles();

} // namespace reports
