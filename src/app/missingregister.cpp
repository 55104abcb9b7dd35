#include "app/missingregister.h"

#include "app/databaselocation.h"
#include "app/folders.h"
#include "app/sharedfolder.h"
#include "app/templatecopy.h"
#include "app/tfmprogress.h"
#include "service/dailybackup.h"
#include "service/registerservices.h"
#include "widgets/messagebox.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>

#include <sys/stat.h>
#include <unistd.h>

namespace missingregister {

namespace {

QString number(qint64 value) {
    return QLocale(QLocale::Russian, QLocale::Russia).toString(value);
}

// The restored register takes the access a new register gets in its folder: the group's in
// the practice's shared folder, the owner's alone elsewhere.
void giveFolderAccess(const QString &file) {
    const PathFacts folder =
        pathFacts(folders::withoutTrailingSeparator(QFileInfo(file).absolutePath()));
    const sharedfolder::Access access = sharedfolder::newDatabaseAccess(folder);
    const QByteArray name = QFile::encodeName(file);
    if (access.folderGroup && ::chown(name.constData(), uid_t(-1), gid_t(folder.group)) != 0)
        return; // the file keeps the owner's mode
    ::chmod(name.constData(), mode_t(access.mode));
}

// Restores `backup` as the register `file`, the engine's lines shown meanwhile. False, told,
// when it failed.
bool restore(const QString &backup, const QString &file) {
    TfmProgress progress;
    registerfile::Restored restored;
    const TfmProgress::Outcome outcome = progress.run(
        QStringLiteral("Восстановление из копии"),
        QStringLiteral("Восстанавливается резервная копия\n%1\nв файл базы\n%2").arg(backup, file),
        [&](const engine::LineSink &onLine) {
            restored = registerfile::restoreAs(backup, file, onLine);
        },
        false);
    if (outcome.failure) {
        try {
            std::rethrow_exception(outcome.failure);
        } catch (const registerfile::Failure &error) {
            MessageBox::error(nullptr, error.message(), error.detail());
        } catch (const DbError &error) {
            MessageBox::dbError(nullptr, error);
        }
        return false;
    }
    giveFolderAccess(file);
    const QDateTime made =
        restored.made.isValid() ? restored.made : QFileInfo(backup).lastModified();
    MessageBox::tell(nullptr,
                     QStringLiteral("База восстановлена из копии от %1 в файл\n%2\n"
                                    "В ней пациентов: %3, приёмов: %4.")
                         .arg(made.toString(QStringLiteral("dd.MM.yyyy hh:mm")), file,
                              number(restored.counts.patients), number(restored.counts.visits)));
    return true;
}

// Makes a new empty register from the template in the register's folder. False, told, when
// it could not.
bool createEmpty(const StartupState &state) {
    const QString folder = state.databaseFolder;
    const QString emptyTemplate = database::templateFile(state.programFolder);
    if (emptyTemplate.isEmpty()) {
        MessageBox::error(nullptr,
                          QStringLiteral("Файл пустой базы не найден в папке программы\n") +
                              state.programFolder);
        return false;
    }
    const templatecopy::Result copy = templatecopy::copyTemplate(emptyTemplate, folder);
    if (!copy.made) {
        MessageBox::error(
            nullptr,
            QStringLiteral("Не удалось создать новую базу в папке\n%1\n").arg(folder) + copy.cause,
            copy.detail);
    }
    return copy.made;
}

} // namespace

QString question(const QString &registerFile, const QString &newestBackup,
                 const QString &backupsFolder) {
    QString text = database::missingMessage(registerFile) +
                   QStringLiteral("\nЕё могли переименовать, переместить или удалить.\n\n");
    if (newestBackup.isEmpty()) {
        text += QStringLiteral("Резервных копий в папке %1 нет.\n\n").arg(backupsFolder);
    } else {
        text += QStringLiteral("Последняя резервная копия:\n%1\n\n").arg(newestBackup);
    }
    return text + QStringLiteral(
                      "«Восстановить из копии...» — восстановить базу из этой или другой копии.\n"
                      "«Создать новую пустую» — начать новую базу без пациентов.\n"
                      "«Выход» — закрыть программу, ничего не меняя.");
}

bool resolve(const StartupResult &start, const ChooseBackup &chooseBackup) {
    // Under its name in the folder the start settled on: its own, unless that one is gone.
    const QString file = start.state.databaseFolder + QFileInfo(start.missingRegister).fileName();
    const QString backups = dailybackup::folderFor(start.state.dataFolder);
    const ChooseBackup choose = chooseBackup ? chooseBackup : [](const QString &suggested) {
        return QFileDialog::getOpenFileName(
            nullptr, QStringLiteral("Восстановить из копии"), suggested,
            QStringLiteral("Резервные копии базы (*.fbk);;Все файлы (*)"));
    };
    for (;;) {
        const QString newestName = dailybackup::newest(QDir(backups).entryList(QDir::Files));
        const QString newest = newestName.isEmpty() ? QString() : backups + newestName;
        const QMessageBox::StandardButton answer =
            MessageBox::choose(nullptr, question(file, newest, backups),
                               {{QMessageBox::Yes, QStringLiteral("Восстановить из копии...")},
                                {QMessageBox::No, QStringLiteral("Создать новую пустую")},
                                {QMessageBox::Cancel, QStringLiteral("Выход")}});
        if (answer == QMessageBox::Yes) {
            const QString backup = choose(newest.isEmpty() ? backups : newest);
            if (!backup.isEmpty() && restore(backup, file))
                return true;
        } else if (answer == QMessageBox::No) {
            if (createEmpty(start.state))
                return true;
        } else {
            return false;
        }
    }
}

} // namespace missingregister
