#pragma once

#include <QString>

class Dataset;
class QWidget;
class SharedData;

// Before a row being edited is saved over a newer change another workstation saved meanwhile:
// asks whether to save over it. True when the row may be saved (nobody else changed it, the
// register is a file on this computer, or the user said so); a refusal of the database while
// looking is told and counts as no.
bool mayOverwriteOthers(QWidget *window, SharedData &data, Dataset &rows, const QString &question);
