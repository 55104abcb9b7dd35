#pragma once

class QWidget;

// What every sizeable dialog of the program looks like: a title bar with the minimise, maximise
// and close boxes, and the 11-pixel font its design sizes are made for.
void setUpSizeableDialog(QWidget *dialog);

// The same for a dialog of fixed size (its layout fixes the size): the minimise and close boxes
// only.
void setUpFixedSizeDialog(QWidget *dialog);
