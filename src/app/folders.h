#pragma once

#include <QString>

// The folders a run works with, each written with a trailing "/": the program folder (of the
// executable and the empty template), the data folder (of the settings file) and the special
// folders of the user and of all users that stand in for the system's application-data folders.
namespace folders {

inline const QString kProgramSubfolder = QStringLiteral("Ventrel");
inline const QString kSettingsFileName = QStringLiteral("Ventrel.ini");

// The path with "/" appended, unless it is empty or already ends with one.
QString withTrailingSeparator(const QString &path);
// The path with one trailing "/" removed, if it has one.
QString withoutTrailingSeparator(const QString &path);

// The full path of the entry of `folder` whose name equals `name` without regard to letter
// case, or the empty text when there is none. An entry spelled exactly so wins over the others.
QString findIgnoringCase(const QString &folder, const QString &name);

// The program folder for the executable's folder: with a trailing "/", and a drive letter
// written in lower case made upper-case ("c:/..." gives "C:/...").
QString programFolderFor(const QString &executableFolder);

// The user's application-data folder, $XDG_DATA_HOME (normally ~/.local/share), created when
// missing, with a trailing "/"; the empty text when it cannot be had.
QString userAppDataFolder();
// The same folder's path, not created.
QString userAppDataLocation();
// The application-data folder common to all users: /var/lib, or what the environment variable
// VENTREL_COMMON_DATA says instead (an empty value: there is none). Never created here: the
// program's shared folder in it is made by the package or an administrator. With a trailing "/".
QString commonAppDataFolder();

// The data folder: the "Ventrel" subfolder of the user's application-data folder, created with
// its parents, or the program folder when the user's folder is unknown ("") or when the program
// folder holds a "Ventrel.ini" of its own.
QString dataFolderFor(const QString &programFolder, const QString &userAppData);
// The same folder's path, not created.
QString dataFolderPath(const QString &programFolder, const QString &userAppData);

// The settings file of the data folder: its "Ventrel.ini", whatever the letter case of the name.
QString settingsFilePath(const QString &dataFolder);

} // namespace folders
