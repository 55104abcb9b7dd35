#pragma once

#include "app/startup.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TfmSignIn;
}
class SettingsFile;

// The sign-in to the practice's server at start `fmSignIn`: the user (the login name at first,
// the last one signed in afterwards) and the password, kept in the desktop's keyring when asked.
// "Войти" tries the connection and says in the window what failed; the user tries again, works
// with the register on this computer this time, or leaves.
class TfmSignIn : public QDialog {
    Q_OBJECT
public:
    enum class Outcome { SignedIn, Local, Exit };

    // Signs `state`'s user in to its server: on success the state holds the user and the
    // password, and the settings remember the user.
    static Outcome signIn(StartupState &state, SettingsFile &settings, QWidget *parent = nullptr);

    TfmSignIn(StartupState &state, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmSignIn() override;

    Outcome outcome() const { return m_outcome; }

public Q_SLOTS:
    void btSignInClick();
    void btLocalClick();

private:
    const std::unique_ptr<Ui::TfmSignIn> m_ui;
    StartupState &m_state;
    SettingsFile &m_settings;
    Outcome m_outcome = Outcome::Exit;
};
