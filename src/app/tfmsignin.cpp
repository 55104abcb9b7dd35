#include "app/tfmsignin.h"

#include "app/passwordstore.h"
#include "app/signinfailure.h"
#include "support/settingsfile.h"
#include "ui_tfmsignin.h"
#include "widgets/dialogwindow.h"
#include "widgets/helpwindow.h"
#include "widgets/labelhints.h"

#include <QGuiApplication>
#include <QPushButton>

TfmSignIn::TfmSignIn(StartupState &state, SettingsFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfmSignIn>()), m_state(state),
      m_settings(settings) {
    m_ui->setupUi(this);
    setUpMinimizableDialog(this);
    addHelpKey(this, kServerHelpTopic);
    showHints(this);
    m_ui->lbServer->setText(
        QStringLiteral("Сервер %1, база «%2»").arg(state.server->server(), state.server->alias));
    m_ui->edUser->setText(state.user);
    if (const std::optional<QString> kept =
            PasswordStore::instance().read(PasswordStore::keyFor(*state.server, state.user))) {
        m_ui->edPassword->setText(*kept);
        m_ui->chkRemember->setChecked(true);
    }
    (state.user.isEmpty() ? m_ui->edUser : m_ui->edPassword)->setFocus();
    connect(m_ui->btSignIn, &QPushButton::clicked, this, &TfmSignIn::btSignInClick);
    connect(m_ui->btLocal, &QPushButton::clicked, this, &TfmSignIn::btLocalClick);
    connect(m_ui->btExit, &QPushButton::clicked, this, &QDialog::reject);
}

TfmSignIn::~TfmSignIn() = default;

TfmSignIn::Outcome TfmSignIn::signIn(StartupState &state, SettingsFile &settings, QWidget *parent) {
    TfmSignIn window(state, settings, parent);
    window.exec();
    return window.outcome();
}

void TfmSignIn::btSignInClick() {
    StartupState tried = m_state;
    tried.user = m_ui->edUser->text().trimmed();
    tried.password = m_ui->edPassword->text();
    m_ui->lbProblem->clear();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString problem = signinfailure::trySigningIn(*tried.server, tried.user, tried.password);
    QGuiApplication::restoreOverrideCursor();
    if (!problem.isEmpty()) {
        m_ui->lbProblem->setText(problem);
        m_ui->edPassword->setFocus();
        m_ui->edPassword->selectAll();
        return;
    }
    const QString key = PasswordStore::keyFor(*tried.server, tried.user);
    if (m_ui->chkRemember->isChecked())
        PasswordStore::instance().write(key, tried.password);
    else
        PasswordStore::instance().forget(key);
    m_settings.writeString(QStringLiteral("Main"), kServerUserKey, tried.user);
    m_state = tried;
    m_outcome = Outcome::SignedIn;
    accept();
}

void TfmSignIn::btLocalClick() {
    m_outcome = Outcome::Local;
    accept();
}
