#pragma once

#include <QByteArray>
#include <QDateTime>

#include <optional>

// What the first bytes of a backup file of the database engine say about it: the backup's
// format version and when it was made (the engine writes its local time as text).
struct BackupHeader {
    int formatVersion = 0;
    QDateTime made; // invalid when the header holds no readable date
};

// The header at the start of `bytes`, or nothing when they do not begin a backup file.
std::optional<BackupHeader> readBackupHeader(const QByteArray &bytes);

// The header of the backup file at `path`, or nothing when it is not one or cannot be read.
std::optional<BackupHeader> readBackupHeaderOf(const QString &path);
