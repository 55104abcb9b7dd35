#pragma once

#include <QString>
#include <QStringList>

// What the administrator asked of ventrel-admin, read from its arguments.
namespace adminrequest {

enum class Command {
    Help,
    UserAdd,
    UserRemove,
    UserPassword,
    UserList,
    Listen,
    Who,
    Import,
    Backup,
    Restore,
    Check,
};

inline constexpr char kConfigFolder[] = "/etc/firebird/3.0";
inline constexpr char kBackupFolder[] = "/var/lib/ventrel-server/backups";
inline constexpr int kBackupsKept = 30;

struct Request {
    Command command = Command::Help;
    QString name;         // user add/remove/password: the user; listen: the address
    QString file;         // import, restore: the register or backup to bring in
    QString passwordFile; // user add/password: the new password's file instead of the terminal
    bool replace = false; // import: over a register that holds patients
    int keep = kBackupsKept;
    // Where the server is and how it is set up; other than the defaults only for a server of
    // one's own (the tests').
    QString server = QStringLiteral("localhost");
    QString configFolder = QString::fromLatin1(kConfigFolder);
    QString backupFolder = QString::fromLatin1(kBackupFolder);
    QString error; // a mistake in the arguments, told before the usage
};

// Reads the arguments without the program's name.
Request parse(const QStringList &arguments);

// What --help prints.
QString usage();

} // namespace adminrequest
