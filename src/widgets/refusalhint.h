#pragma once

#include <QString>

class QLabel;
class QWidget;

// Tells, in a hint next to the control (at the caret of a text box), why what was typed or
// pasted into the field was refused: "Жалобы: знака «≠» нет в кодировке Windows-1251".
void tellRefused(QWidget *control, const QString &field, const QString &reason);

// The name a label gives its box, without the access key and the colon: "Жалобы".
QString fieldName(const QLabel *label);
