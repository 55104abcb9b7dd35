#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What start-up settles before the main window exists, and keeps for the whole run.
struct StartupState {
    QString programFolder;  // of the executable and the empty template
    QString dataFolder;     // of the settings file
    QString databaseFolder; // of the working database
    QString databaseFile;   // the working database, "base.fdb" in any letter case
    QString settingsFile;   // "Ventrel.ini" in the data folder
    bool viewMode = false;  // "/view" was the first argument
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
StartupResult settleStartup(const QString &executableFolder, const QStringList &arguments,
                            const std::function<QString()> &userAppData,
                            const std::function<QString()> &commonAppData);
