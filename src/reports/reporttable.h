#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// A report as the window shows it, the printer prints it and the exports write it: a title, the
// lines that tell its parameters, and a table. Every report and the main list's export are one.
namespace reports {

enum class CellKind { Text, Integer, Decimal, Date };

struct Column {
    QString title;
    CellKind kind = CellKind::Integer;
};

struct Table {
    QString title;
    QStringList parameters; // "Период: 01.03.2024 – 31.03.2024", "Врач: все врачи"
    QList<Column> columns;
    // Cells: QString, int or qlonglong, double, QDate; an invalid QVariant is an empty cell.
    QList<QVariantList> rows;
    int totalRows = 0; // the last rows sum the others up ("Итого")

    bool isTotal(qsizetype row) const { return row >= rows.size() - totalRows; }
};

} // namespace reports
