#include "support/joinbrokenlines.h"

#include "support/letters.h"

using letters::isCyrillicSmall;

QString JoinBrokenLines(const QString &text) {
    // A joined break leaves a space followed by a small letter, so the character before any later
    // break is always one of the original text: a single pass is enough.
    QString result;
    qsizetype done = 0;
    for (qsizetype cr = text.indexOf(u'\r'); cr >= 0; cr = text.indexOf(u'\r', cr + 1)) {
        if (cr == 0 || cr + 2 >= text.size() || text[cr + 1] != u'\n')
            continue;
        const QChar before = text[cr - 1];
        const bool brokenAfter =
            before == u',' || before == u'-' || before == u':' || isCyrillicSmall(before);
        if (!brokenAfter || !isCyrillicSmall(text[cr + 2]))
            continue;
        if (result.isEmpty())
            result.reserve(text.size());
        result.append(QStringView(text).sliced(done, cr - done)).append(u' ');
        done = cr + 2;
    }
    if (done == 0)
        return text;
    result.append(QStringView(text).sliced(done));
    return result;
}
