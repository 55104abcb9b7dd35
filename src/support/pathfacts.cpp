#include "support/pathfacts.h"

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

PathFacts pathFacts(const QString &path) {
    PathFacts facts;
    struct stat status {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return facts;
    facts.exists = true;
    facts.isDir = S_ISDIR(status.st_mode);
    facts.isLink = S_ISLNK(status.st_mode);
    facts.owner = status.st_uid;
    facts.group = status.st_gid;
    facts.mode = status.st_mode & 07777;
    facts.hardLinks = unsigned(status.st_nlink);
    return facts;
}

unsigned currentUser() {
    return ::geteuid();
}
