#include "app/folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace folders {

namespace {

// The folder with a trailing "/", created with its parents when missing; "" when it cannot be.
QString existingFolder(const QString &path) {
    if (path.isEmpty() || !QDir().mkpath(path))
        return QString();
    return withTrailingSeparator(path);
}

} // namespace

QString withTrailingSeparator(const QString &path) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString withoutTrailingSeparator(const QString &path) {
    return path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
}

QString findIgnoringCase(const QString &folder, const QString &name) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return QString();
    if (dir.exists(name))
        return dir.filePath(name);
    const QStringList entries = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return QString();
}

QString programFolderFor(const QString &executableFolder) {
    QString folder = withTrailingSeparator(executableFolder);
    if (!folder.isEmpty() && folder.front() >= u'a' && folder.front() <= u'z')
        folder[0] = folder.front().toUpper();
    return folder;
}

QString userAppDataFolder() {
    return existingFolder(userAppDataLocation());
}

QString userAppDataLocation() {
    return withTrailingSeparator(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString commonAppDataFolder() {
    // Not $XDG_DATA_DIRS: that list is for read-only data and differs between sessions, so the
    // register would move with it.
    const char *const overriding = "VENTREL_COMMON_DATA";
    const QString folder = qEnvironmentVariableIsSet(overriding) ? qEnvironmentVariable(overriding)
                                                                 : QStringLiteral("/var/lib");
    return withTrailingSeparator(folder);
}

QString dataFolderPath(const QString &programFolder, const QString &userAppData) {
    if (!findIgnoringCase(programFolder, kSettingsFileName).isEmpty())
        return programFolder;
    if (userAppData.isEmpty())
        return programFolder;
    return withTrailingSeparator(userAppData) + kProgramSubfolder + u'/';
}

QString dataFolderFor(const QString &programFolder, const QString &userAppData) {
    const QString folder = dataFolderPath(programFolder, userAppData);
    // A folder that cannot be made is not reported: writing the settings then fails instead.
    if (folder != programFolder)
        QDir().mkpath(folder);
    return folder;
}

QString settingsFilePath(const QString &dataFolder) {
    const QString existing = findIgnoringCase(dataFolder, kSettingsFileName);
    return existing.isEmpty() ? dataFolder + kSettingsFileName : existing;
}

} // namespace folders
