#pragma once

#include <QString>

class QWidget;

// Hints of controls. A hint may hold a short part and a long part separated by "|": the short
// part is the control's tooltip, the long part the text the program's hint handler and status
// line see (the whole hint when it has no "|").
void setHint(QWidget *control, const QString &hint);

// For the windows whose labels carry two-part hints: every label of the window shows its whole
// hint as a tooltip, the "|" turned into a line break.
void convertLabelHints(QWidget *window);
