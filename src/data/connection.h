#pragma once

#include <QString>

namespace Firebird {
class IAttachment;
}

// The one attachment of the program to its database file. A bare path opens the file through
// the engine inside this process; "host:/path/base.fdb" reaches a Firebird server instead.
// The user name, password, character set WIN1251 and dialect 3 are fixed; there is no login.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void open(const QString &path);
    // Detaches. The transaction must have been ended first (Transaction::commit).
    void close();
    bool isOpen() const { return m_attachment != nullptr; }
    const QString &path() const { return m_path; }

    // Makes a new, empty database file with the program's default character set.
    static void createDatabase(const QString &path);

    Firebird::IAttachment *attachment() const { return m_attachment; }

private:
    Firebird::IAttachment *m_attachment = nullptr;
    QString m_path;
};
