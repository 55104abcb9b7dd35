#pragma once

class QWidget;

// What every sizeable dialog of the program looks like: a title bar with the minimise, maximise
// and close boxes, and the 11-pixel font its design sizes are made for (larger with a larger
// desktop font, see fontgrowth).
void setUpSizeableDialog(QWidget *dialog);

// A dialog whose title bar has the minimise and close boxes but no maximise box, in the same
// font; it may still be sized by its border unless its size is fixed.
void setUpMinimizableDialog(QWidget *dialog);

// A box that failed a check is painted red until it is edited or its window is shown again; the
// red is darkened where the palette's text is light, so that what the box holds stays readable.
void paintFailed(QWidget *box, bool failed);
