#include "data/connection.h"

#include "data/fbapi.h"
#include "data/lockfolder.h"
#include "data/programend.h"
#include "support/win1251codec.h"

#include <QDir>

using namespace Firebird;

namespace fb {

IMaster *master() {
    static IMaster *const instance = fb_get_master_interface();
    return instance;
}

IUtil *util() {
    return master()->getUtilInterface();
}

QString statusText(const IStatus *status) {
    char buffer[2048];
    const unsigned length =
        util()->formatStatus(buffer, sizeof buffer, const_cast<IStatus *>(status));
    return win1251::decode(buffer, qsizetype(std::min<unsigned>(length, sizeof buffer - 1)))
        .trimmed();
}

DbError errorOf(const IStatus *status) {
    QList<qint64> codes;
    int systemError = 0;
    // The vector is a run of (kind, value) pairs; strings and numbers only fill in the text.
    for (const intptr_t *item = const_cast<IStatus *>(status)->getErrors(); *item != isc_arg_end;
         item += 2) {
        if (item[0] == isc_arg_gds)
            codes << qint64(item[1]);
        else if (item[0] == isc_arg_unix)
            systemError = int(item[1]);
        else if (item[0] == isc_arg_cstring)
            ++item; // a length, then the text
    }
    return DbError(statusText(status), codes, systemError);
}

void ensureUsableLockFolder() {
    const lockfolder::Choice choice = lockfolder::choose(
        qEnvironmentVariable("FIREBIRD_LOCK"), lockfolder::kEngineDefault,
        qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), currentUser());
    if (!choice.refusal.isEmpty())
        throw DbError(choice.refusal);
    // Set before the engine starts, which reads it once; later calls only check the folder.
    qputenv("FIREBIRD_LOCK", QFile::encodeName(choice.folder));
}

} // namespace fb

namespace {

constexpr const char *kUser = "sysdba";
constexpr const char *kPassword = "corvadine";
constexpr const char *kCharset = "WIN1251";
constexpr int kDialect = 3;
// A server is spoken to only with the wire encrypted, and signed in to by the secure password
// protocol: a server that would talk in the clear is refused.
constexpr const char *kServerClientConfig = "WireCrypt = Required\nAuthClient = Srp";

// The parameter block of an attachment: the program's own user for a file on this computer, the
// signed-in user with the register's role on a server, whose wire must be encrypted; and of a
// new database.
void fillConnectionParameters(ThrowStatusWrapper *status, IXpbBuilder *dpb,
                              const ConnectionTarget &target, bool forCreate) {
    if (target.onServer) {
        dpb->insertString(status, isc_dpb_user_name, target.user.toUtf8().constData());
        dpb->insertString(status, isc_dpb_password, target.password.toUtf8().constData());
        if (!target.role.isEmpty())
            dpb->insertString(status, isc_dpb_sql_role_name, target.role.toUtf8().constData());
        dpb->insertString(status, isc_dpb_config, kServerClientConfig);
    } else {
        dpb->insertString(status, isc_dpb_user_name, kUser);
        dpb->insertString(status, isc_dpb_password, kPassword);
    }
    dpb->insertString(status, isc_dpb_lc_ctype, kCharset);
    dpb->insertInt(status, isc_dpb_sql_dialect, kDialect);
    if (forCreate) {
        dpb->insertString(status, isc_dpb_set_db_charset, kCharset);
        dpb->insertInt(status, isc_dpb_page_size, 8192);
    }
}

// Runs `work(status, provider, dpb)` with the dispatcher and the target's parameter block.
template <typename Work>
auto withProvider(const ConnectionTarget &target, bool forCreate, Work &&work) {
    return fb::withDispatcher(
        [&](ThrowStatusWrapper *status, IXpbBuilder *dpb) {
            fillConnectionParameters(status, dpb, target, forCreate);
        },
        std::forward<Work>(work));
}

} // namespace

Connection::Connection() = default;

Connection::~Connection() {
    if (m_attachment) {
        // A transaction still open would make the detach fail; the owner commits first. Here
        // only the reference is dropped, so that nothing is written behind the owner's back.
        fb::release(m_attachment);
    }
}

void Connection::open(const ConnectionTarget &target) {
    if (m_attachment)
        throw DbError(QStringLiteral("Соединение с базой данных уже открыто."));
    // The engine's lock files matter only where the engine runs inside the program.
    if (!target.onServer)
        fb::ensureUsableLockFolder();
    const QByteArray database =
        target.onServer ? target.database.toUtf8() : QFile::encodeName(target.database);
    m_attachment = withProvider(
        target, false, [&](ThrowStatusWrapper *status, IProvider *provider, IXpbBuilder *dpb) {
            return provider->attachDatabase(status, database.constData(),
                                            dpb->getBufferLength(status), dpb->getBuffer(status));
        });
    m_target = target;
    takeTheEndFromEngine();
}

void Connection::abandon() {
    fb::release(m_attachment);
}

void Connection::close() {
    if (!m_attachment)
        return;
    fb::call([&](ThrowStatusWrapper *status) { m_attachment->detach(status); });
    m_attachment = nullptr;
}

void Connection::createDatabase(const QString &path) {
    fb::ensureUsableLockFolder();
    const QByteArray file = QFile::encodeName(path);
    withProvider(ConnectionTarget::localFile(path), true,
                 [&](ThrowStatusWrapper *status, IProvider *provider, IXpbBuilder *dpb) {
                     IAttachment *attachment = provider->createDatabase(
                         status, file.constData(), dpb->getBufferLength(status),
                         dpb->getBuffer(status));
                     attachment->detach(status);
                 });
}
