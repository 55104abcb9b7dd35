#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Connection;

// What a register needs to be kept on a Firebird server for several workstations: the role the
// server's administrator gives to the practice's users, with the rights on the register's seven
// tables and generators, and the triggers that post an engine event when patients, visits or the
// reference books change, so that the other workstations refresh what they show. The template
// carries them; a register made by an earlier version of the program lacks them, and they are
// added when the program opens it as its owner.
namespace registerschema {

// The role the register's tables and generators are granted to. A user attaches with it
// (isc_dpb_sql_role_name): on Firebird 3 a role granted to a user is not taken up by itself.
inline constexpr char kRole[] = "VENTREL_USER";

// The events posted at the commit of a transaction that inserted, changed or deleted a row of:
inline constexpr char kPatientsEvent[] = "VENTREL_PATIENTS"; // MAIN
inline constexpr char kVisitsEvent[] = "VENTREL_VISITS";     // CARD, DIAGNOZ, VMESHAT
inline constexpr char kBooksEvent[] = "VENTREL_BOOKS";       // DOCS, DIAG, VMESH

// One object of the schema: the statement that makes it, and a select that returns a row when
// the register already has it.
struct Definition {
    QString name; // "role VENTREL_USER", "grants on MAIN", "trigger TR_MAIN_EVENT"
    QString exists;
    QString create;
};
// In the order they are made: the role before its grants.
QList<Definition> definitions();

// Adds what the register lacks, each object committed at once; returns the names of what it
// added. Only reads the register when nothing is missing, so a user without the right to change
// it (a practice's user on a server) may call it too. Raises DbError when the database refuses.
QStringList addMissing(Connection &connection);

} // namespace registerschema
