#pragma once

#include <QChar>

// The letter classes of the Windows-1251 code page, on the Unicode characters that stand for its
// bytes: Cyrillic capitals А…Я and Ё, small letters а…я and ё, Latin A…Z and a…z. Other Cyrillic
// letters of the code page (Ukrainian, Belarusian, Serbian) belong to no class.
//
// The functions take a char32_t so that a value outside Unicode (kNoChar) can stand for "no
// character here", for example a position before the start of a text; it belongs to no class.
namespace letters {

inline constexpr char32_t kNoChar = 0x110000;

constexpr bool isDigit(char32_t c) {
    return c >= u'0' && c <= u'9';
}
constexpr bool isLatin(char32_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
// А…Я without Ё.
constexpr bool isPlainCyrillicCapital(char32_t c) {
    return c >= u'А' && c <= u'Я';
}
constexpr bool isCyrillicCapital(char32_t c) {
    return isPlainCyrillicCapital(c) || c == u'Ё';
}
constexpr bool isCyrillicSmall(char32_t c) {
    return (c >= u'а' && c <= u'я') || c == u'ё';
}
constexpr bool isCyrillic(char32_t c) {
    return isCyrillicCapital(c) || isCyrillicSmall(c);
}
constexpr bool isLetter(char32_t c) {
    return isLatin(c) || isCyrillic(c);
}

// The capital of a small Cyrillic letter (ё gives Ё); any other character is returned as it is.
constexpr char32_t cyrillicCapital(char32_t c) {
    if (c == u'ё')
        return u'Ё';
    return (c >= u'а' && c <= u'я') ? c - (u'а' - u'А') : c;
}
// The small letter of a Cyrillic capital (Ё gives ё); any other character is returned as it is.
constexpr char32_t cyrillicSmall(char32_t c) {
    if (c == u'Ё')
        return u'ё';
    return isPlainCyrillicCapital(c) ? c + (u'а' - u'А') : c;
}

inline bool isDigit(QChar c) {
    return isDigit(char32_t(c.unicode()));
}
inline bool isLatin(QChar c) {
    return isLatin(char32_t(c.unicode()));
}
inline bool isPlainCyrillicCapital(QChar c) {
    return isPlainCyrillicCapital(char32_t(c.unicode()));
}
inline bool isCyrillicCapital(QChar c) {
    return isCyrillicCapital(char32_t(c.unicode()));
}
inline bool isCyrillicSmall(QChar c) {
    return isCyrillicSmall(char32_t(c.unicode()));
}
inline bool isCyrillic(QChar c) {
    return isCyrillic(char32_t(c.unicode()));
}
inline bool isLetter(QChar c) {
    return isLetter(char32_t(c.unicode()));
}
inline QChar cyrillicCapital(QChar c) {
    return QChar(char16_t(cyrillicCapital(char32_t(c.unicode()))));
}
inline QChar cyrillicSmall(QChar c) {
    return QChar(char16_t(cyrillicSmall(char32_t(c.unicode()))));
}

} // namespace letters
