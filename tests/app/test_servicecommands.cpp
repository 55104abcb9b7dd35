// The menu "Сервис" of the main window and the daily backup, offscreen, on real registers.

#include "app/servicecommands.h"
#include "app/tfmmain.h"
#include "data/statement.h"
#include "registerfixture.h"
#include "service/backupheader.h"
#include "service/dailybackup.h"
#include "service/registerservices.h"
#include "support/dates.h"
#include "testdatabase.h"
#include "widgets/messagebox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QDateTime kNow(QDate(2024, 3, 31), QTime(10, 0));

QStringList filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestServiceCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> filled; // 30 patients, made once
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<QTemporaryDir> dataDir;
    std::unique_ptr<TfmMain> fmMain;
    QStringList told; // every box, in order

    void start() {
        StartupState state;
        state.programFolder = state.dataFolder = dataDir->path() + u'/';
        state.databaseFolder = db->folder() + u'/';
        state.databaseFile = db->path();
        state.settingsFile = dataDir->filePath(QStringLiteral("Ventrel.ini"));
        fmMain = std::make_unique<TfmMain>(state);
        fmMain->show();
        QTRY_VERIFY(fmMain->isLoaded());
        // The day's backup starts behind the start; the tests go on once it is done.
        fmMain->serviceCommands().dailyBackup().wait();
        QCoreApplication::processEvents();
    }

    ServiceCommands &commands() { return fmMain->serviceCommands(); }

    void trigger(const char *name) {
        auto *action = fmMain->findChild<QAction *>(QLatin1String(name));
        QVERIFY(action);
        action->trigger();
    }

    qint64 patientsIn(const QString &file) { return registerfile::countRows(file).patients; }

    // A backup of a register of three patients of its own.
    QString backupOfThreePatients() {
        TestDatabase other;
        fillRegister(other.path(), 3, 7);
        const QString backup = dataDir->filePath(QStringLiteral("three.fbk"));
        registerfile::backup(other.path(), backup, {});
        return backup;
    }

private Q_SLOTS:
    void initTestCase() {
        filled = std::make_unique<TestDatabase>();
        fillRegister(filled->path(), 30);
    }

    void init() {
        dates::setClock([] { return kNow; });
        told.clear();
        MessageBox::setAnswerer([this](const QString &text) {
            told << text;
            return QMessageBox::Ok;
        });
        db = std::make_unique<TestDatabase>();
        QFile::remove(db->path());
        QVERIFY(QFile::copy(filled->path(), db->path()));
        dataDir = std::make_unique<QTemporaryDir>();
    }

    void cleanup() {
        fmMain.reset();
        db.reset();
        dataDir.reset();
        dates::setClock({});
        MessageBox::setAnswerer({});
    }

    // The menu also tells how the daily backup stands: a wrong Keep is named, and the default
    // kept instead.
    void menuSitsBetweenBooksAndHelp() {
        QFile settings(dataDir->filePath(QStringLiteral("Ventrel.ini")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[Backup]\r\nKeep=0\r\n");
        settings.close();
        start();
        QStringList titles;
        for (QAction *menu : fmMain->menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, (QStringList{"&Пациент", "&Отчёты", "Сп&равочники", "&Сервис"}));
        auto *mServ = fmMain->findChild<QMenu *>(QStringLiteral("mServ"));
        QStringList items;
        for (QAction *item : mServ->actions())
            items << item->objectName() + u' ' + item->text();
        QCOMPARE(items, (QStringList{
                            "mmBackup Резервная копия...", "mmRestore Восстановить из копии...",
                            "mmCheck Проверить базу", " ", "mmServer Подключение к серверу...", " ",
                            "mmDailyBackup Ежедневные копии (последних: 14; Keep=0 неверно)..."}));
        trigger("mmDailyBackup");
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QStringLiteral("Keep=0")) &&
                     told.first().contains(QStringLiteral("Последняя копия: base-2024-03-31.fbk")),
                 qPrintable(told.first()));
    }

    // The day's backup is there after the start, without a word to the user.
    void dailyBackupAfterTheStart() {
        start();
        const QString folder = dailybackup::folderFor(dataDir->path());
        QCOMPARE(filesIn(folder), QStringList{QStringLiteral("base-2024-03-31.fbk")});
        QVERIFY(readBackupHeaderOf(folder + QStringLiteral("base-2024-03-31.fbk")));
        QCOMPARE(told, QStringList());
    }

    void dailyBackupFailureIsTold() {
        QFile settings(dataDir->filePath(QStringLiteral("Ventrel.ini")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.close();
        // A file where the backups folder should be: the folder cannot be made.
        QFile blocker(dataDir->filePath(QStringLiteral("backups")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        start();
        QTRY_COMPARE(told.size(), 1);
        QVERIFY(told.first().contains(QStringLiteral("base-2024-03-31.fbk")));
    }

    void backupFromTheMenuWhileTheRegisterIsOpen() {
        start();
        const QString target = dataDir->filePath(QStringLiteral("copy.fbk"));
        QString suggested;
        commands().chooseBackupTarget = [&](const QString &proposal) {
            suggested = proposal;
            return target;
        };
        trigger("mmBackup");
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("base-2024-03-31.fbk"));
        QCOMPARE(told.size(), 1);
        QVERIFY(told.first().contains(target));
        QVERIFY(readBackupHeaderOf(target));
        QVERIFY(fmMain->data().ibdsMain.isOpen());
    }

    // Cancel while the engine works: no file, and nothing said.
    void cancelledBackupLeavesNoFile() {
        start();
        const QString target = dataDir->filePath(QStringLiteral("copy.fbk"));
        commands().chooseBackupTarget = [&](const QString &) { return target; };
        QTimer clicker;
        connect(&clicker, &QTimer::timeout, this, [this] {
            if (auto *cancel = fmMain->findChild<QPushButton *>(QStringLiteral("btCancel"));
                cancel && cancel->isVisible() && cancel->isEnabled()) {
                cancel->click();
            }
        });
        clicker.start(1);
        trigger("mmBackup");
        clicker.stop();
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(filesIn(dataDir->path()), QStringList());
        QCOMPARE(told, QStringList());
    }

    // The question names the backup's date and numbers; the register is kept beside, the
    // restored one takes its place, and the list shows it.
    void restoreAfterTheQuestion() {
        start();
        const QString backup = backupOfThreePatients();
        commands().chooseBackupSource = [&](const QString &) { return backup; };
        QString question;
        MessageBox::setAnswerer([&](const QString &text) {
            told << text;
            if (!text.startsWith(QStringLiteral("Восстановить базу")))
                return QMessageBox::Ok;
            question = text;
            return QMessageBox::Yes;
        });
        trigger("mmRestore");
        const QString made =
            readBackupHeaderOf(backup)->made.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
        QVERIFY2(question.contains(made), qPrintable(question));
        QVERIFY2(question.contains(QStringLiteral("пациентов: 3")), qPrintable(question));
        QVERIFY2(question.contains(QStringLiteral("Base-before-restore-2024-03-31.fdb")),
                 qPrintable(question));

        QCOMPARE(patientsIn(db->folder() + QStringLiteral("/Base-before-restore-2024-03-31.fdb")),
                 30);
        QCOMPARE(filesIn(db->folder()),
                 (QStringList{"Base-before-restore-2024-03-31.fdb", "base.fdb"}));
        QVERIFY(fmMain->isLoaded());
        QCOMPARE(fmMain->statusText(), QStringLiteral("Пациенты за месяц"));
        SharedData &data = fmMain->data();
        for (Dataset *dataset : {&data.ibdsMain, &data.ibdsCard, &data.ibdsDocs, &data.ibdsDiag})
            QVERIFY(dataset->isOpen());
        // The program works with the restored file, not with the one kept beside it.
        Statement patients(data.ibMain, data.ibTrans, QStringLiteral("select count(*) from MAIN"));
        QCOMPARE(patients.selectOne().value(0).toInt(), 3);
        fmMain.reset(); // the register is committed and closed
        QCOMPARE(patientsIn(db->path()), 3);
    }

    void restoreDeclinedChangesNothing() {
        start();
        const QString backup = backupOfThreePatients();
        commands().chooseBackupSource = [&](const QString &) { return backup; };
        MessageBox::setNextAnswer(QMessageBox::No);
        trigger("mmRestore");
        QCOMPARE(filesIn(db->folder()), QStringList{QStringLiteral("base.fdb")});
        QCOMPARE(fmMain->data().ibdsMain.recordCount() > 0, true);
        fmMain.reset();
        QCOMPARE(patientsIn(db->path()), 30);
    }

    void damagedBackupIsRefusedAndTheRegisterStays() {
        start();
        const QString backup = backupOfThreePatients();
        QFile::resize(backup, QFileInfo(backup).size() / 2);
        commands().chooseBackupSource = [&](const QString &) { return backup; };
        trigger("mmRestore");
        QCOMPARE(told.size(), 1);
        QVERIFY(told.first().contains(QStringLiteral("Текущая база не изменена")));
        QCOMPARE(filesIn(db->folder()), QStringList{QStringLiteral("base.fdb")});
        QVERIFY(fmMain->data().ibdsMain.isOpen());
        fmMain.reset();
        QCOMPARE(patientsIn(db->path()), 30);
    }

    // Work not yet committed would hold its tables from the check: the check commits first,
    // as the end of the run does, and then finds every table whole. The list shown before
    // comes back.
    void checkAfterAnUncommittedDelete() {
        start();
        fmMain->data().showPatients(QStringLiteral("select * from MAIN order by FIO"));
        fmMain->setStatusText(QStringLiteral("все"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        trigger("mmDel");
        const int rows = fmMain->data().ibdsMain.recordCount();
        trigger("mmCheck");
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().startsWith(
                     QStringLiteral("Проверка закончена: повреждений в базе не найдено.")),
                 qPrintable(told.first()));
        QVERIFY(told.first().contains(QStringLiteral("(CARD)"))); // the engine's lines
        QCOMPARE(fmMain->data().ibdsMain.selectSql(),
                 QStringLiteral("select * from MAIN order by FIO"));
        QCOMPARE(fmMain->data().ibdsMain.recordCount(), rows);
        QCOMPARE(fmMain->statusText(), QStringLiteral("все"));
    }
};

QTEST_MAIN(TestServiceCommands)
#include "test_servicecommands.moc"
