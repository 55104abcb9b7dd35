#pragma once

#include "data/connectiontarget.h"
#include "data/dberror.h"

#include <QString>

#include <functional>

// The database engine's own services: backup, restore and validation of a database file, run
// by the engine inside this process through its services interface. Unlike a separate tool,
// they work while the program has the file open. Each call returns when the engine has ended
// the work; the engine cannot be stopped half-way.
namespace engine {

// Receives each line of the engine's own progress output as it comes, on the calling thread.
using LineSink = std::function<void(const QString &line)>;

// Whose services run the work: the engine inside this process, on a file of this computer as
// the program's own user; or a server's service manager, signed in to as one of the practice's
// users, the database named by its alias and files by their paths on the server.
struct Manager {
    QString address = QStringLiteral("service_mgr");
    QString user;
    QString password;
    bool onServer = false;

    static Manager ofServer(const ServerAddress &server, const QString &user,
                            const QString &password);
};

// A service the engine refused or could not finish, with the engine's own text, codes and
// system error number.
class ServiceError : public DbError {
public:
    ServiceError(const DbError &error, bool openElsewhere)
        : DbError(error), m_openElsewhere(openElsewhere) {}
    // The file is held by the engine of another process: another program has it open.
    bool openElsewhere() const { return m_openElsewhere; }

    // The disk (or the user's quota on it) ran out of room while the engine wrote a file.
    bool diskFull() const;
    // The server lets only its administrator run this service.
    bool notAllowed() const;

private:
    bool m_openElsewhere;
};

// Writes a backup of `database` to `backupFile`, made or overwritten by the engine. Returns the
// number of bytes the engine says it wrote, or -1 when it did not say.
qint64 backup(const QString &database, const QString &backupFile, const LineSink &onLine);
qint64 backup(const Manager &manager, const QString &database, const QString &backupFile,
              const LineSink &onLine);

// Makes the new database file `database` from `backupFile`; the file must not exist. Returns
// only when the engine restored the whole backup: a backup that ends early is refused, even
// where the engine itself reports no error.
void restore(const QString &backupFile, const QString &database, const LineSink &onLine);
// The same by a server's service manager: both files are the server's, and the new database is
// made by the server's own user.
void restore(const Manager &manager, const QString &backupFile, const QString &database,
             const LineSink &onLine);

// Validates every table and index of `database`, which may be open meanwhile. A table that an
// open transaction has written to cannot be checked and counts as an error. The findings are
// in the lines (see validationreport.h).
void validate(const QString &database, const LineSink &onLine);
void validate(const Manager &manager, const QString &database, const LineSink &onLine);

// Closes `database` on the server to everyone (full shutdown): the attachments there are ended
// at once, and no new one is let in until it is brought online again.
void shutDown(const Manager &manager, const QString &database);
// Lets users into `database` again after shutDown.
void bringOnline(const Manager &manager, const QString &database);

} // namespace engine
