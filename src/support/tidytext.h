#pragma once

#include <QString>

// Puts the typography of a doctor's free text in order before it is shown in the card viewer or
// printed in the outpatient card: spaces around punctuation, brackets and quotation marks, the
// number sign, years and year ranges, units written against numbers, and a fixed list of
// abbreviations. The stored text is never changed: callers tidy a copy, then pass the result
// through JoinBrokenLines.
//
// The result depends only on the text; any text is accepted, whatever it contains.
QString TidyText(const QString &text);
