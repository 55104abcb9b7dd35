#include "data/lockfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace lockfolder {

namespace {

// The first entry of the folder that is a link, symbolic or hard; empty when there is none.
QString linkIn(const QString &folder) {
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const PathFacts facts = pathFacts(folder + u'/' + entry);
        if (facts.isLink || (!facts.isDir && facts.hardLinks > 1))
            return entry;
    }
    return QString();
}

bool usable(const QString &folder) {
    return ::access(QFile::encodeName(folder).constData(), R_OK | W_OK | X_OK) == 0;
}

// The user's own folder at `path`, made when missing and kept at 0700, or why it cannot be.
Choice ownFolder(const QString &path, unsigned user) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0)
        ::chmod(native.constData(), 0700); // whatever the umask
    const QString link = linkIn(path);
    const Fault fault = ownFolderFault(pathFacts(path), user, !link.isEmpty());
    if (fault != Fault::None)
        return {QString(), refusalText(fault, path, link)};
    ::chmod(native.constData(), 0700);
    return {path, QString()};
}

// A folder of the user's own under a new name in `tempFolder`: one such folder an earlier run
// made, when it is still sound, else a new one; the empty text when none can be had.
QString privateFolder(const QString &tempFolder, const QString &prefix, unsigned user) {
    const QStringList earlier =
        QDir(tempFolder)
            .entryList({prefix + QStringLiteral("-??????")},
                       QDir::Dirs | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : earlier) {
        const QString path = tempFolder + u'/' + name;
        if (ownFolderFault(pathFacts(path), user, !linkIn(path).isEmpty()) == Fault::None) {
            ::chmod(QFile::encodeName(path).constData(), 0700);
            return path;
        }
    }
    QByteArray made = QFile::encodeName(tempFolder + u'/' + prefix + QStringLiteral("-XXXXXX"));
    if (!::mkdtemp(made.data())) // new, made 0700 for this user
        return QString();
    const QString path = QFile::decodeName(made);
    return ownFolderFault(pathFacts(path), user, !linkIn(path).isEmpty()) == Fault::None
               ? path
               : QString();
}

} // namespace

Fault ownFolderFault(const PathFacts &folder, unsigned user, bool holdsLink) {
    if (!folder.exists)
        return Fault::CannotMake;
    if (folder.isLink)
        return Fault::IsLink;
    if (!folder.isDir)
        return Fault::NotAFolder;
    if (folder.owner != user)
        return Fault::OtherOwner;
    if (folder.writableByOthers())
        return Fault::OpenToOthers;
    if (holdsLink)
        return Fault::HoldsLink;
    return Fault::None;
}

bool engineDefaultAccepted(const PathFacts &folder, bool holdsLink, bool usable) {
    // The root group is root's own; any other group's members could plant links.
    const bool othersWrite = (folder.mode & 0002) || ((folder.mode & 0020) && folder.group != 0);
    return folder.exists && folder.isDir && !folder.isLink && folder.owner == 0 && !othersWrite &&
           !holdsLink && usable;
}

Choice choose(const QString &configured, const QString &engineDefault, const QString &runtimeFolder,
              const QString &tempFolder, unsigned user) {
    const auto acceptedDefault = [](const QString &folder) {
        return engineDefaultAccepted(pathFacts(folder), !linkIn(folder).isEmpty(), usable(folder));
    };
    if (!configured.isEmpty()) {
        const Choice own = ownFolder(configured, user);
        if (own.refusal.isEmpty() || !acceptedDefault(configured))
            return own;
        return {configured, QString()};
    }
    if (acceptedDefault(engineDefault))
        return {engineDefault, QString()};
    const PathFacts runtime = pathFacts(runtimeFolder);
    if (ownFolderFault(runtime, user, false) == Fault::None && (runtime.mode & 0777) == 0700)
        return ownFolder(runtimeFolder + QStringLiteral("/firebird"), user);
    const QString prefix = QStringLiteral("ventrel-firebird-%1").arg(user);
    const Choice fixed = ownFolder(tempFolder + u'/' + prefix, user);
    if (fixed.refusal.isEmpty())
        return fixed;
    // Anyone can make or spoil a folder of that name in the shared temporary folder before the
    // user's first start; it is left alone, and a private folder of a new name serves instead.
    // The engine's exclusive lock on the register file still keeps two programs apart.
    const QString own = privateFolder(tempFolder, prefix, user);
    return own.isEmpty() ? fixed : Choice{own, QString()};
}

QString refusalText(Fault fault, const QString &folder, const QString &entry) {
    const QString lead = QStringLiteral("Папка блокировок сервера баз данных %1 ").arg(folder);
    const QString advice = QStringLiteral(" Программа не откроет базу, пока другие пользователи "
                                          "могут подложить туда свои файлы: удалите эту папку "
                                          "или обратитесь к администратору.");
    switch (fault) {
    case Fault::None:
        return QString();
    case Fault::CannotMake:
        return lead + QStringLiteral("не существует, и создать её не удалось.");
    case Fault::IsLink:
        return lead + QStringLiteral("является ссылкой на другую папку.") + advice;
    case Fault::NotAFolder:
        return lead + QStringLiteral("занята файлом, который не является папкой.") + advice;
    case Fault::OtherOwner:
        return lead + QStringLiteral("принадлежит другому пользователю.") + advice;
    case Fault::OpenToOthers:
        return lead + QStringLiteral("открыта для записи другим пользователям.") + advice;
    case Fault::HoldsLink:
        return lead + QStringLiteral("содержит ссылку %1.").arg(entry) + advice;
    }
    return QString();
}

} // namespace lockfolder
