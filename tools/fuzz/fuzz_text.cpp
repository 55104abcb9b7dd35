// libFuzzer target for TidyText and JoinBrokenLines. The first byte chooses how the rest becomes
// text: even, one Windows-1251 character per byte (the code page the notes are stored in); odd,
// raw UTF-16 code units, surrogate halves and all.

#include "support/joinbrokenlines.h"
#include "support/tidytext.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>

namespace {

const QString &codePage() {
    static const QString table = [] {
        QByteArray bytes(256, '\0');
        for (int b = 0; b < 256; ++b)
            bytes[b] = char(b);
        QStringDecoder decoder("windows-1251");
        QString chars = decoder(bytes);
        if (chars.size() != 256)
            chars = QString::fromLatin1(bytes);
        return chars;
    }();
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    QString text;
    if (size > 0 && (data[0] & 1)) {
        for (size_t k = 1; k + 1 < size; k += 2)
            text += QChar(char16_t(data[k] | data[k + 1] << 8));
    } else {
        const QString &table = codePage();
        for (size_t k = 1; k < size; ++k)
            text += table[data[k]];
    }

    const QString tidied = TidyText(text);
    // The last steps leave no double space, and nothing is ever put before the first character.
    if (tidied.contains(QStringLiteral("  ")) || (!tidied.isEmpty() && tidied[0].unicode() <= 32))
        std::abort();

    const QString joined = JoinBrokenLines(tidied);
    if (joined.size() > tidied.size())
        std::abort();
    JoinBrokenLines(text);
    return 0;
}
