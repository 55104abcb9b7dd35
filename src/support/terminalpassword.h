#pragma once

#include <QString>

#include <optional>

class QTextStream;

// The password of a command without a window that works on the practice's server: the
// ISC_PASSWORD variable of the environment, as Firebird's own tools take it (for a script or a
// timer), or asked on the terminal without showing what is typed. Nothing, with the reason on
// `err`, when there is neither.
namespace terminalpassword {

inline constexpr char kVariable[] = "ISC_PASSWORD";

std::optional<QString> read(const QString &user, const QString &server, QTextStream &err);

// Asks one line on the terminal (/dev/tty) after `prompt`, without showing what is typed.
// Nothing when there is no terminal or it ended.
std::optional<QString> askHidden(const QString &prompt);

} // namespace terminalpassword
