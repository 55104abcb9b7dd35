#pragma once

class QWidget;

// What every sizeable dialog of the program looks like: a title bar with the minimise, maximise
// and close boxes, and the 11-pixel font its design sizes are made for.
void setUpSizeableDialog(QWidget *dialog);

// A dialog whose title bar has the minimise and close boxes but no maximise box, in the same
// font; it may still be sized by its border unless its size is fixed.
void setUpMinimizableDialog(QWidget *dialog);
