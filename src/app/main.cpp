// Вентрель: a register of outpatients for a doctor's practice.

#include "app/folders.h"
#include "app/programwindows.h"
#include "app/startup.h"
#include "app/tfmmain.h"
#include "data/terminationsignal.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
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
    QApplication app(argc, argv);
    installRussian(app);

    const StartupResult start =
        settleStartup(QCoreApplication::applicationDirPath(), QCoreApplication::arguments(),
                      folders::userAppDataFolder, folders::commonAppDataFolder);
    if (!start.failure.isEmpty()) {
        MessageBox::tell(nullptr, start.failure);
        return 1;
    }

    auto fmMain = std::make_unique<TfmMain>(start.state);
    new ProgramWindows(fmMain.get());
    // A termination signal (the session ending, kill) closes the main window as the user would,
    // so that the work of the run is committed.
    routeTerminationSignals([window = QPointer<TfmMain>(fmMain.get())] {
        QMetaObject::invokeMethod(
            qApp,
            [window] {
                if (window)
                    window->close();
            },
            Qt::QueuedConnection);
    });
    fmMain->show();
    const int result = app.exec();
    // The end of the run: windows write their settings and the work is committed.
    fmMain.reset();
    return result;
}
