#pragma once

#include "data/unconfirmedwork.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The recovery file: what the open editors held when the run ended without the user's word,
// kept beside the settings file, readable by its owner alone, until the next start offers it.
// It names the register it belongs to and is never offered for another one.
namespace recoveryfile {

// "Ventrel.recovery" in the folder of the settings file.
QString pathBeside(const QString &settingsFile);

QByteArray encode(const QString &registerName, const Draft &draft);
// The draft, when the bytes are a recovery file of this register; nothing otherwise.
std::optional<Draft> decode(const QByteArray &bytes, const QString &registerName);

// Writes the file (mode 0600) under a temporary name and renames it into place. Returns the
// reason when it could not be written, empty text on success.
QString write(const QString &path, const QString &registerName, const Draft &draft);
// The draft the file holds for this register, if there is such a file.
std::optional<Draft> read(const QString &path, const QString &registerName);
// Forgets the draft once it was restored or refused.
void remove(const QString &path);

} // namespace recoveryfile
