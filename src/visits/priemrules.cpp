#include "visits/priemrules.h"

#include "support/controltrim.h"

namespace priemrules {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// The one-digit number a line begins with, when "." follows it; -1 otherwise.
int listNumber(const QString &line) {
    if (line.size() < 2 || line.at(1) != u'.')
        return -1;
    const char16_t first = line.at(0).unicode();
    return first >= u'0' && first <= u'9' ? int(first - u'0') : -1;
}

// Whether a line holds a list number and nothing after it ("4. "): one or two digits, as the
// numbering goes up to 10, then "." and blanks only.
bool isEmptyListLine(const QString &line) {
    const qsizetype dot = line.indexOf(u'.');
    if (dot < 1 || dot > 2)
        return false;
    for (qsizetype k = 0; k < dot; ++k) {
        if (line.at(k) < u'0' || line.at(k) > u'9')
            return false;
    }
    for (qsizetype k = dot + 1; k < line.size(); ++k) {
        if (line.at(k).unicode() > 32)
            return false;
    }
    return true;
}

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

MemoEnter memoEnter(const QString &text, bool caretAtEnd, bool numbered) {
    if (!caretAtEnd)
        return {};
    if (text.isEmpty() || text.endsWith(kLineBreak))
        return {MemoEnter::Action::Leave, trimmedOfControls(text)};
    if (!numbered)
        return {};
    const qsizetype lastBreak = text.lastIndexOf(u'\n');
    const QString lastLine = text.mid(lastBreak + 1);
    // A number with nothing after it is no recommendation: it goes, with the line break before
    // it, and the box is left as from an empty last line.
    if (isEmptyListLine(lastLine))
        return {MemoEnter::Action::Leave,
                trimmedOfControls(text.left(qMax(lastBreak, qsizetype(0))))};
    const int number = listNumber(lastLine);
    if (number < 0)
        return {};
    return {MemoEnter::Action::Number,
            text + kLineBreak + QString::number(number + 1) + QStringLiteral(". ")};
}

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
    const int right = width + 12;
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
