#pragma once

// Checks that need a user who lacks the rights of the one who made the files. No permission
// stops root, as whom the tests run in CI: there the check runs in a second copy of the test
// program as the unprivileged user "nobody". Started by an ordinary user, the second copy stays
// that user, and the test takes the rights away with chmod.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <grp.h>
#include <unistd.h>

namespace otheruser {

constexpr unsigned kNobody = 65534;

inline bool isRoot() {
    return ::geteuid() == 0;
}

// In the second copy, first of all: gives up root for "nobody".
inline bool becomeUnprivileged() {
    if (!isRoot())
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

// Runs this test program again with `mode` set to `argument` in its environment and returns
// what it printed. The engine's lock folder of this process is not handed on: it is this
// user's own.
inline QString runAgain(const char *mode, const QString &argument, int *exitCode = nullptr) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("FIREBIRD_LOCK"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QLatin1String(mode), argument);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    child.waitForFinished(60000);
    if (exitCode)
        *exitCode = child.exitCode();
    return QString::fromUtf8(child.readAllStandardOutput());
}

// Lets every user pass through the folder (a temporary folder is its maker's alone), so that
// the second copy reaches what the test made for it.
inline void letThrough(const QString &folder) {
    QFile::setPermissions(folder, QFile::permissions(folder) | QFile::ReadOther | QFile::ExeOther |
                                      QFile::ReadGroup | QFile::ExeGroup);
}

} // namespace otheruser
