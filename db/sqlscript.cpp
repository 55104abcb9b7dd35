#include "db/sqlscript.h"

#include <QRegularExpression>

QStringList splitSqlScript(const QString &script) {
    QStringList statements;
    QString current;
    auto finish = [&] {
        const QString statement = current.trimmed();
        // A piece made of comments alone is no statement.
        QString withoutComments = statement;
        withoutComments.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                                  QRegularExpression::DotMatchesEverythingOption));
        withoutComments.remove(QRegularExpression(QStringLiteral("--[^\\n]*")));
        if (!withoutComments.trimmed().isEmpty())
            statements << statement;
        current.clear();
    };
    const qsizetype n = script.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = script.at(i);
        const QChar next = i + 1 < n ? script.at(i + 1) : QChar();
        QString close;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
            close = c;
        else if (c == QLatin1Char('/') && next == QLatin1Char('*'))
            close = QStringLiteral("*/");
        else if (c == QLatin1Char('-') && next == QLatin1Char('-'))
            close = QStringLiteral("\n");
        if (!close.isEmpty()) {
            const qsizetype end = script.indexOf(close, i + 1 + (close.size() - 1));
            const qsizetype stop = end < 0 ? n : end + close.size();
            current += QStringView(script).mid(i, stop - i);
            i = stop - 1;
        } else if (c == QLatin1Char(';')) {
            finish();
        } else {
            current += c;
        }
    }
    finish();
    return statements;
}
