#pragma once

#include <QString>

#include <functional>

// Which database file a run works with, and how it comes into being on the first run: a copy of
// the empty template "Base0.fdb" that lies beside the program.
namespace database {

inline const QString kFileName = QStringLiteral("base.fdb");
inline const QString kTemplateName = QStringLiteral("Base0.fdb");
inline const QString kProgramSubfolder = QStringLiteral("Base");
// Where an installation keeps the template, from the program's folder ("bin/").
inline const QString kInstalledDataFolder = QStringLiteral("../share/ventrel/");

enum class Failure {
    None,
    NoTemplate,  // no database and no template to make one from
    CopyFailed,  // the template could be copied neither to the database folder nor to the data one
    NoDatabase,  // no database file after all
    PlantedLink, // the database file in a shared folder is a link
};

struct Location {
    QString folder; // the database folder, with a trailing "/"
    QString file;   // the database file in it, its name "base.fdb" in any letter case
    Failure failure = Failure::None;
    // Why the template could not be copied, for the user; and the system's or engine's words.
    QString cause;
    QString detail;
    // The folder the database should have been in when the data folder had to stand in for it
    // (a PathBase that cannot be reached, a shared folder this user cannot write); else empty.
    QString missedFolder;
    // The register this user worked with until now, when it is gone and the database folder
    // holds none: no new one was made, the user is to decide. Empty otherwise.
    QString missingRegister;
};

// The empty template: the one beside the program (a build folder, a portable copy), else the one
// in the installed data folder (kInstalledDataFolder); the empty text when there is none.
QString templateFile(const QString &programFolder);

// Settles the database folder and file, in this order:
// 1. a "Base/base.fdb" in the program folder is used in place;
// 2. otherwise the folder is `pathBase` (the settings key, a relative one taken from the current
//    folder; one with control characters cannot be a folder), or when that is empty the
//    "Ventrel" subfolder of the all-users folder that `commonAppData` gives, when it exists and
//    this user can write into it; otherwise the data folder;
// 3. when that folder holds no database, the template (templateFile) is copied there as
//    "Base.fdb", never over an existing file; when the copy fails, the data folder becomes the
//    database folder and its own database is used, or the template is copied there;
//    but when the register this user opened before (`remembered`, its full path) is gone, no
//    copy is made: `missingRegister` names it instead (a register that is still there, in
//    another folder, lets a new one be made as ever);
// 4. a database file that is a link in a shared folder is refused.
// The all-users folder's "Ventrel" is never made here: the package or an administrator makes it.
Location locate(const QString &programFolder, const QString &dataFolder, const QString &pathBase,
                const std::function<QString()> &commonAppData,
                const QString &remembered = QString());

// The message that ends the program when `location` failed; the empty text when it did not.
QString failureMessage(const Location &location, const QString &programFolder);

// "Не найдена база данных …, с которой вы работали до сих пор." for the register `file`.
QString missingMessage(const QString &file);

// The message shown at start when the data folder stood in for the database folder, naming both,
// so that an empty list is not taken for lost patients; the empty text otherwise.
QString fallbackNotice(const Location &location);

} // namespace database
