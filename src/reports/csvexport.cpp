#include "reports/csvexport.h"

#include "support/dates.h"

#include <QLocale>

namespace reports {

namespace {

QString quoted(const QString &text) {
    const bool needsQuotes = text.contains(u';') || text.contains(u'"') || text.contains(u'\n') ||
                             text.contains(u'\r') ||
                             (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!needsQuotes)
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

QString cellText(const QVariant &value, CellKind kind) {
    if (!value.isValid() || value.isNull())
        return QString();
    switch (kind) {
    case CellKind::Integer:
        return QString::number(value.toLongLong());
    case CellKind::Decimal: {
        QLocale russian(QLocale::Russian);
        russian.setNumberOptions(QLocale::OmitGroupSeparator);
        QString text = russian.toString(value.toDouble(), 'f', 2);
        // "1,50" reads "1,5", and "2,00" "2".
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(russian.decimalPoint()))
            text.chop(1);
        return text;
    }
    case CellKind::Date:
        return dates::toText(value.toDate());
    case CellKind::Text:
        break;
    }
    return value.toString();
}

QByteArray toCsv(const Table &table) {
    QString text;
    QStringList cells;
    for (const Column &column : table.columns)
        cells << quoted(column.title);
    text += cells.join(u';') + QStringLiteral("\r\n");
    for (const QVariantList &row : table.rows) {
        cells.clear();
        for (qsizetype i = 0; i < table.columns.size(); ++i)
            cells << quoted(cellText(row.value(i), table.columns[i].kind));
        text += cells.join(u';') + QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

} // namespace reports
