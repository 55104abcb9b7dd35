#pragma once

#include "app/startup.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TfmServer;
}
class SettingsFile;

// "Подключение к серверу..." `fmServer`: the practice's server, its port, the register's alias
// on it and the user, kept in the settings ([Main] Server=, Database=, User=) once a connection
// with them has been tried; or back to the register on this computer. The change takes effect
// at the next start.
class TfmServer : public QDialog {
    Q_OBJECT
public:
    TfmServer(const StartupState &state, SettingsFile &settings, QWidget *parent = nullptr);
    ~TfmServer() override;

public Q_SLOTS:
    // Tries the connection; true when it works, the window telling either way.
    bool btTryClick();
    void btOKClick();
    void btLocalClick();

private:
    ServerAddress address() const;

    const std::unique_ptr<Ui::TfmServer> m_ui;
    SettingsFile &m_settings;
};
