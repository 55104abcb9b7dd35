#include "service/registerservices.h"

#include "data/connection.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "service/backupheader.h"
#include "service/workfiles.h"
#include "support/privatefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
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

QString diskFullText(const QString &folder) {
    return QStringLiteral("На диске не хватает места: %1").arg(folder);
}

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// While a restored file and the register swap places, the restored one is named after the
// process and after the register's inode: "Base-swapping-4242-1234567.fdb". Once they have
// swapped, the file of that name is the register of before, and its inode is the one its name
// says; until then it is the restored copy, another inode. A start after a crash tells so
// which step was done.
const QRegularExpression kSwappingName(QStringLiteral("^Base-swapping-(\\d+)-(\\d+)\\.fdb$"));
const QRegularExpression kKeptName(QStringLiteral("^Base-before-restore-.*\\.fdb$"));

QString swappingPath(const QString &folder, ino_t registerInode) {
    return QDir(folder).filePath(
        QStringLiteral("Base-swapping-%1-%2.fdb").arg(::getpid()).arg(quint64(registerInode)));
}

QString ownerName(uid_t owner) {
    const passwd *user = ::getpwuid(owner);
    return user ? QString::fromLocal8Bit(user->pw_name) : QString::number(owner);
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

    workfiles::removeLeftovers(folder);
    // The engine makes the file itself, and refuses one that exists.
    const QString workFolder = workfiles::makeRestoreFolder(folder);
    if (workFolder.isEmpty()) {
        const QString why =
            errno == ENOSPC || errno == EDQUOT ? diskFullText(folder) + u'\n' : QString();
        throw Failure(QStringLiteral("Нельзя создать файл базы в папке\n%1\n").arg(folder) + why +
                          kNothingChanged,
                      systemText(errno));
    }
    const QString file = workFolder + QStringLiteral("/Base.fdb");
    Restored restored;
    restored.file = file;
    restored.made = header->made;
    try {
        engine::restore(backupFile, file, onLine);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        restored.counts = countRows(file);
    } catch (const engine::ServiceError &error) {
        workfiles::removeRestored(file);
        const QString why =
            error.diskFull() ? diskFullText(folder)
                             : QStringLiteral("Копия повреждена или не может быть восстановлена.");
        throw Failure(
            QStringLiteral("Не удалось восстановить базу из файла\n%1\n").arg(backupFile) + why +
                u'\n' + kNothingChanged,
            error.message());
    } catch (const DbError &error) {
        workfiles::removeRestored(file);
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
    workfiles::removeLeftovers(folderOf(target));
    const QString partial =
        reserveName(folderOf(target), workfiles::backupPattern(QFileInfo(target).fileName()));
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
        throw Failure(error.diskFull() ? failed + u'\n' + diskFullText(folderOf(target)) : failed,
                      error.message(), error.openElsewhere());
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
    if (!renameWithoutReplacing(restored.file, target)) {
        workfiles::removeRestored(restored.file);
        throw Failure(QFileInfo::exists(target)
                          ? taken
                          : QStringLiteral("Не удалось создать файл\n%1").arg(target),
                      QString());
    }
    workfiles::removeRestored(restored.file); // its folder, now empty
    restored.file = target;
    syncToDisk(folderOf(target));
    return restored;
}

void discard(const Restored &restored) {
    workfiles::removeRestored(restored.file);
}

QString keptRegisterPath(const QString &folder, const QDate &today) {
    const QString stem =
        QStringLiteral("Base-before-restore-%1").arg(today.toString(QStringLiteral("yyyy-MM-dd")));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".fdb"));
    for (int number = 2; QFileInfo::exists(path); ++number)
        path = QDir(folder).filePath(QStringLiteral("%1-%2.fdb").arg(stem).arg(number));
    return path;
}

QString putInPlace(const QString &restoredFile, const QString &registerFile, const QDate &today,
                   const std::function<void(SwapStep)> &afterStep) {
    const QString folder = folderOf(registerFile);
    const QString failed = QStringLiteral("Не удалось заменить базу восстановленной.\n");
    const QByteArray registerName = QFile::encodeName(registerFile);
    struct stat old = {};
    if (::stat(registerName.constData(), &old) != 0)
        throw Failure(failed + kNothingChanged, systemText(errno));
    // The restored register is shared, or kept private, exactly as the one it replaces. Only a
    // register in a shared folder has a group to keep; where it cannot be given, the file's
    // own group is right.
    const QByteArray restoredName = QFile::encodeName(restoredFile);
    ::chmod(restoredName.constData(), old.st_mode & 07777);
    [[maybe_unused]] const int groupKept = ::chown(restoredName.constData(), uid_t(-1), old.st_gid);
    if (!syncToDisk(restoredFile))
        throw Failure(failed + kNothingChanged, systemText(errno));

    const QString swapping = swappingPath(folder, old.st_ino);
    const QByteArray swappingName = QFile::encodeName(swapping);
    if (!renameWithoutReplacing(restoredFile, swapping))
        throw Failure(failed + kNothingChanged, systemText(errno));
    if (afterStep)
        afterStep(SwapStep::Named);

    // One step puts the restored file in place and the register under the swapping name: at
    // no moment is there no register under its name.
    const QString kept = keptRegisterPath(folder, today);
    const QByteArray keptName = QFile::encodeName(kept);
    if (::renameat2(AT_FDCWD, swappingName.constData(), AT_FDCWD, registerName.constData(),
                    RENAME_EXCHANGE) != 0) {
        int error = errno;
        if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
            // A file system that cannot swap two names: the register gets its kept name as a
            // second one, then the restored file replaces it under its own in one step.
            if (::link(registerName.constData(), keptName.constData()) == 0) {
                if (::rename(swappingName.constData(), registerName.constData()) == 0) {
                    workfiles::removeRestored(restoredFile); // its folder, now empty
                    syncToDisk(folder);
                    return kept;
                }
                error = errno;
                ::unlink(keptName.constData());
            } else {
                error = errno;
            }
        }
        // Back where the caller has it.
        if (::rename(swappingName.constData(), restoredName.constData()) != 0)
            ::unlink(swappingName.constData());
        if (error == EPERM || error == EACCES) {
            throw Failure(failed +
                              QStringLiteral("В общей папке базу может заменить только её "
                                             "владелец (пользователь %1) или администратор.\n")
                                  .arg(ownerName(old.st_uid)) +
                              kNothingChanged,
                          systemText(error));
        }
        throw Failure(failed + kNothingChanged, systemText(error));
    }
    workfiles::removeRestored(restoredFile); // its folder, now empty
    if (afterStep)
        afterStep(SwapStep::Exchanged);
    // Should the last name fail, the register of before stays under the swapping name, and the
    // next start gives it its kept name.
    const QString result = renameWithoutReplacing(swapping, kept) ? kept : swapping;
    syncToDisk(folder);
    return result;
}

QStringList finishInterruptedRestore(const QString &registerFile, const QDate &today) {
    QStringList done;
    const QString folder = folderOf(registerFile);
    struct stat current = {};
    const bool registerThere = ::stat(QFile::encodeName(registerFile).constData(), &current) == 0;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(name));
        struct stat facts = {};
        if (::lstat(path.constData(), &facts) != 0 || !S_ISREG(facts.st_mode) ||
            facts.st_uid != ::geteuid()) {
            continue;
        }
        if (const QRegularExpressionMatch swapping = kSwappingName.match(name);
            swapping.hasMatch()) {
            if (workfiles::isRunning(swapping.captured(1).toLongLong()))
                continue;
            if (quint64(facts.st_ino) == swapping.captured(2).toULongLong()) {
                // Swapped: the register of before gets its kept name.
                const QString kept = keptRegisterPath(folder, today);
                if (renameWithoutReplacing(QFile::decodeName(path), kept))
                    done << QFileInfo(kept).fileName();
            } else if (::unlink(path.constData()) == 0) {
                // Not swapped: the register never changed, and the restored copy goes.
                done << name;
            }
        } else if (registerThere && kKeptName.match(name).hasMatch() &&
                   facts.st_dev == current.st_dev && facts.st_ino == current.st_ino) {
            // A second name of the register itself, from a swap by two names cut short.
            if (::unlink(path.constData()) == 0)
                done << name;
        }
    }
    if (!done.isEmpty())
        syncToDisk(folder);
    return done;
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

const QString kServerAdministratorOnly =
    QStringLiteral("Это на сервере может сделать только его администратор (SYSDBA) или "
                   "пользователь с ролью RDB$ADMIN: на самом сервере — командой ventrel-admin.");

namespace {

Failure serverFailure(const QString &what, const engine::ServiceError &error) {
    return Failure(error.notAllowed() ? what + u'\n' + kServerAdministratorOnly : what,
                   error.message());
}

} // namespace

ValidationFindings checkOnServer(const engine::Manager &manager, const QString &alias,
                                 const engine::LineSink &onLine) {
    QStringList lines;
    try {
        engine::validate(manager, alias, [&](const QString &line) {
            lines << line;
            if (onLine)
                onLine(line);
        });
    } catch (const engine::ServiceError &error) {
        throw serverFailure(QStringLiteral("Не удалось проверить базу «%1» на сервере").arg(alias),
                            error);
    }
    return readValidationLines(lines);
}

void backupOnServer(const engine::Manager &manager, const QString &alias, const QString &serverFile,
                    const engine::LineSink &onLine) {
    try {
        engine::backup(manager, alias, serverFile, onLine);
    } catch (const engine::ServiceError &error) {
        throw serverFailure(QStringLiteral("Не удалось сделать резервную копию базы «%1» на "
                                           "сервере в файл\n%2")
                                .arg(alias, serverFile),
                            error);
    }
}

} // namespace registerfile
