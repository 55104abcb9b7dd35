#include "support/joinbrokenlines.h"

#include "support/letters.h"

using letters::isCyrillicSmall;

QString JoinBrokenLines(const QString &text) {
    // A joined break leaves a space followed by a small letter, so the character before any later
    // break is always one of the original text: a single pass is enough.
    QString result;
    result.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i] == u'\r' && i + 1 < size && text[i + 1] == u'\n' && i > 0 && i + 2 < size) {
            const QChar before = text[i - 1];
            const QChar after = text[i + 2];
            const bool brokenAfter =
                before == u',' || before == u'-' || before == u':' || isCyrillicSmall(before);
            if (brokenAfter && isCyrillicSmall(after)) {
                result += u' ';
                ++i;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}
