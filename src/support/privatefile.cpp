#include "support/privatefile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError() {
    return qt_error_string(errno);
}

// A descriptor that is closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    // Closes now, reporting a failure of the last write that only closing reveals.
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

bool writeAll(int fd, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

PrivateFileResult writePrivateFile(const QString &parent, const QString &name,
                                   const QByteArray &bytes) {
    PrivateFileResult result;
    if (!QDir().mkpath(parent)) {
        result.error = QStringLiteral("Не удалось создать папку «%1».").arg(parent);
        return result;
    }
    const QString folder =
        QDir(parent).filePath(QStringLiteral("ventrel-%1").arg(uint(::geteuid())));
    const QByteArray folderPath = QFile::encodeName(folder);
    if (::mkdir(folderPath.constData(), 0700) != 0 && errno != EEXIST) {
        result.error =
            QStringLiteral("Не удалось создать папку «%1»:\n%2").arg(folder, systemError());
        return result;
    }
    // Whatever stands at the name now is looked at through this descriptor, not the name again.
    const Descriptor dir(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
    struct stat status {};
    if (dir.get() < 0 && (errno == ELOOP || errno == ENOTDIR)) {
        result.error = QStringLiteral("Вместо папки «%1» стоит ссылка или файл. Файл «%2» не "
                                      "записан: его могли бы прочесть другие пользователи.")
                           .arg(folder, name);
        return result;
    }
    if (dir.get() < 0 || ::fstat(dir.get(), &status) != 0) {
        result.error =
            QStringLiteral("Не удалось открыть папку «%1»:\n%2").arg(folder, systemError());
        return result;
    }
    if (status.st_uid != ::geteuid()) {
        result.error = QStringLiteral("Папка «%1» принадлежит другому пользователю. Файл «%2» не "
                                      "записан: его могли бы прочесть другие пользователи.")
                           .arg(folder, name);
        return result;
    }
    if ((status.st_mode & 077) != 0 && ::fchmod(dir.get(), 0700) != 0) {
        result.error = QStringLiteral("Не удалось закрыть папку «%1» от других пользователей:\n%2")
                           .arg(folder, systemError());
        return result;
    }

    const QByteArray finalName = QFile::encodeName(name);
    QByteArray temporaryName;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporaryName =
            '.' + finalName + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::openat(dir.get(), temporaryName.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    result.path = QDir(folder).filePath(name);
    if (fd < 0) {
        result.error =
            QStringLiteral("Не удалось записать файл «%1»:\n%2").arg(result.path, systemError());
        return result;
    }
    Descriptor file(fd);
    if (!writeAll(file.get(), bytes) || !file.close() ||
        ::renameat(dir.get(), temporaryName.constData(), dir.get(), finalName.constData()) != 0) {
        result.error =
            QStringLiteral("Не удалось записать файл «%1»:\n%2").arg(result.path, systemError());
        ::unlinkat(dir.get(), temporaryName.constData(), 0);
        return result;
    }
    return result;
}

bool renameWithoutReplacing(const QString &from, const QString &to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    ::unlink(source.constData());
    return true;
}
