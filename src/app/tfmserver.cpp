#include "app/tfmserver.h"

#include "app/signinfailure.h"
#include "support/settingsfile.h"
#include "ui_tfmserver.h"
#include "widgets/dialogwindow.h"
#include "widgets/helpwindow.h"
#include "widgets/labelhints.h"
#include "widgets/messagebox.h"

#include <QGuiApplication>
#include <QPushButton>

namespace {
const QString kMain = QStringLiteral("Main");
}

TfmServer::TfmServer(const StartupState &state, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmServer>()), m_settings(settings) {
    m_ui->setupUi(this);
    setUpMinimizableDialog(this);
    addHelpKey(this, kServerHelpTopic);
    showHints(this);
    const ServerAddress shown = state.server.value_or(ServerAddress());
    m_ui->edServer->setText(shown.host);
    m_ui->sbPort->setValue(shown.port);
    m_ui->edAlias->setText(shown.alias);
    m_ui->edUser->setText(state.server ? state.user : loginName());
    m_ui->btLocal->setEnabled(bool(state.server));
    connect(m_ui->btTry, &QPushButton::clicked, this, &TfmServer::btTryClick);
    connect(m_ui->btOK, &QPushButton::clicked, this, &TfmServer::btOKClick);
    connect(m_ui->btLocal, &QPushButton::clicked, this, &TfmServer::btLocalClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfmServer::~TfmServer() = default;

ServerAddress TfmServer::address() const {
    ServerAddress address;
    address.host = m_ui->edServer->text().trimmed();
    address.port = m_ui->sbPort->value();
    address.alias = m_ui->edAlias->text().trimmed();
    if (address.alias.isEmpty())
        address.alias = ServerAddress::kDefaultAlias;
    return address;
}

bool TfmServer::btTryClick() {
    const ServerAddress server = address();
    if (server.host.isEmpty() || !ServerAddress::parse(server.host)) {
        m_ui->lbResult->setText(QStringLiteral("Укажите имя или адрес сервера."));
        m_ui->edServer->setFocus();
        return false;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString problem = signinfailure::trySigningIn(server, m_ui->edUser->text().trimmed(),
                                                        m_ui->edPassword->text());
    QGuiApplication::restoreOverrideCursor();
    m_ui->lbResult->setText(
        problem.isEmpty()
            ? QStringLiteral("Подключение к серверу %1 работает.").arg(server.server())
            : problem);
    return problem.isEmpty();
}

void TfmServer::btOKClick() {
    if (!btTryClick())
        return;
    const ServerAddress server = address();
    const bool written =
        m_settings.writeString(kMain, kServerKey, server.server()) &&
        m_settings.writeString(kMain, kServerDatabaseKey, server.alias) &&
        m_settings.writeString(kMain, kServerUserKey, m_ui->edUser->text().trimmed());
    if (!written) {
        MessageBox::error(this, m_settings.writeErrorText());
        return;
    }
    MessageBox::tell(this, QStringLiteral("При следующем запуске программа подключится к "
                                          "серверу %1.")
                               .arg(server.server()));
    accept();
}

void TfmServer::btLocalClick() {
    if (!m_settings.writeString(kMain, kServerKey, QString())) {
        MessageBox::error(this, m_settings.writeErrorText());
        return;
    }
    MessageBox::tell(this, QStringLiteral("При следующем запуске программа будет работать с "
                                          "базой на этом компьютере."));
    accept();
}
