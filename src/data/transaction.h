#pragma once

#include <QString>

namespace Firebird {
class ITransaction;
}
class Connection;

// The one read-write transaction of the run, with the server's default parameters. It starts
// by itself when first needed; committing or rolling back while retaining keeps it, and every
// open cursor, as they are.
class Transaction {
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // The running transaction, started now when there is none.
    Firebird::ITransaction *handle();
    bool isActive() const { return m_transaction != nullptr; }

    // Runs a statement that needs no parameters and returns no rows (savepoints).
    void execute(const QString &sql);

    void commitRetaining();
    void rollbackRetaining();
    // Ends the transaction for good; the next statement starts a new one.
    void commit();
    void rollback();

private:
    Connection &m_connection;
    Firebird::ITransaction *m_transaction = nullptr;
};
