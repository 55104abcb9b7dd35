#include "support/programinfo.h"

#include <QStringList>

namespace program {

QString contactLine() {
    return QStringLiteral("Обратитесь к разработчику ") + kDeveloperEmail + QStringLiteral(".\n");
}

QString letterAddress(const QString &fileVersion) {
    QString name = kDeveloperName;
    name.replace(u' ', QLatin1String("%20"));
    return QStringLiteral("mailto:") + name + u'<' + kDeveloperEmail + u'>' +
           QStringLiteral("?subject=О%20программе%20Вентрель%202.0 бета 3&body=Здравствуйте,%20") +
           kDeveloperGivenName +
           QStringLiteral("!%0D%0AИспользуем%20вашу%20программу%20Вентрель%20версии%202.0 бета "
                          "3%20(") +
           fileVersion + QStringLiteral(")%0D%0A%0D%0A");
}

QString aboutText(const QString &databaseFolder, const QString &dataFolder) {
    return kProductName + QStringLiteral("\nВерсия: 2.0 бета 3 [07.05.2008]\n") +
           QStringLiteral("Медицинская программа для учёта пациентов.\n\n") +
           QStringLiteral("Почта: ") + kDeveloperEmail + u'\n' + QStringLiteral("Сайт: ") +
           kWebAddress + QStringLiteral("\n\nПапка базы:\n") + databaseFolder +
           QStringLiteral("\nПапка с данными:\n") + dataFolder;
}

bool isViewModeSwitch(const QStringList &arguments) {
    return arguments.size() > 1 &&
           arguments.at(1).compare(QLatin1String("/view"), Qt::CaseInsensitive) == 0;
}

} // namespace program
