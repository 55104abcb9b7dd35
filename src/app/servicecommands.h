#pragma once

#include "service/engineservices.h"
#include "service/validationreport.h"

#include <QObject>
#include <QString>

#include <functional>

class DailyBackup;
class QAction;
class QMenu;
class QWidget;
class RegisterSession;

// The commands of the menu "Сервис" — a backup, a restore and a check of the register — and
// the daily backup. The work runs in the engine while a progress window shows its lines; the
// register is closed only where it must be (a restore puts another file in its place, and a
// check needs every table free of the run's transaction) and then opened again, all through the
// register session.
class ServiceCommands : public QObject {
    Q_OBJECT
public:
    ServiceCommands(QWidget *window, RegisterSession &session);
    ~ServiceCommands() override;

    // The day's backup, in the background, when it is due and the settings want it.
    void startDailyBackup();
    // Makes `item` of `menu` tell how the daily backup stands (off, not made and why, a wrong
    // Keep) each time the menu opens; chosen, it tells more.
    void showDailyBackupIn(QAction *item, QMenu *menu);
    // The day's backup before a change that cannot be undone (two cards merged into one): made
    // now, in the progress window, when it is due and the settings want it; one running in the
    // background is waited for. False, told to the user, when it failed.
    bool backUpBeforeChange();
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
    void mmDailyBackupClick();

private:
    // The commands below touch the register: a daily backup still running ends first.
    void waitForDailyBackup();
    // Commits and closes the register; false (told) when the database refuses.
    bool closeRegister();
    // A register on the practice's server: its service manager does the work, signed in to as
    // the user of the run; the backup goes to a file on the server.
    engine::Manager serverManager() const;
    QString serverBackupFile() const;
    void backUpOnServer();
    void checkOnServer();
    void tellFindings(const ValidationFindings &findings, const QStringList &lines);
    // Opens the register again: with the start list after a restore, with the list shown before
    // otherwise; a refusal is told.
    void reopen(bool startList);

    QWidget *m_window;
    RegisterSession &m_session;
    DailyBackup *m_daily;
    QAction *m_dailyItem = nullptr;
};
