#pragma once

#include "app/programwindows.h"
#include "app/startup.h"
#include "app/tfmmain.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A character typed into a box as a person types it (QTest::keyClicks asserts on Cyrillic text
// in Qt 6.4).
inline void typeCharacter(QWidget *box, QChar character) {
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

// The program's main window, with every other window, on a register, as the benchmarks that
// time the windows start it: its settings file lies in a scratch folder of its own.
struct MainWindowRun {
    explicit MainWindowRun(const QString &registerPath) {
        StartupState state;
        state.programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        state.dataFolder = settingsFolder.path() + QLatin1Char('/');
        state.databaseFile = QFileInfo(registerPath).absoluteFilePath();
        state.databaseFolder = QFileInfo(state.databaseFile).absolutePath() + QLatin1Char('/');
        state.settingsFile = state.dataFolder + QStringLiteral("Ventrel.ini");
        window = std::make_unique<TfmMain>(state);
        windows = new ProgramWindows(window.get());
    }

    // Shows the main window and waits for its start list; false when it has not come within a
    // minute.
    bool showLoaded() {
        window->show();
        return QTest::qWaitFor([this] { return window->isLoaded(); }, 60000);
    }

    QTemporaryDir settingsFolder;
    std::unique_ptr<TfmMain> window;
    ProgramWindows *windows = nullptr;
};
