#pragma once

#include "reports/reporttable.h"

#include <QString>

#include <functional>

// Writing a report's file, a printout in PDF or a spreadsheet: only its owner may read it
// (mode 0600: it names patients), and it is written whole or not at all.
namespace reports {

// Whether a file already at the path may be replaced: the save dialog asked the user; the
// command line never replaces one.
enum class Existing { Replace, Keep };

// Makes a temporary file of the user's own beside `path`, lets `write` fill it (given its path;
// it returns why it failed, or the empty text), forces it onto the disk and only then gives it
// its name. A failure leaves no file behind and an earlier file as it was. Returns why it
// failed, in the user's words, or the empty text.
QString writeWhole(const QString &path, Existing existing,
                   const std::function<QString(const QString &temporary)> &write);

// Writes the bytes into a file that `writeWhole` made; returns why it failed, or the empty text.
QString writeBytes(const QString &temporary, const QByteArray &bytes);

// The files a report or a list is written to.
enum class Format { Pdf, Xlsx, Csv };

// The extension of the format's files, without its dot: "xlsx".
QString extensionOf(Format format);

// Writes the table as a spreadsheet, XLSX or CSV, at the path (writeWhole). Returns why it
// failed, or the empty text. A PDF needs the windows' library: reportprint.h.
QString writeTable(const Table &table, Format format, const QString &path, Existing existing);

} // namespace reports
