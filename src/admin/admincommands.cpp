#include "admin/admincommands.h"

#include "admin/serveradmin.h"
#include "admin/serverconfig.h"
#include "data/dberror.h"
#include "support/terminalpassword.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QTextStream>

namespace admincommands {

namespace {

using adminrequest::Command;
using adminrequest::Request;

// The firewall's ports: the server's own, and the fixed one of its event notices that the
// package sets (RemoteAuxPort).
constexpr int kEventPort = 3051;

QString readText(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Не удалось прочитать %1: %2").arg(path, file.errorString()));
    return QString::fromUtf8(file.readAll());
}

QString configFile(const Request &request, const char *name) {
    return QDir(request.configFolder).filePath(QLatin1String(name));
}

// SYSDBA's password: ISC_PASSWORD, as Firebird's own tools take it, or Debian's file of it.
QString sysdbaPassword(const Request &request) {
    const QByteArray given = qgetenv(terminalpassword::kVariable);
    if (!given.isEmpty())
        return QString::fromLocal8Bit(given);
    const QString path = configFile(request, "SYSDBA.password");
    if (!QFileInfo(path).isReadable()) {
        throw DbError(QStringLiteral("Нет доступа к паролю SYSDBA в %1: запустите команду от "
                                     "имени root (sudo ventrel-admin ...) или задайте пароль в "
                                     "переменной окружения ISC_PASSWORD.")
                          .arg(path));
    }
    if (const auto password = serverconfig::sysdbaPassword(readText(path)))
        return *password;
    throw DbError(QStringLiteral("В %1 нет строки ISC_PASSWORD.").arg(path));
}

serveradmin::Server serverOf(const Request &request) {
    const auto address = ServerAddress::parse(request.server);
    if (!address)
        throw DbError(QStringLiteral("Не понятен адрес сервера «%1».").arg(request.server));
    serveradmin::Server server;
    server.address = *address;
    server.password = sysdbaPassword(request);
    server.backupFolder = request.backupFolder;
    if (request.command == Command::Import || request.command == Command::Restore) {
        const QString databases = configFile(request, "databases.conf");
        const auto path = serverconfig::aliasPath(readText(databases), server.address.alias);
        if (!path) {
            throw DbError(QStringLiteral("В %1 нет базы «%2»: переустановите пакет "
                                         "ventrel-server.")
                              .arg(databases, server.address.alias));
        }
        server.registerPath = *path;
    }
    return server;
}

// The new password: the first line of --password-file, or typed twice on the terminal.
QString newPassword(const Request &request, const QString &user) {
    QString password;
    if (!request.passwordFile.isEmpty()) {
        password = readText(request.passwordFile).section(u'\n', 0, 0);
    } else {
        const auto first =
            terminalpassword::askHidden(QStringLiteral("Новый пароль пользователя %1: ").arg(user));
        if (!first) {
            throw DbError(QStringLiteral("Пароль спрашивается в терминале; без него укажите "
                                         "--password-file ФАЙЛ."));
        }
        const auto second = terminalpassword::askHidden(QStringLiteral("Ещё раз: "));
        if (!second || *second != *first)
            throw DbError(QStringLiteral("Пароли не совпали; ничего не изменено."));
        password = *first;
    }
    if (password.isEmpty())
        throw DbError(QStringLiteral("Пустой пароль не годится; ничего не изменено."));
    // The server compares the bytes of a password, and workstations send them in encodings of
    // their own: only Latin letters, digits and signs sign in the same from everywhere.
    for (const QChar c : password) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) {
            throw DbError(QStringLiteral("В пароле допустимы только латинские буквы, цифры и "
                                         "знаки; ничего не изменено."));
        }
    }
    return password;
}

void listen(const Request &request, QTextStream &out) {
    const QString &address = request.name;
    if (!serverconfig::isListenAddress(address)) {
        throw DbError(QStringLiteral("«%1» — не адрес: нужен IP-адрес сервера, 0.0.0.0 (все его "
                                     "адреса) или localhost.")
                          .arg(address));
    }
    const QString path = configFile(request, "firebird.conf");
    const QString text =
        serverconfig::withSetting(readText(path), QStringLiteral("RemoteBindAddress"), address);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw DbError(QStringLiteral("Не удалось записать %1: %2").arg(path, file.errorString()));
    if (address == QLatin1String("localhost")) {
        out << QStringLiteral("Сервер принимает подключения только с самого себя.") << Qt::endl;
    } else {
        out << QStringLiteral("Сервер принимает рабочие места на адресе %1. Откройте в "
                              "брандмауэре порты TCP %2 и %3.")
                   .arg(address)
                   .arg(ServerAddress::kDefaultPort)
                   .arg(kEventPort)
            << Qt::endl;
    }
    // The service reads its settings when it starts. Only the system's own server is restarted.
    const bool systemServer = QDir(request.configFolder) == QDir(adminrequest::kConfigFolder);
    if (systemServer && QFileInfo::exists(QStringLiteral("/run/systemd/system"))) {
        const int status =
            QProcess::execute(QStringLiteral("systemctl"),
                              {QStringLiteral("restart"), QStringLiteral("firebird3.0")});
        if (status != 0)
            throw DbError(QStringLiteral("Не удалось перезапустить службу firebird3.0."));
        out << QStringLiteral("Служба firebird3.0 перезапущена.") << Qt::endl;
    } else {
        out << QStringLiteral("Перезапустите сервер Firebird, чтобы настройка вступила в силу.")
            << Qt::endl;
    }
}

void listUsers(const serveradmin::Server &server, QTextStream &out) {
    for (const serveradmin::User &user : serveradmin::users(server)) {
        out << user.name;
        if (user.name == QLatin1String("SYSDBA"))
            out << QStringLiteral("  (администратор сервера)");
        else if (!user.hasRole)
            out << QStringLiteral("  (без доступа к базе)");
        out << Qt::endl;
    }
}

void listAttachments(const serveradmin::Server &server, QTextStream &out) {
    const QList<serveradmin::Attachment> attachments = serveradmin::who(server);
    if (attachments.isEmpty()) {
        out << QStringLiteral("К базе сейчас никто не подключён.") << Qt::endl;
        return;
    }
    out << QStringLiteral("%1 %2 %3 %4")
               .arg(QStringLiteral("Пользователь"), -16)
               .arg(QStringLiteral("Адрес"), -24)
               .arg(QStringLiteral("С"), -19)
               .arg(QStringLiteral("Программа"))
        << Qt::endl;
    for (const serveradmin::Attachment &each : attachments) {
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(each.user, -16)
                   .arg(each.address, -24)
                   .arg(each.since.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), -19)
                   .arg(each.process)
            << Qt::endl;
    }
}

void bringIn(const Request &request, const serveradmin::Server &server, QTextStream &out) {
    const bool overPatients = request.replace || request.command == Command::Restore;
    const serveradmin::Replaced replaced = serveradmin::bringIn(
        server, request.file, overPatients, [&](const QString &step) { out << step << Qt::endl; });
    out << QStringLiteral("База на сервере заменена базой из %1:").arg(request.file) << Qt::endl;
    for (const serveradmin::TableCount &count : replaced.counts)
        out << QStringLiteral("  %1 %2").arg(count.table, -10).arg(count.rows) << Qt::endl;
    out << QStringLiteral("Прежняя база сохранена: копия %1, файл %2")
               .arg(replaced.keptBackup, replaced.keptFile)
        << Qt::endl;
    if (!replaced.keptFileClosed.isEmpty()) {
        out << QStringLiteral("Прежний файл закрыт для подключений (%1).")
                   .arg(replaced.keptFileClosed)
            << Qt::endl;
    }
}

int perform(const Request &request, QTextStream &out) {
    if (request.command == Command::Listen) {
        listen(request, out);
        return Success;
    }
    const serveradmin::Server server = serverOf(request);
    switch (request.command) {
    case Command::UserAdd:
        serveradmin::addUser(server, request.name, newPassword(request, request.name));
        out << QStringLiteral("Пользователь %1 добавлен.").arg(request.name.toUpper()) << Qt::endl;
        break;
    case Command::UserPassword:
        serveradmin::changePassword(server, request.name, newPassword(request, request.name));
        out << QStringLiteral("Пароль пользователя %1 изменён.").arg(request.name.toUpper())
            << Qt::endl;
        break;
    case Command::UserRemove:
        serveradmin::removeUser(server, request.name);
        out << QStringLiteral("Пользователь %1 удалён.").arg(request.name.toUpper()) << Qt::endl;
        break;
    case Command::UserList:
        listUsers(server, out);
        break;
    case Command::Who:
        listAttachments(server, out);
        break;
    case Command::Import:
    case Command::Restore:
        bringIn(request, server, out);
        break;
    case Command::Backup:
        out << QStringLiteral("Резервная копия: %1")
                   .arg(serveradmin::backup(server, request.keep, {}))
            << Qt::endl;
        break;
    case Command::Check: {
        const ValidationFindings findings = serveradmin::check(server, {});
        out << validationReport(findings) << Qt::endl;
        return findings.errors() ? Failed : Success;
    }
    case Command::Help:
    case Command::Listen:
        break;
    }
    return Success;
}

} // namespace

int run(const Request &request, QTextStream &out, QTextStream &err) {
    if (!request.error.isEmpty()) {
        err << request.error << Qt::endl << adminrequest::usage();
        return UsageError;
    }
    if (request.command == Command::Help) {
        out << adminrequest::usage();
        return Success;
    }
    try {
        return perform(request, out);
    } catch (const DbError &error) {
        err << error.message() << Qt::endl;
        return Failed;
    }
}

} // namespace admincommands
