#include "admin/serverconfig.h"

#include <QRegularExpression>
#include <QStringList>

#include <arpa/inet.h>

namespace serverconfig {

namespace {

// "Key = value" with the key captured; the value runs to the end of the line.
QRegularExpression activeLine(const QString &key) {
    return QRegularExpression(
        QStringLiteral("^\\s*%1\\s*=\\s*(.*?)\\s*$").arg(QRegularExpression::escape(key)),
        QRegularExpression::CaseInsensitiveOption);
}

QString unquoted(QString value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

std::optional<QString> setting(const QString &text, const QString &key) {
    const QRegularExpression line = activeLine(key);
    std::optional<QString> found;
    // The engine takes the last line that sets a key.
    for (const QString &each : text.split(u'\n')) {
        if (const auto match = line.match(each); match.hasMatch())
            found = match.captured(1);
    }
    return found;
}

QString withSetting(const QString &text, const QString &key, const QString &value) {
    const QRegularExpression line = activeLine(key);
    QStringList lines = text.split(u'\n');
    const QString wanted = QStringLiteral("%1 = %2").arg(key, value);
    bool set = false;
    for (QString &each : lines) {
        if (line.match(each).hasMatch()) {
            each = wanted;
            set = true;
        }
    }
    if (!set) {
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.last() = wanted;
        else
            lines << wanted;
        lines << QString();
    }
    return lines.join(u'\n');
}

std::optional<QString> aliasPath(const QString &text, const QString &alias) {
    int depth = 0; // inside a "{ … }" block of an alias's own settings
    for (QString line : text.split(u'\n')) {
        line = line.section(u'#', 0, 0).trimmed();
        if (line.startsWith(u'{')) {
            ++depth;
        } else if (line.startsWith(u'}')) {
            depth = qMax(0, depth - 1);
        } else if (depth == 0) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0 && line.left(equals).trimmed().compare(alias, Qt::CaseInsensitive) == 0)
                return line.mid(equals + 1).trimmed();
        }
    }
    return std::nullopt;
}

std::optional<QString> sysdbaPassword(const QString &text) {
    static const QRegularExpression line(QStringLiteral("^\\s*ISC_PASSWORD\\s*=\\s*(.*?)\\s*$"));
    std::optional<QString> found;
    for (const QString &each : text.split(u'\n')) {
        if (const auto match = line.match(each); match.hasMatch())
            found = unquoted(match.captured(1));
    }
    return found;
}

bool isListenAddress(const QString &address) {
    if (address == QLatin1String("localhost"))
        return true;
    const QByteArray bytes = address.toLatin1();
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, bytes.constData(), buffer) == 1 ||
           inet_pton(AF_INET6, bytes.constData(), buffer) == 1;
}

} // namespace serverconfig
