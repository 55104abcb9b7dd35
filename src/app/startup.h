#pragma once

#include "data/connectiontarget.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What start-up settles before the main window exists, and keeps for the whole run.
struct StartupState {
    QString programFolder;  // of the executable and the empty template
    QString dataFolder;     // of the settings file
    QString databaseFolder; // of the working database; empty on a server
    QString databaseFile;   // the working database, "base.fdb" in any letter case; on a server
                            // its connection string
    QString settingsFile;   // "Ventrel.ini" in the data folder
    bool viewMode = false;  // "/view" was the first argument

    // The practice's server, when the register is on one ([Main] Server= and Database= of the
    // settings, or --server for one run); the folder rules of a file on this computer then do
    // not apply. The user signs in as `user`; the password lives for the run only.
    std::optional<ServerAddress> server;
    QString user;
    QString password;

    // What the connection attaches to: the register file, or the register on the server.
    ConnectionTarget target() const {
        return server ? ConnectionTarget::server(*server, user, password)
                      : ConnectionTarget::localFile(databaseFile);
    }
};

// The settings keys ([Main]) that name the practice's server, the register's alias on it, and
// the user who signed in last.
inline const QString kServerKey = QStringLiteral("Server");
inline const QString kServerDatabaseKey = QStringLiteral("Database");
inline const QString kServerUserKey = QStringLiteral("User");
// The help topic of working on the practice's server.
inline constexpr int kServerHelpTopic = 140;

// What --server gives for one run ("host[/port][:alias]") and --user; empty when not given.
struct ServerChoice {
    QString server;
    QString user;
    bool local = false; // the register on this computer, this run, whatever the settings name
};

struct StartupResult {
    StartupState state;
    // The message that ends the program before any window shows; empty when start-up went well.
    QString failure;
    // The engine's or the system's own words behind the failure, shown as its detail.
    QString failureDetail;
    // A message to show before the main window when the run goes on with a database in another
    // folder than the one asked for; empty otherwise.
    QString notice;
    // The register this user worked with until now, gone from its folder: nothing was made in
    // its place, and the start asks what to do (missingregister.h). Empty otherwise.
    QString missingRegister;
};

// The settings key ([Main]) that remembers the register a user opened last, its full path.
inline const QString kLastBaseKey = QStringLiteral("LastBase");

// Settles the folders, the settings file and the database of a run, copying the empty template
// on the first run. `userAppData` and `commonAppData` give the special folders (see folders.h);
// they are asked only when needed. The register found is remembered in the settings file, so
// that a later start notices when it is gone (missingRegister). A start also ends a restore that
// was cut short and removes the work files earlier runs of this user left in the register's and
// the backups' folders (registerservices.h, workfiles.h).
// A server named in the settings, or by `choice` for this run, takes the place of the register
// file: nothing is located or made on this computer then.
StartupResult settleStartup(const QString &executableFolder, const QStringList &arguments,
                            const std::function<QString()> &userAppData,
                            const std::function<QString()> &commonAppData,
                            const ServerChoice &choice = {});

// The user's login name, the default user to sign in to a server as.
QString loginName();
