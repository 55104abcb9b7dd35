#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Geometry of the main window that follows its size: the row of the search box and the two
// buttons, the patient list below it, and the address drawn beside a patient's name.
namespace mainlayout {

struct Places {
    QRect search, add, exit, list;
    bool addVisible = true;
    bool exitVisible = true;
};

// The sizes at design. A caption that needs more in the font in use widens its button to the
// left; a larger font makes the search box wider and the buttons higher, and the list starts
// below them.
constexpr int kAddWidth = 113;
constexpr int kExitWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kSearchWidth = 241;

// The places for a client area (the part between the menu bar and the status bar). The search
// box stays put; the buttons keep their distance from the right edge ("Выход" 5 pixels, the
// other 5 pixels left of it) and show only while they clear the search box by more than 2
// pixels, so at the design sizes "Добавить пациента" goes below 450 pixels of width and "Выход"
// below 332. The list starts 40 pixels down, or 7 pixels below the taller of the search box
// and the buttons when they reach further.
Places placesFor(const QSize &clientArea, int searchHeight, int addWidth = kAddWidth,
                 int exitWidth = kExitWidth, int buttonHeight = kButtonHeight,
                 int searchWidth = kSearchWidth);

// Where an address of the given size is drawn in a list cell whose patient name ends
// `nameWidth` pixels after the cell's left edge (its text margin included): right-aligned 2 pixels
// before the cell's right edge when it fits there, otherwise 8 pixels after the name; 3 pixels
// above the cell's bottom.
QPoint addressPosition(const QRect &cell, int nameWidth, const QSize &address);

} // namespace mainlayout
