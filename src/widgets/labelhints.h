#pragma once

#include <QString>

class QWidget;

// Hints of controls. A hint may hold a short part and a long part separated by "|": the short
// part is the control's tooltip, the long part the text the program's hint handler and status
// line see (the whole hint when it has no "|").
void setHint(QWidget *control, const QString &hint);

// Every control of the window shows the hint its .ui gives it (the property "hint"), as
// setHint; and every label shows its whole hint as a tooltip, a "|" turned into a line break.
void showHints(QWidget *window);
