#pragma once

#include "reports/reportconfig.h"

#include <QDate>
#include <QList>
#include <QString>

// The periods of the reports: the ready-made ones of the date boxes' pop-up menu, how a period
// is written in a heading and a file name, and the columns a period gives "Приёмы по врачам".
namespace reports {

struct Period {
    QDate first, last;
    bool operator==(const Period &) const = default;
};

// The filter's presets (this month, last month, this year, last year) with a day and the
// quarters a practice reports on.
enum class Preset { Today, ThisMonth, LastMonth, ThisQuarter, LastQuarter, ThisYear, LastYear };

// The presets in the order of the menu.
QList<Preset> presets();
Period presetRange(Preset preset, QDate today);
// The menu captions; the quarters and years name themselves: "Прошлый квартал (IV 2023)".
QString presetCaption(Preset preset, QDate today);

// "01.03.2024 – 31.03.2024", or the one day "05.03.2024".
QString periodText(QDate first, QDate last);
// The report and its period as a file name, without an extension:
// "Приёмы по врачам 01.03.2024-31.03.2024".
QString fileStem(const Parameters &parameters);

// "Приёмы по врачам" counts by day when the period spans a month at most (1 to 31 March, 15
// March to 14 April), by month otherwise.
bool countsByDay(QDate first, QDate last);
// The columns of the period: each day, or the first day of each month the period touches.
QList<QDate> columnDays(QDate first, QDate last);
// A column's title: "05.03" for a day, "мар 2024" for a month.
QString columnTitle(QDate day, bool byDay);

} // namespace reports
