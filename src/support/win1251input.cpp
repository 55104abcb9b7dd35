#include "support/win1251input.h"

#include "support/win1251codec.h"

namespace win1251 {

namespace {

// Signs met in notes copied from other programs: comparison and fractions in doses and
// temperatures, the multiplication sign of counts ("6×10"), the minus and hyphens of word
// processors, arrows, typographic spaces and invisible joiners (these stand for nothing and go).
// Dashes, typographic quotes, "…", "№", "±", "°" and the no-break space are in the code page.
constexpr PlainSign kPlainSigns[] = {
    {U'≥', u">="},        {U'≤', u"<="},        {U'⩾', u">="},
    {U'⩽', u"<="},        {U'≈', u"~"},         {U'½', u"1/2", true},
    {U'⅓', u"1/3", true}, {U'⅔', u"2/3", true}, {U'¼', u"1/4", true},
    {U'¾', u"3/4", true}, {U'⁄', u"/"},                       // fraction slash
    {U'∕', u"/"},                                             // division slash
    {U'×', u"x"},         {U'⋅', u"·"},                       // dot operator
    {U'∙', u"·"},                                             // bullet operator
    {U'−', u"-"},                                             // minus sign
    {U'‐', u"-"},                                             // hyphen
    {U'‑', u"-"},                                             // non-breaking hyphen
    {U'‒', u"-"},                                             // figure dash
    {U'―', u"—"},                                             // horizontal bar
    {U'→', u"->"},        {U'←', u"<-"},        {U'μ', u"µ"}, // Greek mu as the micro sign: "μг"
    {U'℃', u"°C"},        {U'\u2002', u" "},                  // en space
    {U'\u2003', u" "},                                        // em space
    {U'\u2004', u" "},    {U'\u2005', u" "},    {U'\u2006', u" "},
    {U'\u2007', u" "},                       // figure space
    {U'\u2008', u" "},    {U'\u2009', u" "}, // thin space
    {U'\u200A', u" "},                       // hair space
    {U'\u202F', u" "},                       // narrow no-break space, as in "10 000"
    {U'\u200B', u""},                        // zero width space
    {U'\u200C', u""},                        // zero width non-joiner
    {U'\u200D', u""},                        // zero width joiner
    {U'\u2060', u""},                        // word joiner
    {U'\uFEFF', u""},                        // byte order mark
};

const PlainSign *plainSignOf(char32_t c) {
    for (const PlainSign &sign : kPlainSigns) {
        if (sign.sign == c)
            return &sign;
    }
    return nullptr;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

std::span<const PlainSign> plainSigns() {
    return kPlainSigns;
}

Input adaptInput(const QString &typed, QChar before) {
    if (canEncode(typed))
        return {typed, {}};
    const QString text = typed.normalized(QString::NormalizationForm_C);
    Input input;
    input.text.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        const char32_t code =
            pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        i += character.size();
        if (canEncode(character)) {
            input.text += character;
        } else if (const PlainSign *sign = plainSignOf(code)) {
            if (sign->fraction && isDigit(input.text.isEmpty() ? before : input.text.back()))
                input.text += u' ';
            input.text += sign->plain;
        } else if (!input.refused.contains(character)) {
            input.refused << character;
        }
    }
    return input;
}

QString refusalReason(const QStringList &refused) {
    QStringList quoted;
    for (const QString &character : refused)
        quoted << QStringLiteral("«%1»").arg(character);
    return (refused.size() == 1 ? QStringLiteral("знака %1 нет в кодировке Windows-1251")
                                : QStringLiteral("знаков %1 нет в кодировке Windows-1251"))
        .arg(quoted.join(QStringLiteral(", ")));
}

} // namespace win1251
