#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

// What typed or pasted text becomes on its way into a field of the Windows-1251 code page. Common
// signs the code page lacks take their plain equivalents (≥ ">=", ½ "1/2", × "x"); any other
// character it lacks refuses the whole input, so that nothing is dropped from the middle of a dose
// or a number without a word.
namespace win1251 {

// A sign the code page lacks and the plain text that stands for it.
struct PlainSign {
    char32_t sign;
    QStringView plain;
    // A fraction such as ½ is set apart from a number before it: "1½" is "1 1/2", not "11/2".
    bool fraction = false;
};
std::span<const PlainSign> plainSigns();

struct Input {
    QString text;        // the input with every sign of plainSigns() replaced
    QStringList refused; // characters with neither a place in the code page nor a plain sign,
                         // each once, in the order they first occur
};
// Letters written as a base and a combining mark ("и" and a breve) are joined first ("й").
// `before` is the character the input goes after, so that a fraction typed after a number is set
// apart from it as well.
Input adaptInput(const QString &typed, QChar before = QChar());

// Why input holding the refused characters was not taken, naming every one of them.
QString refusalReason(const QStringList &refused);

} // namespace win1251
