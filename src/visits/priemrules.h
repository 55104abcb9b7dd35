#pragma once

#include <QDate>
#include <QRect>
#include <QSize>
#include <QString>

// The rules of the visit card editor that need no widget: Enter in its memos, the numbered
// recommendations, the quick dates, the checks before saving, and how the window shares its
// room among its two columns and three bands.
namespace priemrules {

// What an empty recommendations box holds as soon as it is entered.
inline const QString kFirstRecommendation = QStringLiteral("1. ");

// The quick dates of the date box's menu: "Сегодня", "Вчера", "Позавчера".
enum class QuickDay { Today, Yesterday, DayBeforeYesterday };
QDate quickDate(QuickDay day, QDate today);

// What stops saving a visit, checked in this order.
enum class VisitProblem {
    None,
    NoDate,      // the date box is empty
    PartialDate, // the date box holds a date typed only in part, or a day that does not exist
    NoDoctor,
    // a diagnosis row holds a note but no diagnosis: saved, the row would go with its note
    NoteWithoutDiagnosis,
};
// `dateComplete` is false while the date box holds a date typed only in part.
VisitProblem checkVisit(const QString &dateText, bool dateComplete, const QString &doctorText);
// The title that tells the user what to mend.
QString problemTitle(VisitProblem problem);

// Where the controls that move with the window's size stand, in client coordinates. The layout
// keeps what the rules do not name: the left edges of the date and doctor boxes and of OK and
// Cancel, the tops of the diagnoses, the complaints and its label, the heights of the labels and
// the buttons, the widths of the buttons.
struct PriemGeometry {
    QRect dbgDiagnoz, lbStatus, dbmStatus, lbRekomend, dbmRekomend;
    QRect lbZhaloba, dbmZhaloba, lbObsled, dbmObsled, lbAnamnez, dbmAnamnez, dbgVmeshat;
    QRect btOK, btCancel, btPrint, btAdd, btAddCopy, sbtHelp, sbtPrev, sbtNext;
    // "Сп&равка" and "<< Ра&нее" are shown only while the bottom row has room for help.
    bool helpAndPrevShown = true;
    // "Пе&чать" is shown only while it has room between "Отмена" and the right column.
    bool printShown = true;
};
// Shares a client area among the two columns and the three bands: the bottom row of buttons 4
// pixels above the bottom, two columns of equal width, three bands of equal height on the left
// (diagnoses, status, recommendations to the bottom) and beside them the complaints, the
// examination, and the anamnesis over the interventions. Divisions drop the fraction.
PriemGeometry layOutPriem(PriemGeometry at, QSize client);

// The controls the layout moves, by their names, and where each stands in PriemGeometry.
struct PlacedControl {
    const char *name;
    QRect PriemGeometry::*rect;
};
inline constexpr PlacedControl kPlacedControls[] = {
    {"dbgDiagnoz", &PriemGeometry::dbgDiagnoz},
    {"lbStatus", &PriemGeometry::lbStatus},
    {"dbmStatus", &PriemGeometry::dbmStatus},
    {"lbRekomend", &PriemGeometry::lbRekomend},
    {"dbmRekomend", &PriemGeometry::dbmRekomend},
    {"lbZhaloba", &PriemGeometry::lbZhaloba},
    {"dbmZhaloba", &PriemGeometry::dbmZhaloba},
    {"lbObsled", &PriemGeometry::lbObsled},
    {"dbmObsled", &PriemGeometry::dbmObsled},
    {"lbAnamnez", &PriemGeometry::lbAnamnez},
    {"dbmAnamnez", &PriemGeometry::dbmAnamnez},
    {"dbgVmeshat", &PriemGeometry::dbgVmeshat},
    {"btOK", &PriemGeometry::btOK},
    {"btCancel", &PriemGeometry::btCancel},
    {"btPrint", &PriemGeometry::btPrint},
    {"btAdd", &PriemGeometry::btAdd},
    {"btAddCopy", &PriemGeometry::btAddCopy},
    {"sbtHelp", &PriemGeometry::sbtHelp},
    {"sbtPrev", &PriemGeometry::sbtPrev},
    {"sbtNext", &PriemGeometry::sbtNext},
};

} // namespace priemrules
