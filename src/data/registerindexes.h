#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Connection;

// The indexes the register finds a patient's other cards with: on the full name in capitals,
// "Ё" read as "Е", its words parted by single spaces, a name in brackets left out; and on the
// same name with the former surname written in brackets in the surname's place. A register made
// by an earlier version of the program lacks them; they are added when it is opened.
namespace registerindexes {

// The expressions of the two keys for a full name given as an expression of the type of
// MAIN.FIO (the column FIO, or a parameter cast to VARCHAR(50) CHARACTER SET WIN1251). A
// statement that compares the column's key with the same expression is answered from the index.
// "  Иванова (Петрова)  Мария" gives "ИВАНОВА МАРИЯ" and "ПЕТРОВА МАРИЯ"; each is null when the
// name, or the brackets, hold no word.
QString nameKey(const QString &name);
QString formerNameKey(const QString &name);

// The statements that make the indexes, by name.
struct Definition {
    QString name;
    QString create;
};
QList<Definition> definitions();

// Adds the indexes the register lacks, each committed at once; returns their names. Raises
// DbError when the database refuses (another attachment using the table, a register that may
// not be changed).
QStringList addMissing(Connection &connection);

} // namespace registerindexes
