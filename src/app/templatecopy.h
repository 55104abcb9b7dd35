#pragma once

#include <QString>

// Making the working database from the empty template "Base0.fdb".
namespace templatecopy {

inline const QString kCopyName = QStringLiteral("Base.fdb");

struct Result {
    bool made = false; // the folder holds a database file named kCopyName now
    QString cause;     // why not: a Russian sentence for the user
    QString detail;    // the engine's or the system's own words, when there are any
};

// Copies the template into the folder as "Base.fdb", never over an existing file. The copy is
// written under a temporary name, given its access (sharedfolder::newDatabaseAccess), opened
// once by the database engine, and only then renamed, so a template that is not a sound database
// never becomes the register. Nothing is left behind when it fails. A "Base.fdb" that another
// copy of the program made in the meantime is kept and counts as made.
Result copyTemplate(const QString &templateFile, const QString &folder);

} // namespace templatecopy
