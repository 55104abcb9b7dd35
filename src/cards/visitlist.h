#pragma once

#include "dbwidgets/dbgrid.h"

// The patient's visits as both card windows list them: the date, in a column of 70 pixels, and
// the doctor.
inline void showVisitList(DbGrid *grid, DataSource *visits) {
    grid->setDataSource(visits, {{QStringLiteral("C_DATE"), QStringLiteral("Дата приёма"), 70},
                                 {QStringLiteral("C_DocFIO"), QStringLiteral("Врач")}});
}
