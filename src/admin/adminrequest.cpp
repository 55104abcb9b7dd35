#include "admin/adminrequest.h"

#include <QMap>

namespace adminrequest {

namespace {

// The commands by their words, with the number of arguments each takes after them.
struct Verb {
    QStringList words;
    Command command;
    int arguments;
};
const QList<Verb> &verbs() {
    static const QList<Verb> all = {
        {{QStringLiteral("user"), QStringLiteral("add")}, Command::UserAdd, 1},
        {{QStringLiteral("user"), QStringLiteral("remove")}, Command::UserRemove, 1},
        {{QStringLiteral("user"), QStringLiteral("password")}, Command::UserPassword, 1},
        {{QStringLiteral("user"), QStringLiteral("list")}, Command::UserList, 0},
        {{QStringLiteral("listen")}, Command::Listen, 1},
        {{QStringLiteral("who")}, Command::Who, 0},
        {{QStringLiteral("import")}, Command::Import, 1},
        {{QStringLiteral("backup")}, Command::Backup, 0},
        {{QStringLiteral("restore")}, Command::Restore, 1},
        {{QStringLiteral("check")}, Command::Check, 0},
    };
    return all;
}

Request mistake(const QString &text) {
    Request request;
    request.error = text;
    return request;
}

} // namespace

Request parse(const QStringList &arguments) {
    Request request;
    QStringList words;
    const QMap<QString, QString *> valued = {
        {QStringLiteral("--password-file"), &request.passwordFile},
        {QStringLiteral("--server"), &request.server},
        {QStringLiteral("--config"), &request.configFolder},
        {QStringLiteral("--backups"), &request.backupFolder},
    };
    QString keep;
    for (int i = 0; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (!argument.startsWith(QLatin1String("--"))) {
            words << argument;
            continue;
        }
        QString value;
        const qsizetype equals = argument.indexOf(u'=');
        const bool inline_ = equals > 0;
        if (inline_) {
            value = argument.mid(equals + 1);
            argument.truncate(equals);
        }
        if (argument == QLatin1String("--help"))
            return request;
        if (argument == QLatin1String("--replace")) {
            request.replace = true;
            continue;
        }
        QString *target = valued.value(argument);
        if (!target && argument != QLatin1String("--keep"))
            return mistake(QStringLiteral("Неизвестный параметр %1.").arg(argument));
        if (!inline_) {
            if (i + 1 >= arguments.size())
                return mistake(QStringLiteral("После %1 нужно значение.").arg(argument));
            value = arguments.at(++i);
        }
        if (value.isEmpty())
            return mistake(QStringLiteral("После %1 нужно значение.").arg(argument));
        *(target ? target : &keep) = value;
    }
    if (!keep.isEmpty()) {
        bool number = false;
        request.keep = keep.toInt(&number);
        if (!number || request.keep < 1)
            return mistake(QStringLiteral("--keep: нужно число копий от 1, а не «%1».").arg(keep));
    }
    if (words.isEmpty())
        return request; // the usage
    for (const Verb &verb : verbs()) {
        if (words.mid(0, verb.words.size()) != verb.words)
            continue;
        const QStringList rest = words.mid(verb.words.size());
        if (rest.size() != verb.arguments) {
            return mistake(QStringLiteral("«%1» ждёт %2.")
                               .arg(verb.words.join(u' '),
                                    verb.arguments ? QStringLiteral("одно значение")
                                                   : QStringLiteral("никаких значений")));
        }
        request.command = verb.command;
        if (verb.arguments) {
            const bool takesFile =
                verb.command == Command::Import || verb.command == Command::Restore;
            (takesFile ? request.file : request.name) = rest.first();
        }
        return request;
    }
    return mistake(QStringLiteral("Неизвестная команда «%1».").arg(words.join(u' ')));
}

QString usage() {
    return QStringLiteral(
               "ventrel-admin — администрирование базы Вентрели на сервере практики.\n"
               "Запускается на сервере от имени root (sudo ventrel-admin ...).\n"
               "\n"
               "Пользователи программы (пользователи Firebird с ролью базы):\n"
               "  ventrel-admin user add ИМЯ [--password-file ФАЙЛ]\n"
               "                                    добавить пользователя; пароль спрашивается\n"
               "                                    дважды или читается из первой строки файла\n"
               "  ventrel-admin user password ИМЯ [--password-file ФАЙЛ]\n"
               "                                    сменить пароль\n"
               "  ventrel-admin user remove ИМЯ     удалить пользователя\n"
               "  ventrel-admin user list           список пользователей\n"
               "\n"
               "Сеть:\n"
               "  ventrel-admin listen АДРЕС        принимать рабочие места на адресе сервера\n"
               "                                    (0.0.0.0 — на всех); откройте в брандмауэре\n"
               "                                    порты 3050 и 3051 (TCP)\n"
               "  ventrel-admin listen localhost    только с самого сервера\n"
               "  ventrel-admin who                 кто подключён сейчас, откуда и с какого "
               "времени\n"
               "\n"
               "База:\n"
               "  ventrel-admin import ФАЙЛ [--replace]\n"
               "                                    перенести на сервер базу рабочего места\n"
               "                                    (Base.fdb) или её резервную копию (.fbk);\n"
               "                                    базу, в которой уже есть пациенты,\n"
               "                                    заменяет только с --replace\n"
               "  ventrel-admin backup [--keep N]   резервная копия в %1,\n"
               "                                    хранятся N последних (по умолчанию %2)\n"
               "  ventrel-admin restore ФАЙЛ        заменить базу восстановленной из копии\n"
               "  ventrel-admin check               проверить базу\n"
               "Прежняя база перед заменой сохраняется: её копия — в папке копий, сам файл —\n"
               "рядом с базой под именем Base-before-restore-ДАТА.fdb.\n"
               "\n"
               "Для сервера не по умолчанию: --server ХОСТ[/ПОРТ] (localhost), --config ПАПКА\n"
               "(%3: firebird.conf, databases.conf, SYSDBA.password), --backups ПАПКА.\n"
               "Пароль SYSDBA берётся из переменной ISC_PASSWORD или из SYSDBA.password.\n")
        .arg(QLatin1String(kBackupFolder))
        .arg(kBackupsKept)
        .arg(QLatin1String(kConfigFolder));
}

} // namespace adminrequest
