#include "app/startup.h"

#include "app/databaselocation.h"
#include "app/folders.h"
#include "service/dailybackup.h"
#include "service/registerservices.h"
#include "service/workfiles.h"
#include "support/dates.h"
#include "support/programinfo.h"
#include "support/settingsfile.h"
#include "support/win1251codec.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString kMainSection = QStringLiteral("Main");

// The register remembered in the settings: a path as written, or a "file:" address for a path
// the settings file's code page cannot hold.
QString rememberedRegister(const SettingsFile &settings) {
    const QString text = settings.readString(kMainSection, kLastBaseKey, QString());
    return text.startsWith(QLatin1String("file:")) ? QUrl(text).toLocalFile() : text;
}

void rememberRegister(SettingsFile &settings, const QString &file) {
    const QString path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    if (rememberedRegister(settings) == path)
        return;
    const bool plain = win1251::encode(path).has_value() && path.trimmed() == path &&
                       !path.startsWith(u'"') && !path.startsWith(u'\'');
    // A settings file that cannot be written is told at the end of the run, when the windows
    // write theirs; until then the register simply is not remembered.
    settings.writeString(kMainSection, kLastBaseKey,
                         plain ? path : QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
}

// What earlier runs of this user left half done in the folders the program writes.
void tidyUp(const database::Location &location, const QString &dataFolder) {
    if (!location.file.isEmpty())
        registerfile::finishInterruptedRestore(location.file, dates::today());
    workfiles::removeLeftovers(location.folder);
    const QString backups = dailybackup::folderFor(dataFolder);
    if (dailybackup::folderRefusal(backups).isEmpty())
        workfiles::removeLeftovers(backups);
}

} // namespace

QString loginName() {
    const QString name = qEnvironmentVariable("USER");
    return name.isEmpty() ? qEnvironmentVariable("LOGNAME") : name;
}

StartupResult settleStartup(const QString &executableFolder, const QStringList &arguments,
                            const std::function<QString()> &userAppData,
                            const std::function<QString()> &commonAppData,
                            const ServerChoice &choice) {
    StartupResult result;
    StartupState &state = result.state;
    state.viewMode = program::isViewModeSwitch(arguments);
    state.programFolder = folders::programFolderFor(executableFolder);
    // The user's folder is not asked for when a "Ventrel.ini" beside the program takes over.
    const bool portable =
        !folders::findIgnoringCase(state.programFolder, folders::kSettingsFileName).isEmpty();
    state.dataFolder =
        portable ? state.programFolder : folders::dataFolderFor(state.programFolder, userAppData());
    state.settingsFile = folders::settingsFilePath(state.dataFolder);

    SettingsFile settings(state.settingsFile);
    if (const QString named = choice.local ? QString()
                              : choice.server.isEmpty()
                                  ? settings.readString(kMainSection, kServerKey, QString())
                                  : choice.server;
        !named.trimmed().isEmpty()) {
        state.server = ServerAddress::parse(named);
        if (!state.server) {
            result.failure = QStringLiteral("Сервер «%1» указан неверно: нужно имя или адрес "
                                            "сервера, за ним, если нужно, /порт и :имя базы.")
                                 .arg(named);
            return result;
        }
        // The alias comes from the settings unless the server's own text names one.
        if (!named.contains(u':')) {
            state.server->alias =
                settings.readString(kMainSection, kServerDatabaseKey, ServerAddress::kDefaultAlias);
        }
        state.user = !choice.user.isEmpty()
                         ? choice.user
                         : settings.readString(kMainSection, kServerUserKey, loginName());
        state.databaseFile = state.server->connectionString();
        return result;
    }
    const QString pathBase =
        settings.readString(kMainSection, QStringLiteral("PathBase"), QString());
    const database::Location location =
        database::locate(state.programFolder, state.dataFolder, pathBase, commonAppData,
                         rememberedRegister(settings));
    state.databaseFolder = location.folder;
    state.databaseFile = location.file;
    result.failure = database::failureMessage(location, state.programFolder);
    if (!result.failure.isEmpty()) {
        result.failureDetail = location.detail;
        return result;
    }
    result.notice = database::fallbackNotice(location);
    result.missingRegister = location.missingRegister;
    tidyUp(location, state.dataFolder);
    if (!location.file.isEmpty())
        rememberRegister(settings, location.file);
    return result;
}
