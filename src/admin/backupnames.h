#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The names of the server's backups in its backup folder: the nightly ones
// ("ventrel-2026-12-10-023000.fbk"), of which the newest are kept, and the ones taken of the
// register before it was replaced ("ventrel-before-import-2026-12-10-101500.fbk"), which are
// never removed by the program.
namespace backupnames {

QString nightly(const QDateTime &when);
QString beforeReplacing(const QDateTime &when);

// The nightly backups among `names` that fall out when only the `keep` newest stay, the
// oldest first. Other files are never among them.
QStringList beyondKept(const QStringList &names, int keep);

} // namespace backupnames
