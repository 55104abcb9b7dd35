// Вентрель: a register of outpatients for a doctor's practice.

#include "app/commandline.h"
#include "app/desktopidentity.h"
#include "app/folders.h"
#include "app/missingregister.h"
#include "app/programwindows.h"
#include "app/reportcommand.h"
#include "app/sessionplatform.h"
#include "app/startup.h"
#include "app/tfmmain.h"
#include "app/tfmsignin.h"
#include "data/programend.h"
#include "support/settingsfile.h"
#include "widgets/messagebox.h"
#include "widgets/palettes.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace {

// Standard buttons and dialogs in Russian: Да, Нет, Отмена.
void installRussian(QApplication &app) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

} // namespace

int main(int argc, char **argv) {
    // An administrator's command (a backup, a restore, a check) and a report run without a
    // window, so that they work from a timer or a script where no display is.
    const commandline::Request request = commandline::parse(commandline::argumentsOf(argc, argv));
    if (request.action == commandline::Action::Report && request.error.isEmpty())
        return reportcommand::runWithoutWindow(argc, argv, request);
    if (request.action != commandline::Action::Window || !request.error.isEmpty())
        return commandline::runWithoutWindow(argc, argv, request);

    const bool platformChosen = sessionplatform::chooseForSession();
    QApplication app(argc, argv);
    if (platformChosen)
        sessionplatform::forgetChoice();
    introduceToDesktop();
    installRussian(app);
    palettes::applyToApplication(qEnvironmentVariable("VENTREL_PALETTE"));
    // SIGTERM, SIGINT and SIGHUP end the run the ordinary way from the event loop, also while a
    // modal window or a message box is open: every event loop is left, and the end commits.
    routeProgramEnd(&app, [] { QCoreApplication::exit(0); });

    ServerChoice choice = request.server;
    const auto settle = [&choice] {
        return settleStartup(QCoreApplication::applicationDirPath(), QCoreApplication::arguments(),
                             folders::userAppDataFolder, folders::commonAppDataFolder, choice);
    };
    StartupResult start = settle();
    // A register on the practice's server: the user signs in first, or works with the register
    // on this computer this time.
    while (start.failure.isEmpty() && start.state.server) {
        SettingsFile settings(start.state.settingsFile);
        const TfmSignIn::Outcome signedIn = TfmSignIn::signIn(start.state, settings);
        if (signedIn == TfmSignIn::Outcome::Exit)
            return 0;
        if (signedIn == TfmSignIn::Outcome::SignedIn)
            break;
        choice.local = true;
        start = settle();
    }
    // The register this user worked with is gone: the user decides what comes in its place.
    while (start.failure.isEmpty() && !start.missingRegister.isEmpty()) {
        if (!missingregister::resolve(start))
            return 0;
        start = settle();
    }
    if (!start.failure.isEmpty()) {
        if (start.failureDetail.isEmpty())
            MessageBox::tell(nullptr, start.failure);
        else
            MessageBox::error(nullptr, start.failure, start.failureDetail);
        return 1;
    }
    if (!start.notice.isEmpty())
        MessageBox::tell(nullptr, start.notice);

    auto fmMain = std::make_unique<TfmMain>(start.state);
    new ProgramWindows(fmMain.get());
    // Qt ends the process with exit() when the connection to the X server breaks: the run is
    // committed and the settings written then too.
    setEndAtExit([window = fmMain.get()] { window->endRun(TfmMain::EndMode::Quietly); });
    fmMain->show();
    const int result = app.exec();
    // The end of the run: the work is committed, then the windows write their settings.
    fmMain.reset();
    setEndAtExit({});
    return result;
}
