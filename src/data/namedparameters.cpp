#include "data/statement.h"

namespace {

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

} // namespace

ParsedSql parseNamedParameters(const QString &sql) {
    ParsedSql parsed;
    parsed.text.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    // Copies a quoted string, identifier or comment unchanged up to and including `close`.
    auto copyUntil = [&](const QString &close, qsizetype from) {
        const qsizetype end = sql.indexOf(close, from);
        const qsizetype stop = end < 0 ? n : end + close.size();
        parsed.text += QStringView(sql).mid(i, stop - i);
        i = stop;
    };
    while (i < n) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            copyUntil(QString(c), i + 1);
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            copyUntil(QStringLiteral("\n"), i + 2);
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            copyUntil(QStringLiteral("*/"), i + 2);
        } else if (c == QLatin1Char(':') && isNameChar(next)) {
            qsizetype end = i + 1;
            while (end < n && isNameChar(sql.at(end)))
                ++end;
            parsed.parameters << sql.mid(i + 1, end - i - 1).toUpper();
            parsed.text += QLatin1Char('?');
            i = end;
        } else {
            parsed.text += c;
            ++i;
        }
    }
    return parsed;
}
