#pragma once

#include "reports/reporttable.h"

#include <QString>

namespace reports {

// Writes the table as an Excel workbook (XLSX) of one sheet at `path`: the title and the
// parameters on top, then the table with its column titles in bold and frozen while the rows
// scroll, numbers as numbers, dates as dates, the total rows in bold and each column as wide as
// its cells (long texts wrap). Returns why it failed, or the empty text.
QString writeXlsx(const Table &table, const QString &path);

} // namespace reports
