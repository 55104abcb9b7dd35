#pragma once

#include "dbwidgets/dbgrid.h"

#include <QScrollBar>

// The patient's visits as both card windows list them: the date, in a column of 70 pixels (or
// as wide as its title needs), and the doctor.
inline const DbGrid::Column kVisitDateColumn{QStringLiteral("C_DATE"),
                                             QStringLiteral("Дата приёма"), 70};

inline void showVisitList(DbGrid *grid, DataSource *visits) {
    grid->setDataSource(visits,
                        {kVisitDateColumn, {QStringLiteral("C_DocFIO"), QStringLiteral("Врач")}});
}

// The width of a visit list that shows the date and a doctor's name whole: the name as the
// visit lists show it, 20 characters, beside the scroll bar.
inline int visitListWidth(const DbGrid *grid) {
    const int name = grid->fontMetrics().horizontalAdvance(QString(20, u'о')) + 8;
    return grid->fixedWidthOf(kVisitDateColumn) + name +
           grid->verticalScrollBar()->sizeHint().width() + 2 * grid->frameWidth();
}
