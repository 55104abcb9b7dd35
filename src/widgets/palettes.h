#pragma once

#include <QList>
#include <QPalette>
#include <QString>

// The colours of the program come from the desktop's palette. What this adds: a dark palette for
// a desktop that gives Qt none (VENTREL_PALETTE=dark), and a check that every pair of a text
// colour and the background the program draws it on stays readable.
namespace palettes {

// A text colour role drawn on a background role, as the program's controls draw them.
struct TextPair {
    QPalette::ColorRole text;
    QPalette::ColorRole background;
    const char *where;
};
// Every such pair the program uses, in the order it mends them.
const QList<TextPair> &textPairs();

// The palette with the background of each pair moved away from its text (darker under light
// text, lighter under dark text) until they reach `minimum` : 1, in the active and the inactive
// group; a palette that reads well stays as it is.
QPalette readable(QPalette palette, double minimum = 4.5);

// A dark palette for the Fusion style, readable by the pairs above.
QPalette dark();

// The program's palette, by the choice VENTREL_PALETTE makes: "dark" gives the dark one, "light"
// the Fusion style's own (both with the Fusion style, which draws with the palette alone);
// otherwise the desktop's palette stays, mended as `readable` mends it where it needs to be.
void applyToApplication(const QString &choice);

} // namespace palettes
