#include "data/transaction.h"

#include "data/connection.h"
#include "data/fbapi.h"

using namespace Firebird;

Transaction::Transaction(Connection &connection) : m_connection(connection) {}

Transaction::~Transaction() {
    // The owner ends the transaction on purpose (commit at the end of the run); a transaction
    // still running here is only let go, so that its work is neither written nor undone twice.
    fb::release(m_transaction);
}

ITransaction *Transaction::handle() {
    if (!m_transaction) {
        if (!m_connection.isOpen())
            throw DbError(QStringLiteral("Нет соединения с базой данных."));
        m_transaction = fb::call([&](ThrowStatusWrapper *status) {
            return m_connection.attachment()->startTransaction(status, 0, nullptr);
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
