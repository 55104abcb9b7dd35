#pragma once

#include <QByteArray>
#include <QString>

struct PrivateFileResult {
    QString path;  // the file written
    QString error; // why nothing was written; empty on success
};

// Writes a file that only its owner may read into a folder of the user's own under `parent`,
// "ventrel-<user id>": the parent is made when missing, the folder is made with mode 0700 and
// refused when it is a link or belongs to someone else (another user could read or replace what
// goes there), and the file is written with mode 0600 to a temporary name and renamed over an
// earlier one. Nothing on the way follows a link.
PrivateFileResult writePrivateFile(const QString &parent, const QString &name,
                                   const QByteArray &bytes);

// Gives the file `from` the name `to` unless something already has that name: false, with errno
// EEXIST, when something has. Where the file system cannot rename so, the file gets its second
// name as a link and loses the first.
bool renameWithoutReplacing(const QString &from, const QString &to);
