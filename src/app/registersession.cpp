#include "app/registersession.h"

#include "app/patientlists.h"
#include "data/dberror.h"
#include "data/recoveryfile.h"
#include "support/dates.h"
#include "support/settingsfile.h"

#include <QFileInfo>

namespace {

QString startListSql() {
    return patientlists::startListSql(dates::monthBack(dates::today()));
}

} // namespace

RegisterSession::RegisterSession(const StartupState &state, QObject *parent)
    : QObject(parent), m_state(state),
      m_settings(std::make_unique<SettingsFile>(state.settingsFile)) {}

RegisterSession::~RegisterSession() = default;

void RegisterSession::open() {
    m_open = false;
    m_data.open(m_state.target(), startListSql());
    m_open = true;
}

void RegisterSession::close() {
    m_open = false;
    m_data.close();
}

void RegisterSession::reopen(bool startList) {
    const QString shownList = m_data.ibdsMain.selectSql();
    const bool fromStart = startList || shownList.isEmpty();
    m_open = false;
    m_data.open(m_state.target(), fromStart ? startListSql() : shownList);
    m_open = true;
    Q_EMIT reopened(fromStart);
}

void RegisterSession::connectionLost() {
    m_lost = true;
}

void RegisterSession::letGoOfLostConnection() {
    if (m_heldAcrossLoss)
        return;
    m_heldAcrossLoss = m_data.unconfirmed.describe();
    m_data.abandonConnection();
}

void RegisterSession::reconnect() {
    letGoOfLostConnection();
    m_open = false;
    m_data.reattach();
    m_open = true;
    m_lost = false;
    m_data.unconfirmed.resume(*std::exchange(m_heldAcrossLoss, std::nullopt));
}

void RegisterSession::commitIdle() {
    if (m_open)
        m_data.commitIdle();
}

QStringList RegisterSession::end() {
    if (std::exchange(m_ended, true))
        return {};
    if (m_lost) {
        letGoOfLostConnection();
        m_open = false;
        return m_heldAcrossLoss->holdsAnything() ? keepForRecovery(*m_heldAcrossLoss)
                                                 : QStringList();
    }
    QStringList problems = setAsideUnconfirmedWork();
    try {
        m_data.close();
    } catch (const DbError &error) {
        problems << error.message();
    }
    m_open = false;
    return problems;
}

QStringList RegisterSession::setAsideUnconfirmedWork() {
    const UnconfirmedWork::SetAside aside = m_data.unconfirmed.setAside();
    QStringList problems;
    if (aside.draft)
        problems << keepForRecovery(*aside.draft);
    if (!aside.failure.isEmpty()) {
        // What the editors held may be in the register half-written: nothing of this run that is
        // not yet committed may reach it. Every confirmed change was committed when confirmed.
        QString refused = aside.failure;
        try {
            m_data.ibTrans.rollback();
        } catch (const DbError &error) {
            refused += u'\n' + error.message();
        }
        problems << refused;
    }
    return problems;
}

QStringList RegisterSession::keepForRecovery(const Draft &draft) {
    const QString failure = recoveryfile::write(recoveryPath(), registerName(), draft);
    if (failure.isEmpty())
        return {};
    return {QStringLiteral("Несохранённую карточку не удалось записать для восстановления: %1")
                .arg(failure)};
}

std::optional<Draft> RegisterSession::recoveryDraft() const {
    return recoveryfile::read(recoveryPath(), registerName());
}

void RegisterSession::forgetRecovery() {
    recoveryfile::remove(recoveryPath());
}

QString RegisterSession::registerName() const {
    // A register on a server is told by the user signed in and where: another user's unsaved
    // card is never offered to this one.
    if (m_state.server)
        return m_state.user + u'@' + m_state.server->connectionString();
    const QFileInfo file(m_state.databaseFile);
    const QString canonical = file.canonicalFilePath();
    return canonical.isEmpty() ? file.absoluteFilePath() : canonical;
}

QString RegisterSession::recoveryPath() const {
    return recoveryfile::pathBeside(m_state.settingsFile);
}
