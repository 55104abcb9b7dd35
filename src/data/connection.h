#pragma once

#include "data/connectiontarget.h"

#include <QString>

namespace Firebird {
class IAttachment;
}

// The one attachment of the program to its register. A file on this computer opens through the
// engine inside this process, as the program's own user; a register on a Firebird server is
// reached over the network, signed in as one of the practice's users with the register's role,
// and only with the wire encrypted. Character set WIN1251 and dialect 3 either way.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void open(const ConnectionTarget &target);
    // A register file on this computer.
    void open(const QString &path) { open(ConnectionTarget::localFile(path)); }
    // Detaches. The transaction must have been ended first (Transaction::commit).
    void close();
    bool isOpen() const { return m_attachment != nullptr; }
    const QString &path() const { return m_target.database; }
    const ConnectionTarget &target() const { return m_target; }
    // Lets a dead attachment go without a word to the server (the connection to it was lost):
    // the next open starts afresh.
    void abandon();

    // Makes a new, empty database file with the program's default character set.
    static void createDatabase(const QString &path);

    Firebird::IAttachment *attachment() const { return m_attachment; }

private:
    Firebird::IAttachment *m_attachment = nullptr;
    ConnectionTarget m_target;
};
