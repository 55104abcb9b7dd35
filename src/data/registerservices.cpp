#include "data/registerservices.h"

#include "data/backupheader.h"
#include "data/connection.h"
#include "data/statement.h"
#include "data/transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace registerfile {

namespace {

const QString kNothingChanged = QStringLiteral("Текущая база не изменена.");

// A new, empty file of a name of its own in `folder` after `pattern`, for the engine to write
// into; it stays on disk until it is renamed or removed.
QString reserveName(const QString &folder, const QString &pattern) {
    QTemporaryFile file(QDir(folder).filePath(pattern));
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    return file.fileName();
}

// Forces the file, or a folder's list of names, onto the disk.
bool syncToDisk(const QString &path) {
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

QString folderOf(const QString &path) {
    return QFileInfo(path).absolutePath();
}

bool sameFile(const QString &a, const QString &b) {
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace

Restored restoreInto(const QString &backupFile, const QString &folder,
                     const engine::LineSink &onLine) {
    const QString refused =
        QStringLiteral("Файл\n%1\nне является резервной копией базы Вентрель.\n").arg(backupFile) +
        kNothingChanged;
    const std::optional<BackupHeader> header = readBackupHeaderOf(backupFile);
    if (!header)
        throw Failure(refused, QString());

    // The engine makes the file itself and refuses one that exists: the name is only reserved.
    const QString file = reserveName(folder, QStringLiteral("Base-restoring-XXXXXX.fdb"));
    if (file.isEmpty()) {
        throw Failure(QStringLiteral("Нельзя создать файл базы в папке\n%1\n").arg(folder) +
                          kNothingChanged,
                      QString());
    }
    QFile::remove(file);
    Restored restored;
    restored.file = file;
    restored.made = header->made;
    try {
        engine::restore(backupFile, file, onLine);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        restored.counts = countRows(file);
    } catch (const engine::ServiceError &error) {
        QFile::remove(file);
        throw Failure(QStringLiteral("Не удалось восстановить базу из файла\n%1\nКопия повреждена "
                                     "или не может быть восстановлена.\n")
                              .arg(backupFile) +
                          kNothingChanged,
                      error.message());
    } catch (const DbError &error) {
        QFile::remove(file);
        throw Failure(refused, error.message());
    }
    return restored;
}

bool backup(const QString &registerFile, const QString &target, const engine::LineSink &onLine,
            const std::function<bool()> &wanted) {
    const QString failed =
        QStringLiteral("Не удалось сделать резервную копию базы в файл\n%1").arg(target);
    if (sameFile(registerFile, target))
        throw Failure(failed, QStringLiteral("Это файл самой базы."));
    const QString partial =
        reserveName(folderOf(target), QFileInfo(target).fileName() + QStringLiteral(".XXXXXX"));
    if (partial.isEmpty())
        throw Failure(failed,
                      QStringLiteral("Нельзя создать файл в папке %1").arg(folderOf(target)));
    try {
        const qint64 written = engine::backup(registerFile, partial, onLine);
        // The engine's own count of bytes must all be there, and on disk, before the copy
        // takes the name that says it is good.
        if (written <= 0 || QFileInfo(partial).size() != written)
            throw DbError(QStringLiteral("Файл копии неполон."));
        if (wanted && !wanted()) {
            QFile::remove(partial);
            return false;
        }
        if (!syncToDisk(partial))
            throw DbError(QStringLiteral("Файл копии не удалось записать на диск."));
        if (std::rename(QFile::encodeName(partial).constData(),
                        QFile::encodeName(target).constData()) != 0) {
            throw DbError(QStringLiteral("Файл копии не удалось переименовать."));
        }
    } catch (const engine::ServiceError &error) {
        QFile::remove(partial);
        throw Failure(failed, error.message(), error.openElsewhere());
    } catch (const DbError &error) {
        QFile::remove(partial);
        throw Failure(failed, error.message());
    }
    syncToDisk(folderOf(target));
    return true;
}

Counts countRows(const QString &databaseFile) {
    Connection connection;
    connection.open(databaseFile);
    Counts counts;
    {
        Transaction transaction(connection);
        const auto count = [&](const char *sql) {
            Statement statement(connection, transaction, QLatin1String(sql));
            return statement.selectOne().value(0).toLongLong();
        };
        counts.patients = count("select count(*) from MAIN");
        counts.visits = count("select count(*) from CARD");
        transaction.commit();
    }
    connection.close();
    return counts;
}

Restored restoreAs(const QString &backupFile, const QString &target,
                   const engine::LineSink &onLine) {
    const QString taken =
        QStringLiteral("Файл\n%1\nуже существует; база восстанавливается только в новый файл.")
            .arg(target);
    if (QFileInfo::exists(target))
        throw Failure(taken, QString());
    Restored restored = restoreInto(backupFile, folderOf(target), onLine);
    if (!QFile::rename(restored.file, target)) {
        QFile::remove(restored.file);
        throw Failure(QFileInfo::exists(target)
                          ? taken
                          : QStringLiteral("Не удалось создать файл\n%1").arg(target),
                      QString());
    }
    restored.file = target;
    syncToDisk(folderOf(target));
    return restored;
}

QString keptRegisterPath(const QString &folder, const QDate &today) {
    const QString stem =
        QStringLiteral("Base-before-restore-%1").arg(today.toString(QStringLiteral("yyyy-MM-dd")));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".fdb"));
    for (int number = 2; QFileInfo::exists(path); ++number)
        path = QDir(folder).filePath(QStringLiteral("%1-%2.fdb").arg(stem).arg(number));
    return path;
}

QString putInPlace(const QString &restoredFile, const QString &registerFile, const QDate &today) {
    const QString kept = keptRegisterPath(folderOf(registerFile), today);
    const QString failed = QStringLiteral("Не удалось заменить базу восстановленной.\n");
    if (!QFile::rename(registerFile, kept)) {
        throw Failure(failed + kNothingChanged,
                      QStringLiteral("Нельзя переименовать %1").arg(registerFile));
    }
    // The restored register is shared, or kept private, exactly as the one it replaces.
    QFile::setPermissions(restoredFile, QFile::permissions(kept));
    // Only a register in a shared folder has a group to keep; where it cannot be given, the
    // file's own group is right.
    const bool groupKept = ::chown(QFile::encodeName(restoredFile).constData(), uid_t(-1),
                                   gid_t(QFileInfo(kept).groupId())) == 0;
    Q_UNUSED(groupKept)
    if (!QFile::rename(restoredFile, registerFile)) {
        QFile::rename(kept, registerFile);
        throw Failure(failed + kNothingChanged,
                      QStringLiteral("Нельзя переименовать %1").arg(restoredFile));
    }
    syncToDisk(folderOf(registerFile));
    return kept;
}

ValidationFindings check(const QString &registerFile, const engine::LineSink &onLine) {
    QStringList lines;
    try {
        engine::validate(registerFile, [&](const QString &line) {
            lines << line;
            if (onLine)
                onLine(line);
        });
    } catch (const engine::ServiceError &error) {
        throw Failure(QStringLiteral("Не удалось проверить базу\n%1").arg(registerFile),
                      error.message(), error.openElsewhere());
    }
    return readValidationLines(lines);
}

} // namespace registerfile
