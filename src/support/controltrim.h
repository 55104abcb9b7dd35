#pragma once

#include <QString>

// The text without the characters of code 32 or less at either end (spaces, line breaks, tabs
// and the other control characters); white space inside stays.
QString trimmedOfControls(const QString &text);
