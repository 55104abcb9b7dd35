#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the engine's validation of a database found, read from its lines, and told in words.
struct TableFindings {
    QString table;
    int errors = 0;
    int warnings = 0;
};

struct ValidationFindings {
    QList<TableFindings> tables; // only the tables with something found, in the engine's order
    int errors() const;
    int warnings() const;
};

// Reads the engine's validation lines ("Relation 129 (CARD)", "Warning: ...",
// "Relation 129 (CARD) : 1 ERRORS found"); each line may begin with the time of day.
ValidationFindings readValidationLines(const QStringList &lines);

// The result for the user: no damage found, or what was found in which table.
QString validationReport(const ValidationFindings &findings);
