#pragma once

#include <QString>

class QComboBox;
class QWidget;

// Hints of controls. A hint may hold a short part and a long part separated by "|": the short
// part is the control's tooltip, the long part the text the program's hint handler and status
// line see (the whole hint when it has no "|").
void setHint(QWidget *control, const QString &hint);

// Every control of the window shows the hint its .ui gives it (the property "hint"), as
// setHint; and every label shows its whole hint as a tooltip, a "|" turned into a line break.
// Combo boxes get the names a screen reader reads them by (labelComboBox).
void showHints(QWidget *window);

// A screen reader names a combo box by the label that names it: its own name is the text in it.
// A combo box without such a label gets one that is never shown, with the box's accessible name
// (the .ui's); the line of an editable box takes the box's name too, as it is read on its own.
void labelComboBox(QComboBox *box);
