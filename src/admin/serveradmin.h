#pragma once

#include "data/connectiontarget.h"
#include "service/engineservices.h"
#include "service/validationreport.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The administrator's work on the practice's server, done as the server's SYSDBA: the users of
// the register, who is connected, the server's backups, and bringing a register in. Each call
// signs in afresh and raises DbError, in the program's words with the database's own text,
// when the server refuses.
namespace serveradmin {

struct Server {
    ServerAddress address; // the server and the register's alias on it
    QString password;      // SYSDBA's
    QString registerPath;  // the alias's file, on this machine (import and restore only)
    QString backupFolder;
};

// A name the server keeps as a user of its own: Latin letters, digits and "_", a letter first,
// up to 31 characters.
bool isUserName(const QString &name);

// A user of the server who may work with the register (has its role), with the password given.
void addUser(const Server &server, const QString &name, const QString &password);
void changePassword(const Server &server, const QString &name, const QString &password);
// Takes the register's role from the user and removes the user from the server.
void removeUser(const Server &server, const QString &name);

struct User {
    QString name;
    bool hasRole = false; // may work with the register
};
QList<User> users(const Server &server);

struct Attachment {
    QString user;
    QString address; // the workstation's, as the server saw it
    QString process; // the program on it
    QDateTime since;
};
// Who is attached to the register now, the oldest first; the caller's own attachment aside.
QList<Attachment> who(const Server &server);

// A nightly backup of the register, written by the server into the backup folder; then only
// the `keep` newest nightly backups stay. Returns the backup's path.
QString backup(const Server &server, int keep, const engine::LineSink &onLine);

ValidationFindings check(const Server &server, const engine::LineSink &onLine);

struct TableCount {
    QString table;
    qint64 rows = 0;
    bool operator==(const TableCount &) const = default;
};

struct Replaced {
    QList<TableCount> counts; // of every table of the register now in place
    QString keptBackup;       // the backup of the register it replaced
    QString keptFile;         // the register it replaced, its file kept beside the new one
    QString keptFileClosed;   // why the kept file stays shut down, when it does
};

// Puts the register of `file` — a workstation's register file or a backup of one — in place of
// the register on the server, through a backup and a restore by the server. A register file is
// counted table by table before and after, and must come through with every row. The register
// in place is backed up first and its file kept; the users attached to it are cut off for the
// swap. A register in place that holds patients is replaced only `overPatients`. `tell` hears
// each step as it begins.
Replaced bringIn(const Server &server, const QString &file, bool overPatients,
                 const engine::LineSink &tell);

} // namespace serveradmin
