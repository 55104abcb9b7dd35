#pragma once

#include "data/connectiontarget.h"

#include <QString>

#include <memory>
#include <optional>

// The server passwords users asked to remember ("Запомнить пароль"), kept in the desktop's
// keyring (the Secret Service), never in the settings file. Each is kept under the user and the
// register it opens.
class PasswordStore {
public:
    virtual ~PasswordStore() = default;

    static QString keyFor(const ServerAddress &server, const QString &user);

    // The password kept under the key; nothing when none is, or the keyring cannot be reached.
    virtual std::optional<QString> read(const QString &key) = 0;
    // Keeps the password; false when the keyring refused or cannot be reached.
    virtual bool write(const QString &key, const QString &password) = 0;
    virtual void forget(const QString &key) = 0;

    // The desktop's keyring, unless a test put a store of its own in its place.
    static PasswordStore &instance();
    static void setInstanceForTests(std::unique_ptr<PasswordStore> store);
};
