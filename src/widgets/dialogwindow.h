#pragma once

class QWidget;

// What every sizeable dialog of the program looks like: a title bar with the minimise, maximise
// and close boxes, and the 11-pixel font its design sizes are made for.
void setUpSizeableDialog(QWidget *dialog);
