#pragma once

#include <QString>

// How the window of the opened program should appear. The desktop's opener decides in the end;
// the mode is passed on where the platform can take it.
enum class ShowMode { Normal, Maximized };

// Opens a document or an address (http:, mailto:, ...) with the program the desktop associates
// with it, showing the busy cursor meanwhile. A target without a scheme is a file path. Whether
// anything opened is not reported.
void OpenWithShell(const QString &target, ShowMode mode = ShowMode::Normal);
