#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Windows-1251, the single-byte code page of the database, the settings file and the RTF file.
// Every one of its bytes stands for exactly one character, so lengths and positions agree.
namespace win1251 {

QString decode(const char *bytes, qsizetype size);
QString decode(const QByteArray &bytes);

// The bytes of the text, or nothing when a character has no place in the code page
// (an emoji, a Chinese character, a surrogate half).
std::optional<QByteArray> encode(const QString &text);

bool canEncode(const QString &text);
// Index of the first character the code page cannot hold, or -1.
qsizetype firstUnencodable(const QString &text);

} // namespace win1251
