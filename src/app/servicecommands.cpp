#include "app/servicecommands.h"

#include "app/openfailurebox.h"
#include "app/registersession.h"
#include "app/tfmprogress.h"
#include "data/shareddata.h"
#include "service/dailybackup.h"
#include "service/registerservices.h"
#include "support/dates.h"
#include "support/settingsfile.h"
#include "widgets/messagebox.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QStandardPaths>

namespace {

const QString kBackupFilter = QStringLiteral("Резервные копии базы (*.fbk);;Все файлы (*)");
// Where a server keeps the backups a workstation asks for: the folder of the server's package
// ([Main] ServerBackups= names another).
const QString kServerBackupFolder = QStringLiteral("/var/lib/ventrel-server/backups");

QString number(qint64 value) {
    return QLocale(QLocale::Russian, QLocale::Russia).toString(value);
}

QString restoreQuestion(const registerfile::Restored &restored, const QDateTime &made,
                        const QString &keptFile) {
    return QStringLiteral("Восстановить базу из резервной копии от %1?\n\n"
                          "В копии пациентов: %2, приёмов: %3.\n\n"
                          "Текущая база будет сохранена рядом с ней в файле\n%4")
        .arg(made.toString(QStringLiteral("dd.MM.yyyy hh:mm")), number(restored.counts.patients),
             number(restored.counts.visits), QFileInfo(keptFile).fileName());
}

// The failure a piece of work threw, told to the user.
void tellFailure(QWidget *window, const std::exception_ptr &failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const registerfile::Failure &error) {
        MessageBox::error(window, error.message(), error.detail());
    } catch (const DbError &error) {
        MessageBox::dbError(window, error);
    } catch (const std::exception &error) {
        MessageBox::error(window, QString::fromLocal8Bit(error.what()));
    }
}

} // namespace

ServiceCommands::ServiceCommands(QWidget *window, RegisterSession &session)
    : QObject(window), m_window(window), m_session(session), m_daily(new DailyBackup(this)) {
    chooseBackupTarget = [this](const QString &suggested) {
        return QFileDialog::getSaveFileName(m_window, QStringLiteral("Резервная копия базы"),
                                            suggested, kBackupFilter);
    };
    chooseBackupSource = [this](const QString &folder) {
        return QFileDialog::getOpenFileName(m_window, QStringLiteral("Восстановить из копии"),
                                            folder, kBackupFilter);
    };
    connect(m_daily, &DailyBackup::failed, this,
            [this](const QString &message, const QString &detail) {
                MessageBox::error(m_window, message, detail);
            });
}

ServiceCommands::~ServiceCommands() = default;

engine::Manager ServiceCommands::serverManager() const {
    const StartupState &state = m_session.state();
    return engine::Manager::ofServer(*state.server, state.user, state.password);
}

QString ServiceCommands::serverBackupFile() const {
    const StartupState &state = m_session.state();
    const QString folder = m_session.settings().readString(
        QStringLiteral("Main"), QStringLiteral("ServerBackups"), kServerBackupFolder);
    return QDir(folder).filePath(
        QStringLiteral("%1-%2-%3.fbk")
            .arg(state.server->alias,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")),
                 state.user));
}

void ServiceCommands::startDailyBackup() {
    const StartupState &state = m_session.state();
    if (state.server)
        return; // the server backs the register up every night
    m_daily->startIfDue(state.databaseFile, state.dataFolder,
                        dailybackup::readSettings(m_session.settings()), dates::today());
}

void ServiceCommands::showDailyBackupIn(QAction *item, QMenu *menu) {
    m_dailyItem = item;
    if (m_session.state().server) {
        item->setText(QStringLiteral("Ежедневные копии делает сервер..."));
        connect(item, &QAction::triggered, this, [this] {
            MessageBox::tell(m_window,
                             QStringLiteral("Базу на сервере %1 резервно копирует сам сервер, "
                                            "каждую ночь, в свою папку резервных копий.")
                                 .arg(m_session.state().server->server()));
        });
        return;
    }
    const auto update = [this] {
        const QString folder = dailybackup::folderFor(m_session.state().dataFolder);
        m_dailyItem->setText(dailybackup::menuCaption(
            dailybackup::readSettings(SettingsFile(m_session.state().settingsFile)),
            dailybackup::folderRefusal(folder)));
    };
    update();
    connect(menu, &QMenu::aboutToShow, m_dailyItem, update);
    connect(m_dailyItem, &QAction::triggered, this, &ServiceCommands::mmDailyBackupClick);
}

void ServiceCommands::mmDailyBackupClick() {
    const QString folder = dailybackup::folderFor(m_session.state().dataFolder);
    MessageBox::tell(m_window, dailybackup::description(dailybackup::readSettings(SettingsFile(
                                                            m_session.state().settingsFile)),
                                                        folder, dailybackup::folderRefusal(folder),
                                                        QDir(folder).entryList(QDir::Files)));
}

void ServiceCommands::checkOnServer() {
    TfmProgress progress(m_window);
    ValidationFindings findings;
    const QString alias = m_session.state().server->alias;
    const TfmProgress::Outcome outcome = progress.run(
        QStringLiteral("Проверка базы"),
        QStringLiteral("Сервер проверяет базу «%1» на повреждения").arg(alias),
        [&](const engine::LineSink &onLine) {
            findings = registerfile::checkOnServer(serverManager(), alias, onLine);
        },
        false);
    if (outcome.failure) {
        tellFailure(m_window, outcome.failure);
        return;
    }
    tellFindings(findings, outcome.lines);
}

void ServiceCommands::tellFindings(const ValidationFindings &findings, const QStringList &lines) {
    const QString detail = lines.join(u'\n');
    if (findings.errors() > 0)
        MessageBox::error(m_window, validationReport(findings), detail);
    else
        MessageBox::tell(m_window, validationReport(findings), detail);
}

bool ServiceCommands::backUpBeforeChange() {
    if (m_session.state().server)
        return true; // the server's nightly backups keep the register
    waitForDailyBackup();
    const dailybackup::Settings daily = dailybackup::readSettings(m_session.settings());
    const QString folder = dailybackup::folderFor(m_session.state().dataFolder);
    const QDate today = dates::today();
    if (!daily.automatic || !dailybackup::isDue(QDir(folder).entryList(QDir::Files), today))
        return true;
    const QString target = folder + dailybackup::fileNameFor(today);
    const QString registerFile = m_session.state().databaseFile;
    TfmProgress progress(m_window);
    const TfmProgress::Outcome outcome = progress.run(
        QStringLiteral("Резервная копия"),
        QStringLiteral("Перед изменением, которое нельзя отменить, записывается ежедневная "
                       "резервная копия базы\n%1")
            .arg(target),
        [&](const engine::LineSink &onLine) {
            dailybackup::make(registerFile, folder, target, daily.keep, onLine);
        },
        false);
    if (outcome.failure) {
        tellFailure(m_window, outcome.failure);
        return false;
    }
    return true;
}

void ServiceCommands::waitForDailyBackup() {
    if (!m_daily->isRunning())
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_daily->wait();
    QGuiApplication::restoreOverrideCursor();
}

bool ServiceCommands::closeRegister() {
    try {
        m_session.close();
        return true;
    } catch (const DbError &error) {
        MessageBox::dbError(m_window, error);
        reopen(false);
        return false;
    }
}

void ServiceCommands::reopen(bool startList) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        m_session.reopen(startList);
    } catch (const DbError &error) {
        QGuiApplication::restoreOverrideCursor();
        tellOpenFailure(m_window, m_session.state().databaseFile, m_session.data().ibMain.isOpen(),
                        error);
        return;
    }
    QGuiApplication::restoreOverrideCursor();
}

void ServiceCommands::mmBackupClick() {
    if (m_session.state().server) {
        backUpOnServer();
        return;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString target =
        chooseBackupTarget(QDir(documents).filePath(dailybackup::fileNameFor(dates::today())));
    if (target.isEmpty())
        return;
    waitForDailyBackup();
    TfmProgress progress(m_window);
    bool kept = false;
    const QString registerFile = m_session.state().databaseFile;
    const TfmProgress::Outcome outcome = progress.run(
        QStringLiteral("Резервная копия"),
        QStringLiteral("Резервная копия базы записывается в файл\n%1").arg(target),
        [&](const engine::LineSink &onLine) {
            kept = registerfile::backup(registerFile, target, onLine,
                                        [&] { return !progress.isCancelled(); });
        },
        true);
    if (outcome.failure)
        tellFailure(m_window, outcome.failure);
    else if (kept)
        MessageBox::tell(m_window,
                         QStringLiteral("Резервная копия базы сохранена в файле\n%1").arg(target));
}

void ServiceCommands::backUpOnServer() {
    const QString target = serverBackupFile();
    const QString alias = m_session.state().server->alias;
    TfmProgress progress(m_window);
    const TfmProgress::Outcome outcome = progress.run(
        QStringLiteral("Резервная копия"),
        QStringLiteral("Сервер записывает резервную копию базы в файл\n%1").arg(target),
        [&](const engine::LineSink &onLine) {
            registerfile::backupOnServer(serverManager(), alias, target, onLine);
        },
        false);
    if (outcome.failure)
        tellFailure(m_window, outcome.failure);
    else
        MessageBox::tell(
            m_window,
            QStringLiteral("Резервная копия базы записана на сервере в файл\n%1").arg(target));
}

void ServiceCommands::mmRestoreClick() {
    if (m_session.state().server) {
        // Other workstations work in it meanwhile: a restore is the administrator's, on the
        // server, when nobody is signed in.
        MessageBox::tell(m_window,
                         QStringLiteral("Восстановить базу на сервере из резервной копии может "
                                        "только администратор сервера, когда никто не работает: "
                                        "ventrel-admin restore ФАЙЛ."));
        return;
    }
    const QString backupFile =
        chooseBackupSource(dailybackup::folderFor(m_session.state().dataFolder));
    if (backupFile.isEmpty())
        return;
    waitForDailyBackup();
    TfmProgress progress(m_window);
    registerfile::Restored restored;
    const QString folder = m_session.state().databaseFolder;
    const TfmProgress::Outcome outcome = progress.run(
        QStringLiteral("Восстановление из копии"),
        QStringLiteral("Восстанавливается резервная копия\n%1\nТекущая база пока не меняется.")
            .arg(backupFile),
        [&](const engine::LineSink &onLine) {
            restored = registerfile::restoreInto(backupFile, folder, onLine);
        },
        true);
    if (outcome.failure) {
        tellFailure(m_window, outcome.failure);
        return;
    }
    const auto discard = [&] { registerfile::discard(restored); };
    if (outcome.cancelled) {
        discard();
        return;
    }
    const QDate today = dates::today();
    const QDateTime made =
        restored.made.isValid() ? restored.made : QFileInfo(backupFile).lastModified();
    const QString keptFile = registerfile::keptRegisterPath(folder, today);
    if (MessageBox::ask(m_window, restoreQuestion(restored, made, keptFile),
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        discard();
        return;
    }
    if (!closeRegister()) {
        discard();
        return;
    }
    QString kept;
    try {
        kept = registerfile::putInPlace(restored.file, m_session.state().databaseFile, today);
    } catch (const registerfile::Failure &error) {
        discard();
        MessageBox::error(m_window, error.message(), error.detail());
        reopen(false);
        return;
    }
    reopen(true);
    MessageBox::tell(m_window, QStringLiteral("База восстановлена из копии от %1.\n"
                                              "Прежняя база сохранена в файле\n%2")
                                   .arg(made.toString(QStringLiteral("dd.MM.yyyy hh:mm")), kept));
}

void ServiceCommands::mmCheckClick() {
    if (m_session.state().server) {
        checkOnServer();
        return;
    }
    waitForDailyBackup();
    // The run's transaction holds the tables it wrote to; the check needs them free.
    if (!closeRegister())
        return;
    TfmProgress progress(m_window);
    ValidationFindings findings;
    const QString registerFile = m_session.state().databaseFile;
    const TfmProgress::Outcome outcome = progress.run(
        QStringLiteral("Проверка базы"),
        QStringLiteral("База проверяется на повреждения:\n%1").arg(registerFile),
        [&](const engine::LineSink &onLine) {
            findings = registerfile::check(registerFile, onLine);
        },
        false);
    reopen(false);
    if (outcome.failure) {
        tellFailure(m_window, outcome.failure);
        return;
    }
    tellFindings(findings, outcome.lines);
}
