#pragma once

#include <QString>
#include <QStringList>

// The files the program writes under a name of its own until they are whole: a backup being
// written, a register being restored, the copy of the empty template. They hold patients'
// records (all but the template), so they are the writer's alone (0600) until they take their
// final name and mode. Their names carry the id of the process that writes them: a later run
// tells the leftovers of a run that ended in the middle (killed, a power cut) from the work of
// a program still running, and removes only the former.
namespace workfiles {

// Name patterns for QTemporaryFile and mkstemp, "XXXXXX" standing for the letters that make
// the name unique.
// "base-2024-12-10.fbk.ventrel-4242-XXXXXX" beside the backup `targetName`.
QString backupPattern(const QString &targetName);
// "Base-restoring-4242-XXXXXX": a folder beside the register that only its user may enter, for
// the engine writes a restored file with a mode of its own (open to the group); the file stays
// in it until it takes its place.
QString restorePattern();
// ".Base.fdb-4242-XXXXXX" beside the register.
QString templateCopyPattern();

// Makes a new folder after restorePattern() in `folder`, mode 0700; the empty text when it
// cannot (errno tells why).
QString makeRestoreFolder(const QString &folder);
// Removes `file` and, when it lies in a folder of makeRestoreFolder(), that folder.
void removeRestored(const QString &file);

// The process with this id still runs (perhaps as another program: then its files wait).
bool isRunning(qint64 process);

// Removes from `folder` the work files that earlier runs of this user left: a regular file (or
// a restore's folder, with what is in it) of this user named after one of the patterns above
// whose process is gone; or named as older
// versions named them, without a process id, and open in no process of this user. Files of
// other users, links and anything else stay. Returns the names removed.
QStringList removeLeftovers(const QString &folder);

} // namespace workfiles
