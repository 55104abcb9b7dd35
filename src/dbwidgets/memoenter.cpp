#include "dbwidgets/memoenter.h"

#include "support/controltrim.h"

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
