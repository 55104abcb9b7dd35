#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// The four reports of the menu "Отчёты" are one window, one set of exports and one command told
// apart by this table, as the three reference books are.
namespace reports {

enum class Kind { VisitsByDoctor, Diagnoses, Patients, Journal };

struct Config {
    Kind kind;
    QString windowName; // the window object and its settings section: "fmRepVisits"
    QString menuName;   // the item of the menu "Отчёты": "mmRepVisits"
    QString caption;    // the window's caption, the report's title and its files' names
    QString command;    // the name after --report: "visits-by-doctor"
    bool byDoctor;      // a doctor may be chosen; all doctors otherwise
    bool chart;         // a chart goes with the table
};

const Config &config(Kind kind);
// The reports in the order of the menu.
QList<Kind> kinds();
// The report a command line names, or none.
std::optional<Kind> kindOfCommand(const QString &command);

// What a report is made for: a period of visit dates, both days included, and a doctor.
struct Parameters {
    Kind kind = Kind::VisitsByDoctor;
    QDate first, last;
    std::optional<int> doctor; // D_ID; none: every doctor
    QString doctorName;        // how the report's heading names the doctor
};

} // namespace reports
