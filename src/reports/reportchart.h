#pragma once

#include "reports/reportconfig.h"
#include "reports/reporttable.h"

class QChart;

namespace reports {

// The report's chart, drawn from its table, so that the window, the printout and the PDF show
// the same numbers; nullptr for the journal, which has none. The caller owns it.
// - "Приёмы по врачам": a stacked column for each day or month, one colour per doctor;
// - "Диагнозы": horizontal bars of the twenty diagnoses with the most visits, the first on top;
// - "Пациенты за период": the age–sex pyramid, men to the left and women to the right.
// A dark chart goes on a window in a dark palette; paper takes the light one.
QChart *makeChart(Kind kind, const Table &table, bool dark = false);

// The height the chart needs, in the pixels of a screen, so that no label of its axes is cut:
// the diagnoses' names need a line each.
double chartMinimumHeight(Kind kind, const Table &table);

// The diagnoses the chart of "Диагнозы" shows at most.
inline constexpr int kChartDiagnoses = 20;

} // namespace reports
