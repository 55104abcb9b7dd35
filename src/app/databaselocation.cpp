#include "app/databaselocation.h"

#include "app/folders.h"
#include "support/programinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace database {

namespace {

QString databaseIn(const QString &folder) {
    return folders::findIgnoringCase(folder, kFileName);
}

// Copies the template into the folder as "Base.fdb", never over an existing file. The copy is
// its owner's alone, to read and write: it will hold patients' records, and a template installed
// read-only must not give a read-only database.
bool copyTemplate(const QString &templateFile, const QString &folder) {
    const QString target = folder + kCopyName;
    if (QFileInfo::exists(target) || !QFile::copy(templateFile, target))
        return false;
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

} // namespace

Location locate(const QString &programFolder, const QString &dataFolder, const QString &pathBase,
                const std::function<QString()> &commonAppData) {
    Location location;
    const QString ownBase = folders::findIgnoringCase(programFolder, kProgramSubfolder);
    if (!ownBase.isEmpty() && !databaseIn(ownBase).isEmpty()) {
        location.folder = folders::withTrailingSeparator(ownBase);
    } else {
        QString folder = folders::withoutTrailingSeparator(pathBase);
        if (!folder.isEmpty()) {
            folder = QDir::current().absoluteFilePath(folder);
        } else {
            const QString common = folders::withoutTrailingSeparator(commonAppData());
            if (!common.isEmpty() && QFileInfo(common).isDir()) {
                folder = common + u'/' + folders::kProgramSubfolder;
                // Not reported when it cannot be made: the copy into it fails and the data
                // folder takes over.
                QDir().mkpath(folder);
            } else {
                folder = programFolder;
            }
        }
        location.folder = folders::withTrailingSeparator(folder);

        if (databaseIn(location.folder).isEmpty()) {
            const QString templateFile = folders::findIgnoringCase(programFolder, kTemplateName);
            if (templateFile.isEmpty()) {
                location.failure = Failure::NoTemplate;
                return location;
            }
            if (!copyTemplate(templateFile, location.folder)) {
                location.folder = dataFolder;
                // The database an earlier run made here is used again.
                if (databaseIn(dataFolder).isEmpty() && !copyTemplate(templateFile, dataFolder)) {
                    location.failure = Failure::CopyFailed;
                    return location;
                }
            }
        }
    }
    location.file = databaseIn(location.folder);
    if (location.file.isEmpty())
        location.failure = Failure::NoDatabase;
    return location;
}

QString failureMessage(const Location &location, const QString &programFolder) {
    const QString end = program::contactLine() + QStringLiteral("Программа будет закрыта.");
    switch (location.failure) {
    case Failure::None:
        return QString();
    case Failure::NoTemplate:
        return QStringLiteral("Файл пустой базы не найден в папке программы\n") + programFolder +
               u'\n' + end;
    case Failure::CopyFailed:
        return QStringLiteral(
                   "Не удалось скопировать файлы пустой базы из папки программы в папку\n") +
               location.folder + u'\n' + end;
    case Failure::NoDatabase:
        return QStringLiteral("Файл не найден.\n") + location.folder + kFileName + u'\n' + end;
    }
    return QString();
}

} // namespace database
