#include "support/tempfolder.h"

#include <QDir>

QString GetTempFolder() {
    QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return QStringLiteral("/tmp");
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}
