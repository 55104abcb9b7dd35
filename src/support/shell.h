#pragma once

#include <QString>

// How the window of the opened program should appear. The desktop's opener decides in the end;
// the mode is passed on where the platform can take it.
enum class ShowMode { Normal, Maximized };

// Opens a document or an address (http:, mailto:, ...) with the program the desktop associates
// with it, showing the busy cursor meanwhile. A target without a scheme is a file path. False
// when the desktop could not even be asked (the desktop's opener itself may still fail later);
// the web site and the letter do not report it, the card handed to the word processor does.
bool OpenWithShell(const QString &target, ShowMode mode = ShowMode::Normal);
