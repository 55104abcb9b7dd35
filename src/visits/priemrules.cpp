#include "visits/priemrules.h"

namespace priemrules {

namespace {

// Integer division as the layout wants it: the fraction dropped.
int part(int whole, int parts) {
    return whole / parts;
}

int rightOf(const QRect &r) {
    return r.x() + r.width();
}

int bottomOf(const QRect &r) {
    return r.y() + r.height();
}

} // namespace

QDate quickDate(QuickDay day, QDate today) {
    switch (day) {
    case QuickDay::Today:
        return today;
    case QuickDay::Yesterday:
        return today.addDays(-1);
    case QuickDay::DayBeforeYesterday:
        return today.addDays(-2);
    }
    return today;
}

VisitProblem checkVisit(const QString &dateText, bool dateComplete, const QString &doctorText) {
    if (!dateComplete)
        return VisitProblem::PartialDate;
    if (dateText.isEmpty())
        return VisitProblem::NoDate;
    if (doctorText.isEmpty())
        return VisitProblem::NoDoctor;
    return VisitProblem::None;
}

QString problemTitle(VisitProblem problem) {
    switch (problem) {
    case VisitProblem::NoDate:
        return QStringLiteral("Заполните дату приёма");
    case VisitProblem::PartialDate:
        return QStringLiteral("Проверьте дату приёма");
    case VisitProblem::NoDoctor:
        return QStringLiteral("Выберите врача");
    case VisitProblem::NoteWithoutDiagnosis:
        return QStringLiteral("Выберите диагноз к примечанию");
    case VisitProblem::None:
        break;
    }
    return QString();
}

PriemGeometry layOutPriem(PriemGeometry at, QSize client) {
    const int clientWidth = client.width();
    const int clientHeight = client.height();
    const int gridLeft = at.dbgDiagnoz.x();
    const int bandTop = at.dbgDiagnoz.y();
    const int labelHeight = at.lbZhaloba.height();

    // The bottom row.
    const int rowTop = clientHeight - at.btOK.height() - 4;
    for (QRect *button :
         {&at.btOK, &at.btCancel, &at.btAdd, &at.btAddCopy, &at.sbtHelp, &at.btPrint})
        button->moveTop(rowTop);

    // Two columns of equal width.
    const int width = part(clientWidth - 2 * gridLeft, 2);
    for (QRect *box : {&at.dbgDiagnoz, &at.dbmStatus, &at.dbmRekomend, &at.dbmZhaloba,
                       &at.dbmObsled, &at.dbmAnamnez, &at.dbgVmeshat})
        box->setWidth(width);
    const int right = gridLeft + width + 4; // 4 pixels between the columns
    for (QRect *box : {&at.dbmZhaloba, &at.dbmObsled, &at.dbmAnamnez, &at.dbgVmeshat, &at.lbZhaloba,
                       &at.lbObsled, &at.lbAnamnez})
        box->moveLeft(right);

    // The buttons of the right column, and print at the right of the left one.
    at.btAdd.moveLeft(right);
    at.btAddCopy.moveLeft(rightOf(at.btAdd) + 4);
    at.sbtHelp.moveLeft(right + width - at.sbtHelp.width());
    at.sbtNext.moveLeft(right + width - at.sbtHelp.width());
    at.sbtPrev.moveLeft(at.sbtNext.x() - at.sbtNext.width() - 4);
    at.btPrint.moveLeft(rightOf(at.dbmRekomend) - at.btPrint.width());
    at.helpAndPrevShown = rightOf(at.btAddCopy) + 4 < at.sbtHelp.x();
    at.printShown = at.btPrint.x() >= rightOf(at.btCancel) + 4;

    // Three bands of equal height on the left.
    const int band = part(rowTop - bandTop - 3 * labelHeight, 3);
    at.dbgDiagnoz.setHeight(band);
    at.dbmStatus.setHeight(band);
    at.dbmObsled.setHeight(at.dbgDiagnoz.height());
    at.lbStatus.moveTop(bottomOf(at.dbgDiagnoz));
    at.dbmStatus.moveTop(bottomOf(at.lbStatus));
    at.lbRekomend.moveTop(bottomOf(at.dbmStatus));
    at.dbmRekomend.moveTop(bottomOf(at.lbRekomend));
    at.dbmRekomend.setHeight(rowTop - at.dbmRekomend.y() - 4);

    // The right column beside them.
    at.dbmZhaloba.setHeight(bottomOf(at.dbgDiagnoz) - at.dbmZhaloba.y());
    at.lbObsled.moveTop(at.lbStatus.y());
    at.dbmObsled.moveTop(at.dbmStatus.y());
    at.lbAnamnez.moveTop(at.lbRekomend.y());
    at.dbmAnamnez.moveTop(at.dbmRekomend.y());
    at.dbmAnamnez.setHeight(part(2 * at.dbmRekomend.height(), 5) - 2);
    at.dbgVmeshat.moveTop(bottomOf(at.dbmAnamnez) + 4);
    at.dbgVmeshat.setHeight(rowTop - at.dbgVmeshat.y() - 4);
    return at;
}

} // namespace priemrules
