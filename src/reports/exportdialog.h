#pragma once

#include "reports/exportfile.h"

#include <QList>
#include <QString>

#include <optional>

class Connection;
class QWidget;

namespace reports {

struct SaveTarget {
    QString path;
    Format format;
};

// Asks in the standard save dialog where to write a file of one of the formats: it offers
// `stem` with the first format's extension in the folder written to last in this run (the
// user's documents at first) and asks before replacing a file. Nothing when the user cancelled.
std::optional<SaveTarget> askWhereToSave(QWidget *parent, const QString &caption,
                                         const QString &stem, const QList<Format> &formats);

// Tells the user that the file was not written, and why.
void tellNotSaved(QWidget *parent, const QString &path, const QString &failure);

// "Экспорт списка...": the patients the main list's statement chooses, read again as committed
// now, written to a spreadsheet, Excel or CSV, where the user says. `caption` names the list
// (the main window's status text). A refusal of the database is shown.
void exportPatientList(QWidget *parent, Connection &connection, const QString &listSql,
                       const QString &caption);

} // namespace reports
