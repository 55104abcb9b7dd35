#include "support/tidytext.h"

#include "support/letters.h"

#include <QList>
#include <QStringView>

#include <array>
#include <initializer_list>

using letters::isCyrillic;
using letters::isCyrillicCapital;
using letters::isCyrillicSmall;
using letters::isDigit;
using letters::isLatin;
using letters::isLetter;
using letters::isPlainCyrillicCapital;
using letters::kNoChar;

namespace {

constexpr char16_t kNumberSign = u'№';
constexpr char16_t kLeftQuotationMark = u'\u201C';
constexpr char16_t kLeftGuillemet = u'\u00AB';
constexpr char16_t kSmallGe = u'г';

bool oneOf(char32_t c, std::initializer_list<char16_t> set) {
    for (char16_t s : set) {
        if (c == s)
            return true;
    }
    return false;
}

// Where what occurs in s at or after index from, or -1. The search looks for the pattern's
// character at index anchor and compares the rest around it.
qsizetype indexIn(QStringView s, QStringView what, qsizetype from, qsizetype anchor) {
    for (qsizetype at = from + anchor; at < s.size(); ++at) {
        at = s.indexOf(what[anchor], at);
        if (at < 0 || s.size() - (at - anchor) < what.size())
            return -1;
        if (s.sliced(at - anchor, what.size()) == what)
            return at - anchor;
    }
    return -1;
}

// The same, anchored on the pattern's least common kind of character in notes (punctuation
// before letters before spaces).
qsizetype indexIn(QStringView s, QStringView what, qsizetype from) {
    qsizetype anchor = 0;
    const auto rank = [](QChar c) { return c == u' ' ? 2 : c.isLetter() ? 1 : 0; };
    for (qsizetype k = 1; k < what.size(); ++k) {
        if (rank(what[k]) < rank(what[anchor]))
            anchor = k;
    }
    return indexIn(s, what, from, anchor);
}

// How often each character of the fixed patterns (ASCII, basic Cyrillic, the number sign) occurs
// in a text: a pattern with a character the text lacks need not be searched for, and the others
// are searched for by their rarest character.
class CharacterCounts {
public:
    explicit CharacterCounts(QStringView s) { recount(s); }

    void recount(QStringView s) {
        counts_.fill(0);
        for (QChar c : s) {
            if (const int k = slot(c); k >= 0)
                ++counts_[k];
        }
    }
    // Index in what of its rarest character, or -1 when the text lacks one of them.
    qsizetype rarest(QStringView what) const {
        qsizetype best = -1;
        int bestCount = 0;
        for (qsizetype k = 0; k < what.size(); ++k) {
            const int at = slot(what[k]);
            const int count = at >= 0 ? counts_[at] : 1;
            if (count == 0)
                return -1;
            if (best < 0 || count < bestCount) {
                best = k;
                bestCount = count;
            }
        }
        return best;
    }

private:
    static int slot(QChar c) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            return u;
        if (u >= 0x400 && u < 0x460)
            return 0x80 + (u - 0x400);
        return u == kNumberSign ? 0xE0 : -1;
    }
    std::array<int, 0xE1> counts_{};
};

// One left-to-right pass replacing every non-overlapping occurrence; letter case counts.
// Returns whether anything was replaced.
bool replaceAll(QString &s, QStringView what, QStringView by, qsizetype anchor) {
    qsizetype at = indexIn(s, what, 0, anchor);
    if (at < 0)
        return false;
    QString result;
    result.reserve(s.size());
    qsizetype done = 0;
    while (at >= 0) {
        result.append(QStringView(s).sliced(done, at - done)).append(by);
        done = at + what.size();
        at = indexIn(s, what, done, anchor);
    }
    result.append(QStringView(s).sliced(done));
    s = std::move(result);
    return true;
}

// The rules below address characters by position counted from 1. A position before the first or
// after the last character holds kNoChar, which equals no character and belongs to no class, so
// a rule may look at any neighbour without checking the length first.
class Text {
public:
    explicit Text(QString text) : s_(std::move(text)) {}

    qsizetype length() const { return s_.size(); }
    char32_t at(qsizetype k) const {
        return k >= 1 && k <= s_.size() ? char32_t(s_.at(k - 1).unicode()) : kNoChar;
    }
    void set(qsizetype k, char16_t c) {
        Q_ASSERT(k >= 1 && k <= s_.size());
        if (k >= 1 && k <= s_.size())
            s_[k - 1] = QChar(c);
    }
    // The new character takes position k; everything from k on moves one place right.
    void insert(qsizetype k, char16_t c) {
        Q_ASSERT(k >= 1 && k <= s_.size() + 1);
        s_.insert(qBound(qsizetype(0), k - 1, s_.size()), QChar(c));
    }
    // Removes up to count characters from position k on; positions outside the text are ignored.
    void remove(qsizetype k, qsizetype count = 1) {
        if (k >= 1 && k <= s_.size())
            s_.remove(k - 1, count);
    }
    // Position of the first occurrence at or after position from, or 0.
    qsizetype find(QStringView what, qsizetype from = 1) const {
        return indexIn(s_, what, qMax(qsizetype(0), from - 1)) + 1;
    }
    qsizetype find(char16_t what, qsizetype from = 1) const {
        return s_.indexOf(QChar(what), from - 1) + 1;
    }
    // The characters strictly between positions from and to.
    QString between(qsizetype from, qsizetype to) const { return s_.mid(from, to - from - 1); }
    QString &str() { return s_; }

private:
    QString s_;
};

bool isBlank(QChar c) {
    return c.unicode() <= 32;
}

// Removes leading and trailing characters with codes up to 32 (spaces, tabs, line breaks and
// other control characters).
QString trimmed(QStringView s) {
    qsizetype first = 0;
    qsizetype end = s.size();
    while (first < end && isBlank(s[first]))
        ++first;
    while (end > first && isBlank(s[end - 1]))
        --end;
    return s.mid(first, end - first).toString();
}

// Runs of spaces become one space (tabs and line breaks are left as they are).
void collapseSpaces(QString &s) {
    const QChar *c = s.constData();
    qsizetype first = 1;
    while (first < s.size() && !(c[first] == u' ' && c[first - 1] == u' '))
        ++first;
    if (first >= s.size())
        return;
    QChar *d = s.data();
    qsizetype to = first;
    for (qsizetype from = first; from < s.size(); ++from) {
        if (d[from] == u' ' && to > 0 && d[to - 1] == u' ')
            continue;
        d[to++] = d[from];
    }
    s.truncate(to);
}

void replaceRepeatedly(QString &s, QStringView what, QStringView by) {
    while (replaceAll(s, what, by, 0)) {
    }
}

bool isWholeNumber(QStringView s) {
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// The value of the four characters from position k on as a year, or 0 when they are not digits.
int fourDigitNumber(const Text &t, qsizetype k) {
    int value = 0;
    for (qsizetype j = k; j < k + 4; ++j) {
        const char32_t c = t.at(j);
        if (!isDigit(c))
            return 0;
        value = value * 10 + int(c - u'0');
    }
    return value;
}

// Whether the comma at position i belongs to a decimal number such as "38,5" or "5,": the longest
// stretch of spaces, commas and digits around it, spaces left out, has at least one digit, at most
// one comma and a value other than zero. Such a comma keeps no space after it.
bool commaInNumber(const Text &t, qsizetype i) {
    const auto inRun = [](char32_t c) { return c == u' ' || c == u',' || isDigit(c); };
    bool anyDigit = false;
    bool nonZero = false;
    const auto look = [&](char32_t c) {
        if (isDigit(c)) {
            anyDigit = true;
            nonZero = nonZero || c != u'0';
        }
    };
    // The comma at i is the run's one comma; meeting another one settles the answer.
    for (qsizetype k = i - 1; inRun(t.at(k)); --k) {
        if (t.at(k) == u',')
            return false;
        look(t.at(k));
    }
    for (qsizetype k = i + 1; inRun(t.at(k)); ++k) {
        if (t.at(k) == u',')
            return false;
        look(t.at(k));
    }
    return anyDigit && nonZero;
}

// Decimal numbers followed by a comma and a space keep their comma, and so does a decimal number
// that follows such a one: "т тела 37,2, язык", "38,5, 39,0". A decimal number is digits, its
// comma and digits, with a value other than zero and no comma against its first digit ("1,2,3" is
// a list of whole numbers). The scan would take the numbers of "38,5, 39,0" for one list, so the
// commas of such numbers stand aside during it as a character the text does not hold; the
// character is returned, 0 when there are none.
char16_t setListedDecimalsAside(QString &s) {
    const auto digit = [&s](qsizetype k) { return k >= 0 && k < s.size() && isDigit(s.at(k)); };
    const auto at = [&s](qsizetype k) { return k >= 0 && k < s.size() ? s.at(k) : QChar(); };
    QList<qsizetype> commas;
    qsizetype listEnd = -1; // the comma and space that end the last number kept so far
    for (qsizetype comma = s.indexOf(u','); comma >= 0; comma = s.indexOf(u',', comma + 1)) {
        if (!digit(comma - 1) || !digit(comma + 1))
            continue;
        qsizetype first = comma - 1;
        while (digit(first - 1))
            --first;
        qsizetype last = comma + 1;
        while (digit(last + 1))
            ++last;
        bool nonZero = false;
        for (qsizetype k = first; k <= last; ++k)
            nonZero = nonZero || (k != comma && s.at(k) != u'0');
        if (!nonZero || at(first - 1) == u',')
            continue;
        const bool listed = at(last + 1) == u',' && at(last + 2) == u' ';
        const bool afterListed = listEnd >= 0 && first == listEnd + 2 && at(last + 1) != u',';
        if (listed || afterListed)
            commas << comma;
        listEnd = listed ? last + 1 : -1;
    }
    if (commas.isEmpty())
        return 0;
    char16_t aside = 0xE000; // a private-use character
    while (aside < 0xF900 && s.contains(QChar(aside)))
        ++aside;
    if (aside == 0xF900)
        return 0;
    for (qsizetype comma : commas)
        s[comma] = QChar(aside);
    return aside;
}

// Numbers against words: a unit after a number of two or more digits ("10мг" -> "10 мг"), a
// number after a Cyrillic word ("рис1" -> "рис 1").
void tidyNumberAt(Text &t, qsizetype i) {
    const auto c = [&t](qsizetype k) { return t.at(k); };
    const char32_t here = c(i);
    if (isDigit(here)) {
        if (isDigit(c(i - 1)) && isCyrillic(c(i + 1)) && (c(i + 2) == u'.' || isCyrillic(c(i + 2))))
            t.insert(i + 1, u' ');
    } else if (isCyrillic(here) && isDigit(c(i + 1))) {
        t.insert(i + 1, u' ');
    }
}

// One position of the backward scan. The rules run in this order, each on the text as the ones
// before left it; n is the length the text had when the scan began.
void tidyAt(Text &t, qsizetype i, qsizetype n) {
    const auto c = [&t](qsizetype k) { return t.at(k); };
    // Most positions hold a letter, a digit or a space, which only the number rules concern.
    switch (c(i)) {
    case u')':
    case u'(':
    case u',':
    case u'N':
    case kNumberSign:
    case u'/':
    case u'.':
    case u';':
    case u':':
    case u'-':
        break;
    default:
        tidyNumberAt(t, i);
        return;
    }

    // A closing bracket gets a space after it unless punctuation or a quote follows.
    if (c(i) == u')' && !oneOf(c(i + 1), {u' ', u'"', u',', u'.'}))
        t.insert(i + 1, u' ');
    // An opening bracket gets a space before it when something other than a space or a quote
    // follows it.
    if (c(i) == u'(' && c(i + 1) != u' ' && c(i + 1) != u'"')
        t.insert(i, u' ');

    // A comma between a letter and a digit, or between a digit and a letter, gets a space after it;
    // so does any other comma that is not the decimal comma of a number.
    if (c(i) == u',' && isLetter(c(i - 1)) && isDigit(c(i + 1)))
        t.insert(i + 1, u' ');
    else if (c(i) == u',' && isLetter(c(i + 1)) && isDigit(c(i - 1)))
        t.insert(i + 1, u' ');
    if (c(i) == u',' && c(i + 1) != u' ' && !commaInNumber(t, i))
        t.insert(i + 1, u' ');

    // A Latin N used as the number sign: before a digit or a number sign, one character further
    // on, or before a form code such as "Ф-25"; not inside a Latin word ("DN5"), but "NN" counts.
    if (c(i) == u'N' && !(isLatin(c(i - 1)) && c(i - 1) != u'N') &&
        (isDigit(c(i + 1)) || c(i + 1) == kNumberSign ||
         (t.length() >= i + 2 && (isDigit(c(i + 2)) || c(i + 2) == kNumberSign)) ||
         (t.length() >= i + 4 && isCyrillic(c(i + 2)) && c(i + 3) == u'-' && isDigit(c(i + 4)))))
        t.set(i, kNumberSign);
    // The number sign stands apart from the number after it and from the word before it.
    if (c(i) == kNumberSign && c(i + 1) != u' ' && c(i + 1) != kNumberSign)
        t.insert(i + 1, u' ');
    if (c(i) == kNumberSign &&
        !oneOf(c(i - 1), {u' ', u'"', u'(', kLeftQuotationMark, kLeftGuillemet}))
        t.insert(i, u' ');
    // A list of numbers after the sign gets a space after each comma: "№ 5,6,7" -> "№ 5, 6, 7".
    if (c(i) == kNumberSign) {
        for (qsizetype k = i + 1; k < t.length() && (oneOf(c(k), {u' ', u','}) || isDigit(c(k)));
             ++k) {
            if (c(k) == u',') {
                t.insert(k + 1, u' ');
                ++k;
            }
        }
    }

    // Slashes used as brackets: " /word" opens, "word/ " closes.
    if (c(i) == u'/') {
        if (c(i - 1) == u' ' && c(i + 1) != u'/' && c(i + 1) != u' ')
            t.set(i, u'(');
        if (c(i + 1) == u' ' && c(i - 1) != u'/' && c(i - 1) != u' ')
            t.set(i, u')');
    }

    // A full stop before a capital: after a small letter it ends a sentence ("конец. Начало");
    // after an initial it separates the initial from the name that follows ("А. Иванович").
    if (c(i) == u'.' && isCyrillicCapital(c(i + 1))) {
        if (isCyrillicSmall(c(i - 1)))
            t.insert(i + 1, u' ');
        if (i < n - 2 && isCyrillicSmall(c(i + 2)) && isCyrillicCapital(c(i - 1)) &&
            ((i > 3 && c(i - 2) == u'.' && isCyrillicCapital(c(i - 3))) || i == 2 ||
             oneOf(c(i - 2), {u' ', u'!', u'"', u'(', u')', u'-', u'?'})))
            t.insert(i + 1, u' ');
    }
    // No space before a full stop that follows a quote, a digit or a Cyrillic letter.
    if (c(i) == u'.' && i > 2 && c(i - 1) == u' ' &&
        (c(i - 2) == u'"' || isDigit(c(i - 2)) || isCyrillic(c(i - 2))))
        t.remove(i - 1);
    // Two initials are written together: "И. И." -> "И.И.".
    if (c(i) == u'.' && isPlainCyrillicCapital(c(i - 1)) &&
        (i == 2 || !isCyrillicCapital(c(i - 2))) && c(i + 1) == u' ' &&
        isCyrillicCapital(c(i + 2)) && c(i + 3) == u'.')
        t.remove(i + 1);
    // A full stop after a Cyrillic abbreviation before a small letter or a digit gets a space
    // after it ("см.рис.1"), except inside т.д., т.п., т.ч. and г.р.
    if (c(i) == u'.' && (isDigit(c(i + 1)) || isCyrillicSmall(c(i + 1))) && isCyrillic(c(i - 1))) {
        const char32_t before = c(i - 1);
        const char32_t after = c(i + 1);
        const bool abbreviation = (before == u'т' && oneOf(after, {u'д', u'п', u'ч'})) ||
                                  (before == u'г' && after == u'р');
        if (!abbreviation)
            t.insert(i + 1, u' ');
    }

    if (c(i) == u';' && c(i + 1) != u' ')
        t.insert(i + 1, u' ');
    if (c(i) == u':' && c(i + 1) != u' ')
        t.insert(i + 1, u' ');

    // Hyphens: a numeric range is written without spaces ("5 -7", "5- 7" -> "5-7"); a dash between
    // a small letter and a capital gets spaces on both sides; so does a dash after ")", "," or ".".
    if (c(i) == u'-') {
        if (i > 2 && isDigit(c(i - 2)) && c(i - 1) == u' ' && isDigit(c(i + 1)))
            t.remove(i - 1);
        if (isDigit(c(i - 1)) && c(i + 1) == u' ' && isDigit(c(i + 2)))
            t.remove(i + 1);
        if (i > 2 && isCyrillicSmall(c(i - 2)) && c(i - 1) == u' ' && isCyrillicCapital(c(i + 1)))
            t.insert(i + 1, u' ');
        if (isCyrillicSmall(c(i - 1)) && c(i + 1) == u' ' && isCyrillicCapital(c(i + 2)))
            t.insert(i, u' ');
        if (i > 2 && oneOf(c(i - 2), {u')', u',', u'.'}) && c(i - 1) == u' ' && c(i + 1) != u' ')
            t.insert(i + 1, u' ');
    }

    // A deletion before i may have brought a digit or a letter to position i.
    tidyNumberAt(t, i);
}

// The scan never looks at the first position, so a Latin N that begins the text is handled here.
void tidyLeadingNumberSign(Text &t) {
    const auto c = [&t](qsizetype k) { return t.at(k); };
    if (c(1) != u'N')
        return;
    if (isDigit(c(2))) {
        t.set(1, kNumberSign);
        t.insert(2, u' ');
    } else if (c(2) == u' ' && (isDigit(c(3)) || (c(3) == kNumberSign && c(4) == u' ') ||
                                (isCyrillic(c(3)) && c(4) == u'-' && isDigit(c(5))))) {
        t.set(1, kNumberSign);
    }
}

// A year written against its abbreviation: "2003г" -> "2003 г.". A year at the very start of the
// text is left alone.
void tidyYears(Text &t) {
    const auto c = [&t](qsizetype k) { return t.at(k); };
    for (qsizetype k = t.length() - 5; k >= 1; --k) {
        if (c(k + 5) == kSmallGe && !isDigit(c(k)) && (c(k + 1) == u'1' || c(k + 1) == u'2') &&
            isDigit(c(k + 2)) && isDigit(c(k + 3)) && isDigit(c(k + 4)) && !isLetter(c(k + 6)) &&
            !isDigit(c(k + 6))) {
            if (c(k + 6) != u'.')
                t.insert(k + 6, u'.');
            t.insert(k + 5, u' ');
        }
    }
}

// A range of numbers written with the sign twice, "№ 5 - № 7", becomes "№№ 5-7": the second sign
// and the space after it go, as does the white space on both sides of the hyphen.
void tidyNumberRanges(Text &t) {
    const auto c = [&t](qsizetype k) { return t.at(k); };
    for (qsizetype p = t.find(kNumberSign); p > 0; p = t.find(kNumberSign, p + 2)) {
        const qsizetype q = t.find(kNumberSign, p + 1);
        if (q == 0)
            continue;
        const QString between = trimmed(t.between(p, q));
        if (!between.endsWith(u'-') || !isWholeNumber(trimmed(QStringView(between).chopped(1))))
            continue;
        // Between the signs lie white space, the number, white space, the hyphen, white space.
        qsizetype hyphen = q - 1;
        while (c(hyphen) != u'-')
            --hyphen;
        qsizetype numberEnd = hyphen - 1;
        while (!isDigit(c(numberEnd)))
            --numberEnd;
        t.remove(q, 2);
        t.remove(hyphen + 1, q - hyphen - 1);
        t.remove(numberEnd + 1, hyphen - numberEnd - 1);
        t.insert(p + 1, kNumberSign);
    }
}

// A range of years, "1990 - 1995", loses the spaces around its hyphen when it stands in brackets
// or before "г." / "гг.", provided the first year is not the later one.
void tidyYearRanges(Text &t) {
    const auto c = [&t](qsizetype k) { return t.at(k); };
    const auto fourDigits = [&c](qsizetype k) {
        return (c(k) == u'1' || c(k) == u'2') && isDigit(c(k + 1)) && isDigit(c(k + 2)) &&
               isDigit(c(k + 3));
    };
    for (qsizetype b = t.find(u" - "); b > 0; b = t.find(u" - ", b + 1)) {
        if (!(b > 4 && t.length() >= b + 9 && fourDigits(b - 4) && fourDigits(b + 3)))
            continue;
        if (b > 5 && c(b - 5) == u'(' && c(b + 7) == u')' &&
            fourDigitNumber(t, b - 4) <= fourDigitNumber(t, b + 3)) {
            t.remove(b);
            t.remove(b + 1);
        }
        if (c(b + 7) == u' ' && c(b + 8) == kSmallGe &&
            (c(b + 9) == u'.' || c(b + 9) == kSmallGe) &&
            fourDigitNumber(t, b - 4) <= fourDigitNumber(t, b + 3)) {
            t.remove(b);
            t.remove(b + 1);
        }
    }
}

// Quotes that stand free between spaces are attached to the word they belong to: counting the
// quotes from the left, an opening one loses the space after it, a closing one the space before.
void tidyFreeQuotes(Text &t) {
    const auto c = [&t](qsizetype k) { return t.at(k); };
    if (t.find(u" \" ") == 0)
        return;
    int count = 0;
    for (qsizetype k = 2; k < t.length() - 2; ++k) {
        if (c(k) != u'"')
            continue;
        ++count;
        if (c(k - 1) != u' ' || c(k + 1) != u' ')
            continue;
        if (count % 2 == 1 && !isLetter(c(k + 2)))
            ++count;
        if (count % 2 == 0 && !isLetter(c(k - 2)))
            ++count;
        if (count % 2 == 1)
            t.remove(k + 1);
        else
            t.remove(k - 1);
    }
}

struct Replacement {
    QStringView find;
    QStringView by;
};

// Abbreviations, brackets, spaces around tabs and line breaks: each pair one left-to-right pass.
constexpr Replacement kReplacements[] = {
    {u"( ", u"("},
    {u" )", u")"},
    {u"[ ", u"["},
    {u" ]", u"]"},
    {u" :", u":"},
    {u" ;", u";"},
    {u" !", u"!"},
    {u" ?", u"?"},
    {u"КП (б)", u"КП(б)"},
    {u"РП (б)", u"РП(б)"},
    {u"КП(б) -КПСС", u"КП(б)-КПСС"},
    {u"КП(б) -ВКП(б)", u"КП(б)-ВКП(б)"},
    {u"но- ", u"но-"},
    {u" \t", u"\t"},
    {u"\t ", u"\t"},
    {u" \r", u"\r"},
    {u" \n", u"\n"},
    {u"\r ", u"\r"},
    {u"\n ", u"\n"},
    {u" г. г.", u" г.г."},
    {u" г. р.", u" г.р."},
    {u" и т. д.", u" и т.д."},
    {u" и т. п.", u" и т.п."},
    {u"№ -", u"№"},
    {u"№-", u"№"},
    {u"КП/б/", u"КП(б)"},
    {u"КП /б/", u"КП(б)"},
    {u" ,", u","},
};

} // namespace

QString TidyText(const QString &text) {
    QString s = trimmed(text);
    collapseSpaces(s);
    Text t(std::move(s));

    // The first double quote opens: no space after it, a space before it.
    if (const qsizetype q = t.find(u'"'); q > 0) {
        if (q < t.length() && t.at(q + 1) == u' ')
            t.remove(q + 1);
        if (q > 1 && t.at(q - 1) != u' ')
            t.insert(q, u' ');
    }
    t.str().replace(u'#', QChar(kNumberSign));
    // The last double quote closes: a space after it, none before it.
    qsizetype q = t.length();
    while (q > 1 && t.at(q) != u'"')
        --q;
    if (q > 1) {
        // Punctuation after the closing quote stays against it: "см. выписку".
        if (q < t.length() && t.at(q + 1) != u' ' &&
            !oneOf(t.at(q + 1), {u'.', u',', u';', u':', u'!', u'?'}))
            t.insert(q + 1, u' ');
        if (t.at(q - 1) == u' ')
            t.remove(q - 1);
    }
    t.str().replace(u'\\', u'/');

    // Backward scan over the positions the text had when it began: rules that look at one
    // character and its neighbours.
    const char16_t decimalsAside = setListedDecimalsAside(t.str());
    const qsizetype n = t.length();
    for (qsizetype i = n - 1; i >= 2; --i)
        tidyAt(t, i, n);
    if (decimalsAside != 0)
        t.str().replace(QChar(decimalsAside), u',');

    tidyLeadingNumberSign(t);
    tidyYears(t);
    tidyNumberRanges(t);
    tidyYearRanges(t);
    if (t.length() > 0 && t.at(t.length()) == u'/')
        t.set(t.length(), u')');

    QString &r = t.str();
    collapseSpaces(r);
    replaceRepeatedly(r, u"--", u"-");
    CharacterCounts counts(r);
    for (const Replacement &row : kReplacements) {
        const qsizetype anchor = counts.rarest(row.find);
        if (anchor >= 0 && replaceAll(r, row.find, row.by, anchor))
            counts.recount(r);
    }
    replaceRepeatedly(r, u"№ №", u"№№");
    tidyFreeQuotes(t);
    collapseSpaces(t.str());
    return t.str();
}
