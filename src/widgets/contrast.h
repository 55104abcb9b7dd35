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

} // namespace contrast
