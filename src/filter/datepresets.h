#pragma once

#include "filter/filterstatement.h"

#include <QDate>
#include <QString>

// The ready-made visit date ranges of the filter window's pop-up menu.
namespace filter {

enum class Preset { ThisYear, LastYear, ThisMonth, LastMonth, Last12Months, Last30Days };

// The range a preset fills in on the given day.
DateRange presetRange(Preset preset, QDate today);

// The menu captions; the two year presets name their year: "Этот год (2024)".
QString presetCaption(Preset preset, QDate today);

} // namespace filter
