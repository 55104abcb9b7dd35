#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

// The windows are designed for an ordinary desktop font, their own text 11 pixels high. A desktop
// whose font is larger (a doctor with weak sight sets 14 pt) grows the windows' text in the same
// proportion, and with it the lengths of the windows laid out by arithmetic; at an ordinary font
// nothing changes.
namespace fontgrowth {

// How much larger than ordinary the application's font is: 1 up to 13 pixels (10 pt at 96 dots
// an inch), in proportion above.
double factor();

// A design length grown in that proportion (rounded); the same length at an ordinary font.
int grown(int length);
QSize grown(const QSize &size);
QRect grown(const QRect &rect);

// `font` at the design's pixel size, grown.
QFont designFont(QFont font, int pixels);
// `font` at the design's point size, grown.
QFont designPointFont(QFont font, double points);

// Grows a window's design size and minimum size with the font, once; its minimum is never less
// than what its layout needs (a window of a fixed size stays fixed, at the larger size). The
// design sizes are the window's own unless given (taken before its controls grew).
void growWindow(QWidget *window);
void growWindow(QWidget *window, const QSize &designSize, const QSize &designMinimum);
// What the window's layout needs at the least, its margins included; nothing without a layout.
QSize layoutMinimum(const QWidget *window);

// Grows the limits the design puts on the controls of a window (a least width, a greatest one)
// in the same proportion. Called once, right after the window's .ui is set up.
void growControlLimits(QWidget *window);

// Grows the controls of a window laid out by arithmetic: the place and size of each of its
// direct children. Nothing at an ordinary font.
void growControls(QWidget *window);

} // namespace fontgrowth
