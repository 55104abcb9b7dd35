#include "support/shell.h"

#include <QCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

namespace {

// A scheme of two letters or more makes an address; anything else, "C:\..." included, is a path.
QUrl targetUrl(const QString &target) {
    const QUrl url(target);
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
}

} // namespace

bool OpenWithShell(const QString &target, ShowMode mode) {
    Q_UNUSED(mode);
    if (target.isEmpty())
        return false;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    const bool asked = QDesktopServices::openUrl(targetUrl(target));
    QGuiApplication::restoreOverrideCursor();
    return asked;
}
