#include "app/openfailure.h"

#include "data/dberror.h"

#include <ibase.h>

#include <cerrno>

namespace openfailure {

Cause causeOf(const QList<qint64> &codes, int systemError) {
    if (codes.isEmpty())
        return Cause::Refused;
    // The engine's file lock: another engine instance, in another process, holds the file.
    if (codes.contains(isc_already_opened))
        return Cause::InUse;
    // Readable but not writable: the engine will not attach read-only.
    if (codes.contains(isc_no_priv))
        return Cause::NoPermission;
    if (codes.contains(isc_io_error)) {
        switch (systemError) {
        case EACCES:
        case EPERM:
        case EROFS:
            return Cause::NoPermission;
        case ENOENT:
        case ENOTDIR:
            return Cause::Missing;
        case EISDIR:
            return Cause::NotADatabase;
        default:
            break;
        }
    }
    if (codes.contains(isc_bad_db_format))
        return Cause::NotADatabase;
    if (codes.contains(isc_wrong_ods))
        return Cause::OtherVersion;
    // A short read (the file is cut), a read that fails, a page that makes no sense.
    for (const qint64 code : {isc_io_error, isc_db_corrupt, isc_bug_check, isc_badpage,
                              isc_bad_checksum, isc_page_type_err, isc_io_read_err}) {
        if (codes.contains(code))
            return Cause::Damaged;
    }
    return Cause::Unknown;
}

QString causeText(Cause cause) {
    switch (cause) {
    case Cause::Unknown:
    case Cause::Refused:
        return QString();
    case Cause::Missing:
        return QStringLiteral("Файл не найден.");
    case Cause::NoPermission:
        return QStringLiteral("Нет прав на чтение и запись этого файла. Обратитесь к "
                              "администратору компьютера.");
    case Cause::InUse:
        return QStringLiteral("База уже открыта другой копией программы, возможно, у другого "
                              "пользователя. Закройте программу там и запустите её снова.");
    case Cause::NotADatabase:
        return QStringLiteral("Файл не является базой данных.");
    case Cause::OtherVersion:
        return QStringLiteral("База создана другой версией сервера баз данных.");
    case Cause::Damaged:
        return QStringLiteral("Файл базы повреждён: обрезан или испорчен.");
    }
    return QString();
}

QString message(const QString &file, const DbError &error) {
    const Cause cause = causeOf(error.codes(), error.systemError());
    QString text = QStringLiteral("Не удалось открыть базу данных\n") + file;
    const QString why = cause == Cause::Refused ? error.message() : causeText(cause);
    if (!why.isEmpty())
        text += u'\n' + why;
    return text;
}

QString detail(const DbError &error) {
    return error.codes().isEmpty() ? QString() : error.message();
}

} // namespace openfailure
