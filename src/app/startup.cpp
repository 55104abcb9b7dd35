#include "app/startup.h"

#include "app/databaselocation.h"
#include "app/folders.h"
#include "support/programinfo.h"
#include "support/settingsfile.h"

StartupResult settleStartup(const QString &executableFolder, const QStringList &arguments,
                            const std::function<QString()> &userAppData,
                            const std::function<QString()> &commonAppData) {
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

    const SettingsFile settings(state.settingsFile);
    const QString pathBase =
        settings.readString(QStringLiteral("Main"), QStringLiteral("PathBase"), QString());
    const database::Location location =
        database::locate(state.programFolder, state.dataFolder, pathBase, commonAppData);
    state.databaseFolder = location.folder;
    state.databaseFile = location.file;
    result.failure = database::failureMessage(location, state.programFolder);
    if (!result.failure.isEmpty())
        result.failureDetail = location.detail;
    result.notice = database::fallbackNotice(location);
    return result;
}
