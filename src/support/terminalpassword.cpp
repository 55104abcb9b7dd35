#include "support/terminalpassword.h"

#include <QTextStream>

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace terminalpassword {

// The echo comes back whatever happens.
std::optional<QString> askHidden(const QString &prompt) {
    FILE *terminal = std::fopen("/dev/tty", "r+");
    if (!terminal)
        return std::nullopt;
    const int fd = fileno(terminal);
    termios before{};
    const bool hidden = tcgetattr(fd, &before) == 0;
    if (hidden) {
        termios quiet = before;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    std::fputs(prompt.toLocal8Bit().constData(), terminal);
    std::fflush(terminal);
    std::string line;
    int c = 0;
    while ((c = std::fgetc(terminal)) != EOF && c != '\n')
        line.push_back(char(c));
    if (hidden)
        tcsetattr(fd, TCSAFLUSH, &before);
    std::fputc('\n', terminal);
    std::fclose(terminal);
    if (c == EOF && line.empty())
        return std::nullopt;
    return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
}

std::optional<QString> read(const QString &user, const QString &server, QTextStream &err) {
    const QByteArray given = qgetenv(kVariable);
    if (!given.isEmpty())
        return QString::fromLocal8Bit(given);
    if (isatty(STDIN_FILENO)) {
        if (std::optional<QString> typed = askHidden(
                QStringLiteral("Пароль пользователя %1 на сервере %2: ").arg(user, server))) {
            return typed;
        }
    }
    err << QStringLiteral("Нужен пароль пользователя %1 на сервере %2: задайте его в переменной "
                          "окружения %3 или запустите команду в терминале.")
               .arg(user, server, QLatin1String(kVariable))
        << Qt::endl;
    return std::nullopt;
}

} // namespace terminalpassword
