#pragma once

#include "data/connectiontarget.h"

#include <QString>

class DbError;

// Why signing in to the practice's server failed, in the user's words, told from the engine's
// error codes: a wrong name or password (the server does not say which, so that nobody learns
// from it which names exist), no server at that address, a server that would talk unencrypted,
// another version of the engine, no access to the register.
namespace signinfailure {

QString message(const ServerAddress &server, const DbError &error);

// Signs in to the register on the server as the user and reads from it once (a user who lacks
// the register's role is let in by the server but may read nothing), then leaves; what went
// wrong, in the user's words, or nothing when the user may work there.
QString trySigningIn(const ServerAddress &server, const QString &user, const QString &password);

} // namespace signinfailure
