#pragma once

#include <QString>

// Joins lines that were broken inside a sentence: a CR LF pair that follows a small Cyrillic
// letter, a comma, a hyphen or a colon and is followed by a small Cyrillic letter becomes one
// space. Breaks after a full stop, a digit or a capital, before a capital, a digit or a Latin
// letter, at the very start and at the very end of the text stay. A lone CR or LF is never touched.
QString JoinBrokenLines(const QString &text);
