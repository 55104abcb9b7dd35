#include "app/dailybackup.h"

#include "data/backgroundwork.h"
#include "data/registerservices.h"
#include "support/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace dailybackup {

namespace {

const QRegularExpression kName(QStringLiteral("^base-(\\d{4}-\\d{2}-\\d{2})\\.fbk$"));
// The temporary name a backup is written under until it is complete.
const QRegularExpression
    kPartialName(QStringLiteral("^base-\\d{4}-\\d{2}-\\d{2}\\.fbk\\.[A-Za-z0-9]{6}$"));
const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

Settings readSettings(const SettingsFile &settings) {
    const QString section = QStringLiteral("Backup");
    Settings result;
    result.automatic = settings.readInteger(section, QStringLiteral("Auto"), 1) != 0;
    result.keep = std::max(1, settings.readInteger(section, QStringLiteral("Keep"), result.keep));
    return result;
}

QString folderFor(const QString &dataFolder) {
    return QDir(dataFolder).filePath(kFolderName) + u'/';
}

QString fileNameFor(const QDate &day) {
    return QStringLiteral("base-%1.fbk").arg(day.toString(kDayFormat));
}

std::optional<QDate> dayOf(const QString &fileName) {
    const QRegularExpressionMatch match = kName.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(match.captured(1), kDayFormat);
    return day.isValid() ? std::optional(day) : std::nullopt;
}

bool isDue(const QStringList &fileNames, const QDate &today) {
    return !fileNames.contains(fileNameFor(today));
}

QStringList outdated(const QStringList &fileNames, int keep) {
    QList<std::pair<QDate, QString>> backups;
    for (const QString &name : fileNames) {
        if (const auto day = dayOf(name))
            backups.append({*day, name});
    }
    std::sort(backups.begin(), backups.end(), [](const auto &a, const auto &b) {
        return a.first > b.first; // newest first
    });
    QStringList result;
    for (qsizetype i = std::max(1, keep); i < backups.size(); ++i)
        result << backups[i].second;
    return result;
}

QStringList leftovers(const QStringList &fileNames) {
    return fileNames.filter(kPartialName);
}

void make(const QString &registerFile, const QString &folder, const QString &target, int keep,
          const engine::LineSink &onLine) {
    // The backups hold the patients' records: the folder is its owner's alone. A folder that
    // cannot be made fails the backup, which says so.
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const QString &name : leftovers(QDir(folder).entryList(QDir::Files)))
        QFile::remove(folder + name);
    registerfile::backup(registerFile, target, onLine);
    for (const QString &name : outdated(QDir(folder).entryList(QDir::Files), keep))
        QFile::remove(folder + name);
}

} // namespace dailybackup

DailyBackup::DailyBackup(QObject *parent) : QObject(parent), m_work(new BackgroundWork(this)) {
    connect(m_work, &BackgroundWork::finished, this, &DailyBackup::workFinished);
}

DailyBackup::~DailyBackup() = default;

bool DailyBackup::startIfDue(const QString &registerFile, const QString &dataFolder,
                             const dailybackup::Settings &settings, const QDate &today) {
    using namespace dailybackup;
    if (!settings.automatic || isRunning())
        return false;
    const QString folder = folderFor(dataFolder);
    const QDir dir(folder);
    if (!isDue(dir.entryList(QDir::Files), today))
        return false;
    m_target = folder + fileNameFor(today);
    const int keep = settings.keep;
    return m_work->start([registerFile, folder, target = m_target, keep](const auto &onLine) {
        make(registerFile, folder, target, keep, onLine);
    });
}

bool DailyBackup::isRunning() const {
    return m_work->isRunning();
}

void DailyBackup::wait() {
    m_work->wait();
}

void DailyBackup::workFinished() {
    try {
        if (const std::exception_ptr failure = m_work->failure())
            std::rethrow_exception(failure);
        Q_EMIT made(m_target);
    } catch (const registerfile::Failure &error) {
        Q_EMIT failed(error.message(), error.detail());
    } catch (const std::exception &error) {
        Q_EMIT failed(QStringLiteral("Не удалось сделать ежедневную резервную копию базы."),
                      QString::fromLocal8Bit(error.what()));
    }
}
