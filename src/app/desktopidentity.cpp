#include "app/desktopidentity.h"

#include "support/programinfo.h"

#include <QGuiApplication>
#include <QIcon>

void introduceToDesktop() {
    QGuiApplication::setDesktopFileName(program::kApplicationId);
    // The icon of the installed theme, so that the windows show what the menu shows; the sizes
    // compiled in stand in where the program runs from its build folder.
    QIcon own;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        own.addFile(
            QStringLiteral(":/icons/%1x%1/apps/%2.png").arg(size).arg(program::kApplicationId));
    }
    QGuiApplication::setWindowIcon(QIcon::fromTheme(program::kApplicationId, own));
}
