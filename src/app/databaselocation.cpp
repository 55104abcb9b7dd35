#include "app/databaselocation.h"

#include "app/folders.h"
#include "app/sharedfolder.h"
#include "app/templatecopy.h"
#include "support/pathfacts.h"
#include "support/programinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace database {

namespace {

QString databaseIn(const QString &folder) {
    return folders::findIgnoringCase(folder, kFileName);
}

bool isControl(QChar c) {
    return c.category() == QChar::Other_Control;
}

// A NUL or another control character cannot be part of a folder's name the user meant: the
// system would read the name only up to it.
bool hasControlCharacters(const QString &text) {
    return std::any_of(text.begin(), text.end(), isControl);
}

QString printable(QString text) {
    std::replace_if(text.begin(), text.end(), isControl, QChar(u'?'));
    return text;
}

bool writableFolder(const QString &folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// The folder the settings or the all-users folder ask for; the data folder when they ask for
// none, or for one that cannot be used (then `location` tells which and why).
QString wantedFolder(const QString &dataFolder, const QString &pathBase,
                     const std::function<QString()> &commonAppData, Location &location) {
    const QString setting = folders::withoutTrailingSeparator(pathBase);
    if (!setting.isEmpty()) {
        if (hasControlCharacters(setting)) {
            location.missedFolder = printable(setting);
            location.cause = QStringLiteral("В имени папки есть управляющие символы.");
            return dataFolder;
        }
        return folders::withTrailingSeparator(QDir::current().absoluteFilePath(setting));
    }
    const QString common = folders::withoutTrailingSeparator(commonAppData());
    if (common.isEmpty())
        return dataFolder;
    const QString shared = common + u'/' + folders::kProgramSubfolder;
    if (!QFileInfo(shared).isDir())
        return dataFolder;
    if (!writableFolder(shared)) {
        // A user of the practice's group is told why the shared register is not used; for
        // everyone else the folder is none of theirs, and the own register is the ordinary case.
        if (sharedfolder::isMemberOfGroup(pathFacts(shared))) {
            location.missedFolder = shared + u'/';
            location.cause = QStringLiteral("Нет прав на запись в эту папку. Если вас только что "
                                            "добавили в группу её пользователей, войдите в "
                                            "систему заново.");
        }
        return dataFolder;
    }
    return shared + u'/';
}

// The register opened before was in `folder`.
bool wasIn(const QString &remembered, const QString &folder) {
    return !remembered.isEmpty() &&
           QDir::cleanPath(QFileInfo(remembered).absolutePath()) == QDir::cleanPath(folder);
}

// The register opened before is gone: renamed, moved or deleted, or its folder with it.
bool isGone(const QString &remembered) {
    return !remembered.isEmpty() && !QFileInfo::exists(remembered);
}

} // namespace

QString templateFile(const QString &programFolder) {
    const QString beside = folders::findIgnoringCase(programFolder, kTemplateName);
    if (!beside.isEmpty() || programFolder.isEmpty())
        return beside;
    return folders::findIgnoringCase(QDir::cleanPath(programFolder + kInstalledDataFolder),
                                     kTemplateName);
}

Location locate(const QString &programFolder, const QString &dataFolder, const QString &pathBase,
                const std::function<QString()> &commonAppData, const QString &remembered) {
    Location location;
    const QString ownBase = folders::findIgnoringCase(programFolder, kProgramSubfolder);
    if (!ownBase.isEmpty() && databaseIn(ownBase).isEmpty() && wasIn(remembered, ownBase)) {
        location.folder = folders::withTrailingSeparator(ownBase);
        location.missingRegister = remembered;
        return location;
    }
    if (!ownBase.isEmpty() && !databaseIn(ownBase).isEmpty()) {
        location.folder = folders::withTrailingSeparator(ownBase);
    } else {
        location.folder = wantedFolder(dataFolder, pathBase, commonAppData, location);
        // A register that vanished is never covered up by a new empty one: the user decides.
        if (databaseIn(location.folder).isEmpty() && isGone(remembered)) {
            location.missingRegister = remembered;
            return location;
        }
        if (databaseIn(location.folder).isEmpty()) {
            const QString emptyTemplate = templateFile(programFolder);
            if (emptyTemplate.isEmpty()) {
                location.failure = Failure::NoTemplate;
                return location;
            }
            templatecopy::Result copy = templatecopy::copyTemplate(emptyTemplate, location.folder);
            if (!copy.made && location.folder != dataFolder) {
                location.missedFolder = location.folder;
                location.cause = copy.cause;
                location.folder = dataFolder;
                // The database an earlier run made here is used again.
                if (!databaseIn(dataFolder).isEmpty()) {
                    copy = {true, QString(), QString()};
                } else if (isGone(remembered)) {
                    location.missingRegister = remembered;
                    return location;
                } else {
                    copy = templatecopy::copyTemplate(emptyTemplate, dataFolder);
                }
            }
            if (!copy.made) {
                location.failure = Failure::CopyFailed;
                location.cause = copy.cause;
                location.detail = copy.detail;
                return location;
            }
        }
    }
    location.file = databaseIn(location.folder);
    if (location.file.isEmpty()) {
        location.failure = Failure::NoDatabase;
    } else if (sharedfolder::refusesDatabase(
                   pathFacts(location.file),
                   pathFacts(folders::withoutTrailingSeparator(location.folder)), currentUser())) {
        location.failure = Failure::PlantedLink;
    }
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
               location.folder + u'\n' +
               (location.cause.isEmpty() ? QString() : location.cause + u'\n') + end;
    case Failure::NoDatabase:
        return QStringLiteral("Файл не найден.\n") + location.folder + kFileName + u'\n' + end;
    case Failure::PlantedLink:
        return QStringLiteral("Файл базы в общей папке является ссылкой на другой файл и не будет "
                              "открыт:\n") +
               location.file + u'\n' +
               QStringLiteral("Такую ссылку мог подложить любой, кто может писать в эту папку. "
                              "Замените её настоящим файлом базы.\n") +
               end;
    }
    return QString();
}

QString missingMessage(const QString &file) {
    return QStringLiteral("Не найдена база данных %1, с которой вы работали до сих пор.").arg(file);
}

QString fallbackNotice(const Location &location) {
    if (location.failure != Failure::None || location.missedFolder.isEmpty())
        return QString();
    QString text = QStringLiteral("Папка базы недоступна:\n") + location.missedFolder + u'\n';
    if (!location.cause.isEmpty())
        text += location.cause + u'\n';
    return text + QStringLiteral("Программа работает с базой в папке\n") + location.folder +
           QStringLiteral("\nЕсли в списке нет ваших пациентов, проверьте, доступна ли папка "
                          "базы, и запустите программу снова.");
}

} // namespace database
