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

} // namespace signinfailure
