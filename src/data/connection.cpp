#include "data/connection.h"

#include "data/fbapi.h"
#include "data/programend.h"
#include "support/win1251codec.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <unistd.h>

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

namespace {

// A folder this user may keep lock files in: it exists or can be made, and everything already
// in it is writable by this user.
bool folderUsable(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QFileInfo(info.absolutePath()).isWritable();
    if (!info.isDir() || !info.isWritable())
        return false;
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    return std::all_of(entries.begin(), entries.end(),
                       [](const QFileInfo &entry) { return entry.isWritable(); });
}

} // namespace

void ensureUsableLockFolder() {
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    if (folderUsable(QStringLiteral("/tmp/firebird")))
        return;
    QString own = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (own.isEmpty())
        own = QDir::tempPath() + QStringLiteral("/ventrel-%1").arg(getuid());
    own += QStringLiteral("/firebird");
    QDir().mkpath(own);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
}

} // namespace fb

namespace {

constexpr const char *kUser = "sysdba";
constexpr const char *kPassword = "corvadine";
constexpr const char *kCharset = "WIN1251";
constexpr int kDialect = 3;

// The parameter block every attachment and every new database uses.
IXpbBuilder *connectionParameters(ThrowStatusWrapper *status, bool forCreate) {
    IXpbBuilder *dpb = fb::util()->getXpbBuilder(status, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(status, isc_dpb_user_name, kUser);
    dpb->insertString(status, isc_dpb_password, kPassword);
    dpb->insertString(status, isc_dpb_lc_ctype, kCharset);
    dpb->insertInt(status, isc_dpb_sql_dialect, kDialect);
    if (forCreate) {
        dpb->insertString(status, isc_dpb_set_db_charset, kCharset);
        dpb->insertInt(status, isc_dpb_page_size, 8192);
    }
    return dpb;
}

// Runs `work(status, provider, dpb)` with the dispatcher and the parameter block, releasing both.
template <typename Work> auto withProvider(bool forCreate, Work &&work) {
    return fb::call([&](ThrowStatusWrapper *status) {
        IXpbBuilder *dpb = connectionParameters(status, forCreate);
        IProvider *provider = fb::master()->getDispatcher();
        struct Cleanup {
            IXpbBuilder *dpb;
            IProvider *provider;
            ~Cleanup() {
                dpb->dispose();
                provider->release();
            }
        } cleanup{dpb, provider};
        return work(status, provider, dpb);
    });
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

void Connection::open(const QString &path) {
    if (m_attachment)
        throw DbError(QStringLiteral("Соединение с базой данных уже открыто."));
    fb::ensureUsableLockFolder();
    const QByteArray file = QFile::encodeName(path);
    m_attachment =
        withProvider(false, [&](ThrowStatusWrapper *status, IProvider *provider, IXpbBuilder *dpb) {
            return provider->attachDatabase(status, file.constData(), dpb->getBufferLength(status),
                                            dpb->getBuffer(status));
        });
    m_path = path;
    takeTheEndFromEngine();
}

void Connection::close() {
    if (!m_attachment)
        return;
    fb::call([&](ThrowStatusWrapper *status) { m_attachment->detach(status); });
    m_attachment = nullptr;
    m_path.clear();
}

void Connection::createDatabase(const QString &path) {
    fb::ensureUsableLockFolder();
    const QByteArray file = QFile::encodeName(path);
    withProvider(true, [&](ThrowStatusWrapper *status, IProvider *provider, IXpbBuilder *dpb) {
        IAttachment *attachment = provider->createDatabase(
            status, file.constData(), dpb->getBufferLength(status), dpb->getBuffer(status));
        attachment->detach(status);
    });
}
