#include "service/dailybackup.h"

#include "data/lockfolder.h"
#include "service/backgroundwork.h"
#include "service/registerservices.h"
#include "support/pathfacts.h"
#include "support/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace dailybackup {

namespace {

const QRegularExpression kName(QStringLiteral("^base-(\\d{4}-\\d{2}-\\d{2})\\.fbk$"));
const QString kDayFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

Settings readSettings(const SettingsFile &settings) {
    const QString section = QStringLiteral("Backup");
    Settings result;
    result.automatic = settings.readInteger(section, QStringLiteral("Auto"), 1) != 0;
    const QString keep = settings.readString(section, QStringLiteral("Keep"), QString());
    if (!keep.isEmpty()) {
        const std::optional<int> number = parseSettingsInteger(keep);
        if (number && *number >= 1)
            result.keep = *number;
        else
            result.wrongKeep = keep;
    }
    return result;
}

QString folderFor(const QString &dataFolder) {
    return QDir(dataFolder).filePath(kFolderName) + u'/';
}

QString folderRefusal(const QString &folder) {
    const QString path = folder.endsWith(u'/') ? folder.chopped(1) : folder;
    const PathFacts facts = pathFacts(path);
    if (!facts.exists && !facts.isLink)
        return QString();
    QString fault;
    switch (lockfolder::ownFolderFault(facts, currentUser(), false)) {
    case lockfolder::Fault::None:
        return QString();
    case lockfolder::Fault::CannotMake:
        fault = QStringLiteral("не существует, и создать её не удалось.");
        break;
    case lockfolder::Fault::IsLink:
        fault = QStringLiteral("является ссылкой на другую папку.");
        break;
    case lockfolder::Fault::NotAFolder:
        fault = QStringLiteral("занята файлом, который не является папкой.");
        break;
    case lockfolder::Fault::OtherOwner:
        fault = QStringLiteral("принадлежит другому пользователю.");
        break;
    case lockfolder::Fault::OpenToOthers:
    case lockfolder::Fault::HoldsLink:
        fault = QStringLiteral("открыта для записи другим пользователям.");
        break;
    }
    return QStringLiteral("Папка резервных копий %1 ").arg(folder) + fault +
           QStringLiteral(" Копии хранят записи всех пациентов и пишутся только в настоящую папку, "
                          "которая принадлежит вам и закрыта для других: удалите или исправьте "
                          "её.");
}

QString menuCaption(const Settings &settings, const QString &refusal) {
    const QString lead = QStringLiteral("Ежедневные копии");
    if (!settings.automatic)
        return lead + QStringLiteral(" выключены...");
    if (!refusal.isEmpty())
        return lead + QStringLiteral(" не делаются!..");
    QString kept = QStringLiteral("последних: %1").arg(settings.keep);
    if (!settings.wrongKeep.isEmpty())
        kept += QStringLiteral("; Keep=%1 неверно").arg(settings.wrongKeep);
    return lead + QStringLiteral(" (") + kept + QStringLiteral(")...");
}

QString description(const Settings &settings, const QString &folder, const QString &refusal,
                    const QStringList &fileNames) {
    QString text = QStringLiteral("Ежедневные резервные копии базы: папка\n%1\n").arg(folder);
    if (!settings.automatic) {
        text += QStringLiteral("Копии выключены: в разделе [Backup] файла настроек Auto=0.\n");
    } else if (!refusal.isEmpty()) {
        text += QStringLiteral("Копии не делаются. ") + refusal + u'\n';
    } else {
        text += QStringLiteral("Копия делается раз в день после запуска; хранится последних "
                               "копий: %1.\n")
                    .arg(settings.keep);
    }
    if (!settings.wrongKeep.isEmpty()) {
        text += QStringLiteral("Значение Keep=%1 в разделе [Backup] файла настроек неверно (нужно "
                               "число не меньше 1), поэтому действует обычное.\n")
                    .arg(settings.wrongKeep);
    }
    const QString last = newest(fileNames);
    text += last.isEmpty() ? QStringLiteral("Копий пока нет.")
                           : QStringLiteral("Последняя копия: %1.").arg(last);
    return text;
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

QString newest(const QStringList &fileNames) {
    QString found;
    QDate foundDay;
    for (const QString &name : fileNames) {
        if (const auto day = dayOf(name); day && (!foundDay.isValid() || *day > foundDay)) {
            found = name;
            foundDay = *day;
        }
    }
    return found;
}

void make(const QString &registerFile, const QString &folder, const QString &target, int keep,
          const engine::LineSink &onLine) {
    // The backups hold the patients' records: the folder is its owner's alone. A folder that
    // cannot be made, or is not a fit one, fails the backup, which says so.
    QDir().mkpath(folder);
    if (const QString refusal = folderRefusal(folder); !refusal.isEmpty()) {
        throw registerfile::Failure(
            QStringLiteral("Не удалось сделать резервную копию базы в файл\n%1\n").arg(target) +
                refusal,
            QString());
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
