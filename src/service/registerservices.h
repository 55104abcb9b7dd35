#pragma once

#include "data/dberror.h"
#include "service/engineservices.h"
#include "service/validationreport.h"

#include <QDate>
#include <QDateTime>
#include <QString>

// Backup, restore and check of the register file, made safe: no half-written file is ever left
// under a name a person would take for a good one, and the register is never touched by a
// failure. Each call runs the engine to the end and may take long; it may run on any thread.
namespace registerfile {

// A failure, in the program's words, with the engine's own text as a detail.
class Failure : public DbError {
public:
    Failure(const QString &message, const QString &detail, bool openElsewhere = false)
        : DbError(message), m_detail(detail), m_openElsewhere(openElsewhere) {}
    const QString &detail() const { return m_detail; }
    // Another running program holds the register; nothing was changed.
    bool openElsewhere() const { return m_openElsewhere; }

private:
    QString m_detail;
    bool m_openElsewhere;
};

// Backs the register up into `target`, replacing a file of that name. The engine writes to a
// temporary name beside it (workfiles.h; the leftovers of earlier runs there go first); the backup
// takes its name only when the engine has finished, the file holds every byte the engine says it
// wrote, and it is safely on disk. A failure (a full disk, no permission) leaves no file behind and
// an older `target` as it was. `wanted` is asked once the engine has ended: false throws the backup
// away. Returns whether it was kept.
bool backup(const QString &registerFile, const QString &target, const engine::LineSink &onLine,
            const std::function<bool()> &wanted = {});

struct Counts {
    qint64 patients = 0;
    qint64 visits = 0;
};

// Patients and visits in a database file that nothing else has open.
Counts countRows(const QString &databaseFile);

struct Restored {
    QString file;   // the new database file, not yet in use
    QDateTime made; // when the backup was made; invalid when it does not say
    Counts counts;
};

// Restores `backupFile` into a new file of its own in `folder` (workfiles.h; the leftovers of
// earlier runs there go first), the user's alone, then opens it and counts its patients and
// visits. A damaged file, or the backup of another database, is refused, and no
// new file is left. The caller puts the file in place (putInPlace) or removes it.
Restored restoreInto(const QString &backupFile, const QString &folder,
                     const engine::LineSink &onLine);

// Removes a restored file that is not to take the register's place, with its folder.
void discard(const Restored &restored);

// Restores `backupFile` as the new file `target`, never over an existing file; the new file is
// its owner's alone.
Restored restoreAs(const QString &backupFile, const QString &target,
                   const engine::LineSink &onLine);

// The name the register is kept under when a restored file takes its place:
// "Base-before-restore-2024-12-10.fdb", with "-2", "-3" … added when the name is taken.
QString keptRegisterPath(const QString &folder, const QDate &today);

// The steps of putInPlace, for a test that cuts it short between them.
enum class SwapStep {
    Named,     // the restored file is named for the swap; the register is as it was
    Exchanged, // the restored file is the register; the one of before has the swap's name
};

// Puts a restored file in place of the register, which nothing may have open: the restored
// file takes the register's name and permissions and the register is kept as
// keptRegisterPath(). The two swap places in one step of the file system, so that whenever the
// program is cut short there is a whole register under the register's name; a start after that
// ends the swap (finishInterruptedRestore). Returns where the register was kept. On a failure
// nothing has moved; in a shared folder only the register's owner may replace it.
// `afterStep` runs after each step.
QString putInPlace(const QString &restoredFile, const QString &registerFile, const QDate &today,
                   const std::function<void(SwapStep)> &afterStep = {});

// Ends a putInPlace of this user that was cut short, by a process no longer running: a swap
// that was made gets its kept name for the register of before; a restored copy that never
// took the register's place is removed. Returns the names it gave or removed.
QStringList finishInterruptedRestore(const QString &registerFile, const QDate &today);

// Validates every table and index of the register; the engine's lines go to `onLine`.
ValidationFindings check(const QString &registerFile, const engine::LineSink &onLine);

// The same on the practice's server, through its service manager: the register named by its
// alias, the backup written to a file on the server. A user the server does not let run the
// service is told who may.
ValidationFindings checkOnServer(const engine::Manager &manager, const QString &alias,
                                 const engine::LineSink &onLine);
void backupOnServer(const engine::Manager &manager, const QString &alias, const QString &serverFile,
                    const engine::LineSink &onLine);
// Who may run the services on a server.
extern const QString kServerAdministratorOnly;

} // namespace registerfile
