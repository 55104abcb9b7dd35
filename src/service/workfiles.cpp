#include "service/workfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace workfiles {

namespace {

// The names of work files that carry their process's id (in whichever capture matched).
const QRegularExpression kWithProcess(QStringLiteral("^(?:.+\\.ventrel-(\\d+)-[A-Za-z0-9]{6}"
                                                     "|Base-restoring-(\\d+)-[A-Za-z0-9]{6}"
                                                     "|\\.Base\\.fdb-(\\d+)-[A-Za-z0-9]{6})$"));
// The names older versions gave them: a daily backup being written, a restore, the template
// copy.
const QRegularExpression
    kOlder(QStringLiteral("^(?:base-\\d{4}-\\d{2}-\\d{2}\\.fbk\\.[A-Za-z0-9]{6}"
                          "|Base-restoring-[A-Za-z0-9]{6}\\.fdb"
                          "|\\.Base\\.fdb-[A-Za-z0-9]{6})$"));

QString processId() {
    return QString::number(::getpid());
}

// Some process of this user has the file open: its descriptors under /proc name it.
bool openInSomeProcess(const struct stat &file) {
    DIR *processes = ::opendir("/proc");
    if (!processes)
        return true; // not to be told: the file stays
    bool found = false;
    while (const dirent *entry = ::readdir(processes)) {
        const QByteArray name(entry->d_name);
        if (name.isEmpty() || !std::isdigit(static_cast<unsigned char>(name.front())))
            continue;
        const QByteArray descriptors = "/proc/" + name + "/fd";
        DIR *open = ::opendir(descriptors.constData());
        if (!open)
            continue; // another user's process, or one that ended meanwhile
        while (const dirent *descriptor = ::readdir(open)) {
            struct stat target = {};
            if (descriptor->d_name[0] != '.' &&
                ::stat((descriptors + '/' + descriptor->d_name).constData(), &target) == 0 &&
                target.st_dev == file.st_dev && target.st_ino == file.st_ino) {
                found = true;
                break;
            }
        }
        ::closedir(open);
        if (found)
            break;
    }
    ::closedir(processes);
    return found;
}

} // namespace

QString backupPattern(const QString &targetName) {
    return targetName + QStringLiteral(".ventrel-") + processId() + QStringLiteral("-XXXXXX");
}

QString restorePattern() {
    return QStringLiteral("Base-restoring-") + processId() + QStringLiteral("-XXXXXX");
}

QString makeRestoreFolder(const QString &folder) {
    QByteArray path = QFile::encodeName(QDir(folder).filePath(restorePattern()));
    return ::mkdtemp(path.data()) ? QFile::decodeName(path) : QString();
}

void removeRestored(const QString &file) {
    QFile::remove(file);
    const QFileInfo folder(QFileInfo(file).absolutePath());
    if (kWithProcess.match(folder.fileName()).hasMatch())
        QDir().rmdir(folder.absoluteFilePath());
}

QString templateCopyPattern() {
    return QStringLiteral(".Base.fdb-") + processId() + QStringLiteral("-XXXXXX");
}

bool isRunning(qint64 process) {
    if (process <= 0 || process != pid_t(process))
        return false;
    return ::kill(pid_t(process), 0) == 0 || errno == EPERM;
}

QStringList removeLeftovers(const QString &folder) {
    QStringList removed;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System |
                                            QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QRegularExpressionMatch withProcess = kWithProcess.match(name);
        const bool older = !withProcess.hasMatch() && kOlder.match(name).hasMatch();
        if (!withProcess.hasMatch() && !older)
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        struct stat facts = {};
        if (::lstat(path.constData(), &facts) != 0 || facts.st_uid != ::geteuid())
            continue;
        // Only a restore's folder (its name carries a process) is a folder of the program's.
        const bool folderOfRestore = S_ISDIR(facts.st_mode) && withProcess.hasMatch() &&
                                     name.startsWith(QLatin1String("Base-restoring-"));
        if (!S_ISREG(facts.st_mode) && !folderOfRestore)
            continue;
        if (withProcess.hasMatch()) {
            QString process;
            for (int capture = 1; capture <= withProcess.lastCapturedIndex() && process.isEmpty();
                 ++capture) {
                process = withProcess.captured(capture);
            }
            if (isRunning(process.toLongLong()))
                continue;
        } else if (openInSomeProcess(facts)) {
            continue;
        }
        if (folderOfRestore ? QDir(QFile::decodeName(path)).removeRecursively()
                            : ::unlink(path.constData()) == 0) {
            removed << name;
        }
    }
    return removed;
}

} // namespace workfiles
