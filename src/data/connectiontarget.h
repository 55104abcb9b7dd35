#pragma once

#include <QString>

#include <optional>

// A Firebird server of the practice and the register on it: `host`, `host/port` and the alias
// the server knows the register by ("ventrel" unless told otherwise).
struct ServerAddress {
    static constexpr int kDefaultPort = 3050;
    static inline const QString kDefaultAlias = QStringLiteral("ventrel");

    QString host;
    int port = kDefaultPort;
    QString alias = kDefaultAlias;

    // "host", "host/port", "host:alias" or "host/port:alias", as the settings and the command
    // line give it; nothing for an empty text or one that names no host or a wrong port.
    static std::optional<ServerAddress> parse(const QString &text);
    // "host" or "host/port", as the settings keep it and the caption shows it.
    QString server() const;
    // What the client library attaches to: "host/port:alias".
    QString connectionString() const;
    bool operator==(const ServerAddress &) const = default;
};

// Where and as whom the program attaches: a register file through the engine inside the program
// (the program's own user, no sign-in), or a register on a server, signed in as one of the
// practice's users with the register's role and the wire encrypted.
struct ConnectionTarget {
    QString database; // the file's path, or the server's connection string
    QString user;     // empty for a file on this computer
    QString password;
    QString role;
    bool onServer = false;

    static ConnectionTarget localFile(const QString &path);
    static ConnectionTarget server(const ServerAddress &address, const QString &user,
                                   const QString &password);
};
