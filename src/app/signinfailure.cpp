#include "app/signinfailure.h"

#include "data/connection.h"
#include "data/dberror.h"
#include "data/registerschema.h"
#include "data/statement.h"
#include "data/transaction.h"

#include <ibase.h>

namespace signinfailure {

QString message(const ServerAddress &server, const DbError &error) {
    const auto has = [&](qint64 code) { return error.codes().contains(code); };
    const QString where = server.server();
    if (has(isc_login))
        return QStringLiteral("Неверное имя пользователя или пароль.");
    if (has(isc_wirecrypt_incompatible) || has(isc_miss_wirecrypt)) {
        return QStringLiteral("Сервер %1 не шифрует соединение, а данные пациентов передаются "
                              "только зашифрованными. Попросите администратора включить "
                              "шифрование (WireCrypt = Required).")
            .arg(where);
    }
    if (has(isc_net_lookup_err))
        return QStringLiteral("Сервер %1 не найден: проверьте имя сервера.").arg(where);
    if (has(isc_network_error) || has(isc_net_connect_err) || has(isc_unavailable)) {
        return QStringLiteral("Нет связи с сервером %1: он выключен, не запущен или не слушает "
                              "порт %2.")
            .arg(where)
            .arg(server.port);
    }
    if (has(isc_bad_protocol) || has(isc_wrong_ods))
        return QStringLiteral("На сервере %1 работает другая версия Firebird.").arg(where);
    if (has(isc_io_error) || has(isc_bad_db_format)) {
        return QStringLiteral("На сервере %1 нет базы «%2» или её нельзя открыть.")
            .arg(where, server.alias);
    }
    if (has(isc_no_priv)) {
        return QStringLiteral("У пользователя нет доступа к базе «%1». Попросите администратора "
                              "выдать роль %2.")
            .arg(server.alias, QString::fromLatin1(registerschema::kRole));
    }
    return QStringLiteral("Не удалось подключиться к серверу %1:\n%2").arg(where, error.message());
}

QString trySigningIn(const ServerAddress &server, const QString &user, const QString &password) {
    try {
        Connection connection;
        connection.open(ConnectionTarget::server(server, user, password));
        {
            Transaction transaction(connection, Transaction::Isolation::ReadOnlySnapshot);
            Statement(connection, transaction, QStringLiteral("select first 1 ID from MAIN"))
                .selectOne();
            transaction.commit();
        }
        connection.close();
    } catch (const DbError &error) {
        return message(server, error);
    }
    return {};
}

} // namespace signinfailure
