#pragma once

#include <QColor>

// Colours for text read against a background, as the desktop's palette gives them.
namespace contrast {

// The contrast ratio of two colours, 1 to 21, from their relative luminance (WCAG 2).
double ratio(const QColor &one, const QColor &other);

// Text drawn less prominently than `text` on `background` (an address beside a name): mixed
// towards the background as far as it stays readable, at least `minimum` : 1 against it. Text
// that is no more than that readable to begin with stays as it is.
QColor dimmedText(const QColor &text, const QColor &background, double minimum = 4.5);

// A background for `text` as near `background` as reads at `minimum` : 1 against it: moved
// towards black under light text, towards white under dark text; the background itself when
// it reads well.
QColor readableBackground(const QColor &text, const QColor &background, double minimum = 4.5);

// The background of a box that failed a check: red, darkened as far as light text needs (a dark
// palette) to read on it.
QColor failedBackground(const QColor &text);

} // namespace contrast
