#pragma once

class QWidget;

// Every labelled text box of the window (a line edit kept to the code page, a memo) tells beside
// itself, named by its label, why what was typed or pasted into it was refused.
void tellRefusalsOfLabelledBoxes(QWidget *window);
