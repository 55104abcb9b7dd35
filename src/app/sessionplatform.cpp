#include "app/sessionplatform.h"

#include <QtGlobal>

namespace sessionplatform {

namespace {
const char *const kPlatformVariable = "QT_QPA_PLATFORM";
} // namespace

QByteArray platformFor(const QByteArray &chosen, const QByteArray &sessionType,
                       const QByteArray &waylandDisplay) {
    if (!chosen.isEmpty())
        return QByteArray();
    if (sessionType.compare("wayland", Qt::CaseInsensitive) != 0 && waylandDisplay.isEmpty())
        return QByteArray();
    return QByteArrayLiteral("xcb;wayland");
}

bool chooseForSession() {
    const QByteArray platform = platformFor(qgetenv(kPlatformVariable), qgetenv("XDG_SESSION_TYPE"),
                                            qgetenv("WAYLAND_DISPLAY"));
    if (platform.isEmpty())
        return false;
    qputenv(kPlatformVariable, platform);
    return true;
}

void forgetChoice() {
    qunsetenv(kPlatformVariable);
}

} // namespace sessionplatform
