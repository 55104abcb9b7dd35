#pragma once

#include <QString>

// Typed text as a string literal of a statement: in single quotes, every apostrophe doubled, so
// that a surname such as О'Нил is looked for as written and can never end the literal early.
QString sqlStringLiteral(const QString &text);
