#pragma once

#include <QString>

namespace Firebird {
class ITransaction;
}
class Connection;

// A transaction, read-write unless its isolation says otherwise, that starts by itself when first
// needed; committing or rolling back while retaining keeps it, and every open cursor, as they are.
class Transaction {
public:
    enum class Isolation {
        // The server's default parameters: the run's own transaction, that the editors save,
        // discard and commit in.
        ServerDefault,
        // Reads what others committed last, waits a few seconds for a row that another
        // transaction changes and then gives up: a transaction of its own next to the run's
        // (the reference books'), which must never wait for the run's transaction for ever.
        ReadCommitted,
        // Reads only, and sees what was committed when it started, whatever is committed while
        // it runs: the reports, whose several statements must agree with each other. Never waits
        // for a row and holds no lock.
        ReadOnlySnapshot,
    };

    explicit Transaction(Connection &connection, Isolation isolation = Isolation::ServerDefault);
    // The isolation of the transactions started from now on.
    void setIsolation(Isolation isolation) { m_isolation = isolation; }
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    Connection &connection() const { return m_connection; }
    // The running transaction, started now when there is none.
    Firebird::ITransaction *handle();
    bool isActive() const { return m_transaction != nullptr; }

    // Runs a statement that needs no parameters and returns no rows.
    void execute(const QString &sql);

    void commitRetaining();
    void rollbackRetaining();
    // Ends the transaction for good; the next statement starts a new one.
    void commit();
    void rollback();
    // Lets a transaction of a lost connection go without a word to the server, which has rolled
    // it back by itself.
    void abandon();
    // How many commits and rollbacks there were so far: a write made before the last of them is
    // no longer pending.
    int ends() const { return m_ends; }

private:
    friend class Savepoint;
    Connection &m_connection;
    Isolation m_isolation;
    Firebird::ITransaction *m_transaction = nullptr;
    int m_savepoints = 0; // savepoints made so far, for names of their own
    int m_ends = 0;       // commits and rollbacks so far: each ends the savepoints set before it
};

// A point inside the running transaction to come back to: everything written after it can be
// undone without touching what was written before. Savepoints nest; each has a name of its own.
// Committing or rolling back the transaction (retaining or not) ends every savepoint in it.
class Savepoint {
public:
    // Sets the savepoint now.
    explicit Savepoint(Transaction &transaction);
    Savepoint(const Savepoint &) = delete;
    Savepoint &operator=(const Savepoint &) = delete;

    // Keeps what was written since the savepoint, and lets the savepoint go.
    void release();
    // Undoes what was written since the savepoint; the savepoint stays, to come back to again.
    void rollBack();
    // False once a commit or rollback of the transaction has ended the savepoint.
    bool isAlive() const { return m_end == m_transaction.m_ends; }

private:
    Transaction &m_transaction;
    QString m_name;
    int m_end; // the transaction's count of ends when the savepoint was set
};
