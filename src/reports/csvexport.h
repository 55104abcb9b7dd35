#pragma once

#include "reports/reporttable.h"

#include <QByteArray>

namespace reports {

// The table as CSV after RFC 4180, as the spreadsheets of a Russian desktop read it: UTF-8 with
// a byte-order mark, ";" between the cells (the Russian list separator), CR LF after each row,
// the column titles first. A cell holding ";", a quotation mark, a line break or spaces at its
// ends is quoted, its quotation marks doubled. Numbers are written as numbers with a decimal
// comma, dates as dd.mm.yyyy. The title and the parameters are not written: the file is the
// table alone, for a script or a spreadsheet to take as it is.
QByteArray toCsv(const Table &table);

// A cell's text as the views and the CSV write it: decimals with a comma and two places at most.
QString cellText(const QVariant &value, CellKind kind);

} // namespace reports
