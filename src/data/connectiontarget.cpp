#include "data/connectiontarget.h"

#include "data/registerschema.h"

#include <QRegularExpression>

std::optional<ServerAddress> ServerAddress::parse(const QString &text) {
    static const QRegularExpression kForm(
        QStringLiteral("^\\s*([^\\s/:]+)(?:/(\\d{1,5}))?(?::([^\\s/:]+))?\\s*$"));
    const QRegularExpressionMatch match = kForm.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    ServerAddress address;
    address.host = match.captured(1);
    if (match.hasCaptured(2) && !match.captured(2).isEmpty()) {
        address.port = match.captured(2).toInt();
        if (address.port < 1 || address.port > 65535)
            return std::nullopt;
    }
    if (match.hasCaptured(3) && !match.captured(3).isEmpty())
        address.alias = match.captured(3);
    return address;
}

QString ServerAddress::server() const {
    return port == kDefaultPort ? host : QStringLiteral("%1/%2").arg(host).arg(port);
}

QString ServerAddress::connectionString() const {
    return QStringLiteral("%1/%2:%3").arg(host).arg(port).arg(alias);
}

ConnectionTarget ConnectionTarget::localFile(const QString &path) {
    ConnectionTarget target;
    target.database = path;
    return target;
}

ConnectionTarget ConnectionTarget::server(const ServerAddress &address, const QString &user,
                                          const QString &password) {
    ConnectionTarget target;
    target.database = address.connectionString();
    target.user = user;
    target.password = password;
    target.role = QString::fromLatin1(registerschema::kRole);
    target.onServer = true;
    return target;
}
