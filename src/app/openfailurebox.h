#pragma once

#include <QString>

class DbError;
class QWidget;

// Tells why the register could not be opened: which file and why in the user's words, the
// engine's own text behind the box's details. A register cut short or spoilt may open and fail
// only at its first read: it is told like a file that does not open.
void tellOpenFailure(QWidget *window, const QString &file, bool connected, const DbError &error);
