#pragma once

#include "reports/exportfile.h"
#include "reports/reportconfig.h"
#include "reports/reporttable.h"

#include <QString>

class QPagedPaintDevice;

// A report on paper, the same for the printer, the preview and the PDF: A4 in landscape, a
// heading on every page with the title, the parameters (the period, the doctor) and "Страница N
// из M", the table with its column titles again on every page, and the chart after the table.
namespace reports {

// The page of every report: A4, landscape, margins of 10 mm.
void setReportPageLayout(QPagedPaintDevice &device);

// Lays the report out on the device's pages and paints them, page after page, as one job.
// Returns why it failed, or the empty text when the device took every page.
QString paintReport(Kind kind, const Table &table, QPagedPaintDevice &device);

// The number of pages the report takes on the device.
int reportPageCount(Kind kind, const Table &table, QPagedPaintDevice &device);

// Writes the report as a PDF file (writeWhole). Returns why it failed, or the empty text.
QString writeReportPdf(Kind kind, const Table &table, const QString &path, Existing existing);

} // namespace reports
