#pragma once

#include "support/pathfacts.h"

#include <QString>

// The folder where the database engine keeps its lock and shared-memory files. The engine makes,
// sizes and writes those files by name and follows links, so a folder another user can write
// into is a trap: a link planted there under the name of a lock file makes the engine overwrite
// whatever file it points to, a patient register included. A folder is used only when no one
// but its user can put anything into it.
namespace lockfolder {

// The engine's own default, shared by every program on the machine that embeds it.
inline const QString kEngineDefault = QStringLiteral("/tmp/firebird");

enum class Fault {
    None,
    CannotMake,   // missing, and it could not be made
    IsLink,       // the folder itself is a link
    NotAFolder,   // something else stands under its name
    OtherOwner,   // another user owns it
    OpenToOthers, // others may write into it
    HoldsLink,    // an entry in it is a link, symbolic or hard
};

// A folder of the user's own: theirs, itself no link, writable by no one else, holding no link.
// A sound one is then kept at mode 0700.
Fault ownFolderFault(const PathFacts &folder, unsigned user, bool holdsLink);

// The engine's shared default is taken only when the system's administrator (root) owns it, no
// one else can write into it, it holds no link, and this user can use it.
bool engineDefaultAccepted(const PathFacts &folder, bool holdsLink, bool usable);

struct Choice {
    QString folder;  // the lock folder to use
    QString refusal; // when no folder can be used: why, to show the user; empty otherwise
};

// The lock folder of a run, checked again on every call:
// - `configured` (the engine's FIREBIRD_LOCK), when set, is used if it is safe by either rule;
// - otherwise `engineDefault` when it is accepted;
// - otherwise "firebird" in `runtimeFolder` ($XDG_RUNTIME_DIR), when that is the user's own
//   with mode 0700;
// - otherwise "ventrel-firebird-<user id>" in `tempFolder`, or, when that one is unfit (another
//   user made it first, say), a private "ventrel-firebird-<user id>-XXXXXX" there: one an
//   earlier run made and that is still sound, or a new one.
// The user's own folders are made with mode 0700 when missing.
Choice choose(const QString &configured, const QString &engineDefault, const QString &runtimeFolder,
              const QString &tempFolder, unsigned user);

// The sentence that tells the user why a lock folder is refused.
QString refusalText(Fault fault, const QString &folder, const QString &entry = QString());

} // namespace lockfolder
