#pragma once

#include "app/startup.h"

#include <QObject>
#include <QString>

#include <functional>

class DailyBackup;
class QWidget;
class SettingsFile;
class SharedData;

// The commands of the menu "Сервис" — a backup, a restore and a check of the register — and
// the daily backup. The work runs in the engine while a progress window shows its lines; the
// register is closed only where it must be (a restore puts another file in its place, and a
// check needs every table free of the run's transaction) and then opened again.
class ServiceCommands : public QObject {
    Q_OBJECT
public:
    // Opens the register again after it was closed here: with the start list after a restore,
    // with the list shown before otherwise.
    using Reopen = std::function<void(bool startList)>;

    ServiceCommands(QWidget *window, SharedData &data, const StartupState &state, Reopen reopen);
    ~ServiceCommands() override;

    // The day's backup, in the background, when it is due and the settings want it.
    void startDailyBackup(const SettingsFile &settings);
    // The day's backup before a change that cannot be undone (two cards merged into one): made
    // now, in the progress window, when it is due and the settings want it; one running in the
    // background is waited for. False, told to the user, when it failed.
    bool backUpBeforeChange(const SettingsFile &settings);
    DailyBackup &dailyBackup() { return *m_daily; }

    // The file dialogs: where to write a backup (given a suggested file) and which backup to
    // restore (given the folder to start in); the empty text when the user cancels. Tests put
    // their own answers here.
    std::function<QString(const QString &suggested)> chooseBackupTarget;
    std::function<QString(const QString &folder)> chooseBackupSource;

public Q_SLOTS:
    void mmBackupClick();
    void mmRestoreClick();
    void mmCheckClick();

private:
    // The commands below touch the register: a daily backup still running ends first.
    void waitForDailyBackup();
    // Commits and closes the register; false (told) when the database refuses.
    bool closeRegister();

    QWidget *m_window;
    SharedData &m_data;
    StartupState m_state;
    Reopen m_reopen;
    DailyBackup *m_daily;
};
