#pragma once

#include "app/startup.h"
#include "data/shareddata.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class SettingsFile;

// The register's life through one run: where it is (what start-up settled), the settings file,
// the connection with its transactions and shared datasets, and the steps of the run — opened
// with the start list, closed for a service and opened again, ended once. The end sets aside what
// the open editors hold and the user has not confirmed (the recovery file), so that it never
// reaches the register half-written, and only then commits.
//
// The main window, the window manager and the service commands all work through it; it shows
// nothing itself: failures come back as DbError or as texts to tell.
class RegisterSession : public QObject {
    Q_OBJECT
public:
    explicit RegisterSession(const StartupState &state, QObject *parent = nullptr);
    ~RegisterSession() override;

    const StartupState &state() const { return m_state; }
    SettingsFile &settings() { return *m_settings; }
    SharedData &data() { return m_data; }
    const SharedData &data() const { return m_data; }
    // True while the register is open: from a successful opening until it is closed.
    bool isOpen() const { return m_open; }

    // Opens the register and the datasets, the patients of the start list. Raises DbError.
    void open();
    // Commits and closes the register, so that a service may work on its file. Raises DbError.
    void close();
    // Opens the register again after a service: with the start list (after a restore put another
    // file in place), or with the list shown before. Raises DbError; `reopened` tells the windows.
    void reopen(bool startList);

    // The connection to the server is gone: until it is reached again, nothing more is asked
    // of it, the end of the run included. The windows keep showing what they held.
    void connectionLost();
    // Reaches the register on the server again after the connection was lost: attaches anew,
    // reads the lists again on the rows they stood on, and puts back into the open editors what
    // they held unsaved. Raises DbError while the server cannot be reached; what the editors
    // held is kept for the next try.
    void reconnect();
    // Nothing is pending and no editor is open: the run's transactions are ended retaining
    // them, so that a server's clean-up of old record versions is not held back.
    void commitIdle();

    // The end of the run, once: the open editors' unconfirmed work goes into the recovery file
    // and is taken back, then the run's work is committed and the register closed; after a lost
    // connection, what the editors held goes into the recovery file and nothing more is asked of
    // the server, which took back everything uncommitted itself. Returns what could not be done,
    // in the user's words; the run ends all the same.
    QStringList end();

    // What the open editors held when an earlier run ended without the user's word, kept for
    // this register; and forgetting it once restored or refused.
    std::optional<Draft> recoveryDraft() const;
    void forgetRecovery();

Q_SIGNALS:
    // The register was opened again: with the start list when `startList`.
    void reopened(bool startList);

private:
    // The register's name in a recovery file: the full path of its file.
    QString registerName() const;
    QString recoveryPath() const;
    QStringList setAsideUnconfirmedWork();
    // Writes what the editors held into the recovery file; the failure, or nothing.
    QStringList keepForRecovery(const Draft &draft);
    // Notes what the open editors hold unsaved and lets the lost connection go; once per loss.
    void letGoOfLostConnection();

    StartupState m_state;
    std::unique_ptr<SettingsFile> m_settings;
    SharedData m_data;
    // What the open editors held when the connection was lost, until it is put back.
    std::optional<Draft> m_heldAcrossLoss;
    bool m_lost = false;
    bool m_open = false;
    bool m_ended = false;
};
