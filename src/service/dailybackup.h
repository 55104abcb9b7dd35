#pragma once

#include "service/engineservices.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class BackgroundWork;
class SettingsFile;

// The automatic backup of the register: once a day, after the start, into the folder
// "backups" beside the settings file, keeping the newest few. The rules are plain functions;
// `DailyBackup` runs them.
namespace dailybackup {

inline const QString kFolderName = QStringLiteral("backups");

inline constexpr int kDefaultKeep = 14;

// Section [Backup] of the settings file: Auto=0 turns the daily backup off; Keep= is how many
// daily backups are kept. A Keep that is not a number of at least one keeps the default, and
// `wrongKeep` holds it as written, so that the program can say so.
struct Settings {
    bool automatic = true;
    int keep = kDefaultKeep;
    QString wrongKeep;
};
Settings readSettings(const SettingsFile &settings);

// The folder of the daily backups for the data folder, with a trailing "/".
QString folderFor(const QString &dataFolder);

// Why the daily backups may not go into `folder`, for the user; empty when they may, or when
// the folder is still to be made. They hold every patient's records: the folder must be a real
// folder of the user's own that no one else may write into (the lock folder's rule), never a
// link that leads the copies elsewhere.
QString folderRefusal(const QString &folder);

// The caption of the menu item that tells how the daily backup stands, and what it shows when
// chosen: the folder, how many are kept, the newest backup among `fileNames`, and what is
// wrong (`refusal`, a wrong Keep).
QString menuCaption(const Settings &settings, const QString &refusal);
QString description(const Settings &settings, const QString &folder, const QString &refusal,
                    const QStringList &fileNames);

// "base-2024-12-10.fbk"
QString fileNameFor(const QDate &day);
// The day of a daily backup's file name; nothing for any other name.
std::optional<QDate> dayOf(const QString &fileName);

// True when none of the names is the daily backup of `today`.
bool isDue(const QStringList &fileNames, const QDate &today);
// The daily backups among the names beyond the newest `keep` (at least one: the newest is never
// removed), oldest last; other names never.
QStringList outdated(const QStringList &fileNames, int keep);
// The newest daily backup among the names; empty when there is none.
QString newest(const QStringList &fileNames);

// The day's backup of `registerFile` into `folder` as `target`, then the removal of the daily
// backups beyond the newest `keep`; the engine's lines go to `onLine`. The folder is made, its
// owner's alone. Raises registerfile::Failure when the backup fails.
void make(const QString &registerFile, const QString &folder, const QString &target, int keep,
          const engine::LineSink &onLine);

} // namespace dailybackup

// Makes the day's backup of the register in the background when it is due, then removes the
// outdated ones. A failure, a refused folder among them, is told through `failed`, never
// hidden.
class DailyBackup : public QObject {
    Q_OBJECT
public:
    explicit DailyBackup(QObject *parent = nullptr);
    ~DailyBackup() override;

    // Starts the day's backup of `registerFile` into the backups folder of `dataFolder`, unless
    // the settings turn it off or today's backup exists. False when nothing was started.
    bool startIfDue(const QString &registerFile, const QString &dataFolder,
                    const dailybackup::Settings &settings, const QDate &today);
    bool isRunning() const;
    // Blocks until a running backup has ended.
    void wait();

Q_SIGNALS:
    // A backup was made: the file.
    void made(const QString &file);
    // The backup failed: what to tell the user, and the engine's own text.
    void failed(const QString &message, const QString &detail);

private:
    void workFinished();

    BackgroundWork *m_work;
    QString m_target;
};
