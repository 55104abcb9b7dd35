#include "app/templatecopy.h"

#include "app/folders.h"
#include "app/openfailure.h"
#include "app/sharedfolder.h"
#include "data/connection.h"
#include "data/dberror.h"
#include "service/workfiles.h"
#include "support/privatefile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace templatecopy {

namespace {

// The sentence for a file that could not be written into the folder.
Result writeFailure(int error) {
    QString cause;
    switch (error) {
    case EACCES:
    case EPERM:
        cause = QStringLiteral("Нет прав на запись в эту папку.");
        break;
    case ENOENT:
    case ENOTDIR:
        cause = QStringLiteral("Такой папки нет.");
        break;
    case ENOSPC:
    case EDQUOT:
        cause = QStringLiteral("На диске нет места.");
        break;
    case EROFS:
        cause = QStringLiteral("Папка доступна только для чтения.");
        break;
    default:
        cause = QStringLiteral("Не удалось записать файл в эту папку.");
        break;
    }
    return {false, cause, QString::fromLocal8Bit(std::strerror(error))};
}

bool writeAll(int file, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(file, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// Writes the template under a fresh name in the folder, with the access the folder calls for.
// Returns the name, or sets `failure`.
QString writeTemporaryCopy(const QByteArray &content, const QString &folder, Result &failure) {
    QByteArray name = QFile::encodeName(folder + workfiles::templateCopyPattern());
    const int file = ::mkstemp(name.data()); // made new, for this user only
    if (file < 0) {
        failure = writeFailure(errno);
        return QString();
    }
    const PathFacts folderFacts = pathFacts(folders::withoutTrailingSeparator(folder));
    const sharedfolder::Access access = sharedfolder::newDatabaseAccess(folderFacts);
    unsigned mode = access.mode;
    // Open to the group only when the group is the folder's: never to the user's own group.
    if (access.folderGroup && ::fchown(file, uid_t(-1), gid_t(folderFacts.group)) != 0)
        mode = 0600;
    const bool written = writeAll(file, content) && ::fchmod(file, mode) == 0 && ::fsync(file) == 0;
    int error = written ? 0 : (errno != 0 ? errno : EIO);
    if (::close(file) != 0 && written)
        error = errno;
    if (error != 0) {
        ::unlink(name.constData());
        failure = writeFailure(error);
        return QString();
    }
    return QFile::decodeName(name);
}

} // namespace

Result copyTemplate(const QString &templateFile, const QString &folder) {
    QFile source(templateFile);
    if (!source.open(QIODevice::ReadOnly)) {
        return {false, QStringLiteral("Файл пустой базы %1 не читается.").arg(templateFile),
                source.errorString()};
    }
    const QByteArray content = source.readAll();

    Result result;
    const QString copy = writeTemporaryCopy(content, folder, result);
    if (copy.isEmpty())
        return result;
    try {
        Connection connection;
        connection.open(copy);
        connection.close();
    } catch (const DbError &error) {
        QFile::remove(copy);
        const openfailure::Cause cause = openfailure::causeOf(error.codes(), error.systemError());
        if (cause == openfailure::Cause::Refused)
            return {false, error.message(), QString()};
        return {false,
                QStringLiteral("Копия файла пустой базы %1 не открывается как база данных. ")
                        .arg(templateFile) +
                    openfailure::causeText(cause),
                error.message()};
    }
    const QString target = folder + kCopyName;
    if (!renameWithoutReplacing(copy, target)) {
        const int error = errno;
        QFile::remove(copy);
        if (error == EEXIST)
            return {true, QString(), QString()};
        return writeFailure(error);
    }
    return {true, QString(), QString()};
}

} // namespace templatecopy
