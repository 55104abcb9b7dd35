#include "service/validationreport.h"

#include <QRegularExpression>

#include <numeric>

namespace {

// An optional time of day ("05:40:07.16 ") before the engine's text.
const QString kTime = QStringLiteral("^(?:\\d\\d:\\d\\d:\\d\\d\\.\\d+\\s+)?");
const QRegularExpression kTable(kTime + QStringLiteral("Relation \\d+ \\((.+?)\\)\\s*$"));
const QRegularExpression kTableErrors(kTime +
                                      QStringLiteral("Relation \\d+ \\((.+?)\\) : (\\d+) ERRORS"));
const QRegularExpression kWarning(kTime + QStringLiteral("Warning:"));

TableFindings &findingsOf(QList<TableFindings> &tables, const QString &table) {
    for (TableFindings &findings : tables) {
        if (findings.table == table)
            return findings;
    }
    tables.append({table});
    return tables.last();
}

QString describe(const TableFindings &table) {
    QStringList parts;
    if (table.errors > 0)
        parts << QStringLiteral("ошибок %1").arg(table.errors);
    if (table.warnings > 0)
        parts << QStringLiteral("предупреждений %1").arg(table.warnings);
    const QString where = table.table.isEmpty() ? QStringLiteral("база в целом")
                                                : QStringLiteral("таблица %1").arg(table.table);
    return QStringLiteral("%1: %2").arg(where, parts.join(QStringLiteral(", ")));
}

} // namespace

int ValidationFindings::errors() const {
    return std::accumulate(tables.begin(), tables.end(), 0,
                           [](int sum, const TableFindings &t) { return sum + t.errors; });
}

int ValidationFindings::warnings() const {
    return std::accumulate(tables.begin(), tables.end(), 0,
                           [](int sum, const TableFindings &t) { return sum + t.warnings; });
}

ValidationFindings readValidationLines(const QStringList &lines) {
    ValidationFindings findings;
    QString table;
    for (const QString &line : lines) {
        if (const auto errors = kTableErrors.match(line); errors.hasMatch()) {
            findingsOf(findings.tables, errors.captured(1)).errors += errors.captured(2).toInt();
        } else if (const auto start = kTable.match(line); start.hasMatch()) {
            table = start.captured(1);
        } else if (kWarning.match(line).hasMatch()) {
            findingsOf(findings.tables, table).warnings += 1;
        }
    }
    return findings;
}

QString validationReport(const ValidationFindings &findings) {
    QStringList text;
    if (findings.errors() == 0) {
        text << QStringLiteral("Проверка закончена: повреждений в базе не найдено.");
        if (findings.warnings() > 0)
            text << QStringLiteral("Замечания:");
    } else {
        text << QStringLiteral("Проверка закончена: в базе найдены повреждения.");
    }
    for (const TableFindings &table : findings.tables)
        text << describe(table);
    return text.join(u'\n');
}
