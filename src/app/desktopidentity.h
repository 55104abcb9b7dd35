#pragma once

// Tells the desktop which program the windows belong to: the desktop entry they come from (so
// that the task bar groups them under the menu's entry) and the program's icon.
void introduceToDesktop();
