#include "data/transaction.h"

#include "data/connection.h"
#include "data/fbapi.h"

using namespace Firebird;

namespace {

constexpr int kLockTimeoutSeconds = 5;

} // namespace

Transaction::Transaction(Connection &connection, Isolation isolation)
    : m_connection(connection), m_isolation(isolation) {}

Transaction::~Transaction() {
    // The owner ends the transaction on purpose (commit at the end of the run); a transaction
    // still running here is only let go, so that its work is neither written nor undone twice.
    fb::release(m_transaction);
}

ITransaction *Transaction::handle() {
    if (!m_transaction) {
        if (!m_connection.isOpen())
            throw DbError(QStringLiteral("Нет соединения с базой данных."));
        m_transaction = fb::call([&](ThrowStatusWrapper *status) -> ITransaction * {
            if (m_isolation == Isolation::ServerDefault)
                return m_connection.attachment()->startTransaction(status, 0, nullptr);
            IXpbBuilder *tpb = fb::util()->getXpbBuilder(status, IXpbBuilder::TPB, nullptr, 0);
            try {
                if (m_isolation == Isolation::ReadOnlySnapshot) {
                    tpb->insertTag(status, isc_tpb_read);
                    tpb->insertTag(status, isc_tpb_concurrency);
                    tpb->insertTag(status, isc_tpb_nowait);
                } else {
                    tpb->insertTag(status, isc_tpb_write);
                    tpb->insertTag(status, isc_tpb_read_committed);
                    tpb->insertTag(status, isc_tpb_rec_version);
                    tpb->insertTag(status, isc_tpb_wait);
                    tpb->insertInt(status, isc_tpb_lock_timeout, kLockTimeoutSeconds);
                }
                ITransaction *started = m_connection.attachment()->startTransaction(
                    status, tpb->getBufferLength(status), tpb->getBuffer(status));
                tpb->dispose();
                return started;
            } catch (...) {
                tpb->dispose();
                throw;
            }
        });
    }
    return m_transaction;
}

void Transaction::execute(const QString &sql) {
    const QByteArray text = sql.toLatin1();
    ITransaction *running = handle();
    fb::call([&](ThrowStatusWrapper *status) {
        m_connection.attachment()->execute(status, running, unsigned(text.size()), text.constData(),
                                           3, nullptr, nullptr, nullptr, nullptr);
    });
}

void Transaction::commitRetaining() {
    if (m_transaction)
        fb::call([&](ThrowStatusWrapper *status) { m_transaction->commitRetaining(status); });
    ++m_ends;
}

void Transaction::rollbackRetaining() {
    if (m_transaction)
        fb::call([&](ThrowStatusWrapper *status) { m_transaction->rollbackRetaining(status); });
    ++m_ends;
}

void Transaction::commit() {
    if (!m_transaction)
        return;
    fb::call([&](ThrowStatusWrapper *status) { m_transaction->commit(status); });
    m_transaction = nullptr; // a successful commit releases the interface
    ++m_ends;
}

void Transaction::abandon() {
    if (!m_transaction)
        return;
    fb::release(m_transaction);
    ++m_ends;
}

void Transaction::rollback() {
    if (!m_transaction)
        return;
    fb::call([&](ThrowStatusWrapper *status) { m_transaction->rollback(status); });
    m_transaction = nullptr;
    ++m_ends;
}

Savepoint::Savepoint(Transaction &transaction)
    : m_transaction(transaction),
      m_name(QStringLiteral("VENTREL_SP%1").arg(++transaction.m_savepoints)),
      m_end(transaction.m_ends) {
    m_transaction.execute(QStringLiteral("SAVEPOINT ") + m_name);
}

void Savepoint::release() {
    m_transaction.execute(QStringLiteral("RELEASE SAVEPOINT ") + m_name);
}

void Savepoint::rollBack() {
    m_transaction.execute(QStringLiteral("ROLLBACK TO SAVEPOINT ") + m_name);
}
