#pragma once

#include <QString>

#include <optional>

// The Firebird server's own files, read and changed as text: firebird.conf ("Key = value"
// lines, "#" comments), databases.conf ("alias = path", with optional "{ … }" blocks) and
// Debian's SYSDBA.password ("ISC_PASSWORD=…", a shell fragment).
namespace serverconfig {

// The value of the active line of `key` in a configuration text (keys as the engine reads
// them, without regard to case); nothing when only a comment or nothing names it.
std::optional<QString> setting(const QString &text, const QString &key);

// The text with `key` set to `value`: the active line of the key changed in place, or a line
// added at the end when there is none. Everything else, comments included, stays as it was.
QString withSetting(const QString &text, const QString &key, const QString &value);

// The path of `alias` in a databases.conf text.
std::optional<QString> aliasPath(const QString &text, const QString &alias);

// The password of ISC_PASSWORD in a SYSDBA.password text, its quotes taken off.
std::optional<QString> sysdbaPassword(const QString &text);

// Whether the server may be told to listen on `address`: "localhost" or an IPv4 or IPv6
// address of this machine's kind (0.0.0.0 for every interface).
bool isListenAddress(const QString &address);

} // namespace serverconfig
