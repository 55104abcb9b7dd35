// However the program is ended, the run's work is committed and the settings are written: by
// SIGHUP, by SIGTERM while a modal window is open, by exit() from inside the run (as Qt ends the
// program when the X connection breaks), by a signal while a message box holds the end, and by a
// signal that reaches the engine's own handler, whose shutdown the program refuses. Should the
// engine refuse the commit at the end, the run ends all the same and tells why.
// Each end is played by a copy of this program started as a child, which the test then checks
// through the database file, the settings file and the messages it left.

#include "app/tfmmain.h"
#include "childrun.h"
#include "committedcount.h"
#include "data/connection.h"
#include "data/programend.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "testdatabase.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <ibase.h>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

const char *const kEnd = "VENTREL_TEST_END";
const char *const kDatabase = "VENTREL_TEST_DATABASE";
const char *const kSettings = "VENTREL_TEST_SETTINGS";
const char *const kBoxes = "VENTREL_TEST_BOXES"; // a file for the text of every message box

// Makes the register refuse to commit any transaction that sees a row of the interventions book,
// as the engine refuses a commit it cannot make.
void refuseCommitsOfTheBook(const QString &database) {
    Connection connection;
    connection.open(database);
    for (const char *sql : {"create exception E_REFUSED 'the register refuses the commit'",
                            "create trigger REFUSE_COMMIT on transaction commit as begin "
                            "if (exists(select 1 from VMESH)) then exception E_REFUSED; end"}) {
        Transaction transaction(connection);
        Statement(connection, transaction, QLatin1String(sql)).execute();
        transaction.commit();
    }
    connection.close();
}

void unblock(int signal) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

// The program's own start and end, then one way of ending it once a book row is written and
// not yet committed.
int playTheProgram(int argc, char **argv) {
    QApplication app(argc, argv);
    for (int signal : {SIGTERM, SIGHUP})
        unblock(signal);
    // As the engine's shutdown once in a while after a lost display: an exit handler of its,
    // set before the program's own, that never returns.
    if (qgetenv(kEnd) == "exit, the engine's shutdown spinning") {
        std::atexit([] {
            for (;;)
                ::pause();
        });
    }
    if (const QString boxes = qEnvironmentVariable(kBoxes); !boxes.isEmpty()) {
        MessageBox::setAnswerer([boxes](const QString &text) {
            QFile file(boxes);
            if (file.open(QIODevice::Append))
                file.write(text.toUtf8() + '\n');
            return QMessageBox::Ok;
        });
    }
    routeProgramEnd(&app, [] { QCoreApplication::exit(0); });
    const StartupState state =
        startupStateFor(qEnvironmentVariable(kDatabase), qEnvironmentVariable(kSettings));
    auto fmMain = std::make_unique<TfmMain>(state);
    setEndAtExit([window = fmMain.get()] { window->endRun(TfmMain::EndMode::Quietly); });
    fmMain->show();

    const QByteArray end = qgetenv(kEnd);
    auto *poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [&, poll] {
        if (!fmMain->isLoaded())
            return;
        poll->stop();
        Dataset &book = fmMain->data().ibdsVmes;
        book.insert();
        book.setValue(QStringLiteral("E_NAME"), QStringLiteral("ФГДС"));
        book.post();
        if (end == "hup") {
            ::raise(SIGHUP);
            ::raise(SIGHUP); // a second signal while the first is being handled
        } else if (end == "engine's shutdown on a signal") {
            // What the client library's own handler does when a signal reaches it first: it asks
            // the engine to shut down, from a thread of its own.
            std::thread([] { fb_shutdown(3000, fb_shutrsn_signal); }).join();
        } else if (end == "exit" || end == "exit, the engine's shutdown spinning") {
            std::exit(1);
        } else if (end == "term-in-dialog") {
            QTimer::singleShot(100, [] { ::raise(SIGTERM); });
            QDialog dialog(fmMain.get());
            dialog.exec();
        } else if (end == "term-at-settings-box") {
            // The settings cannot be written: the box that says so waits for a person, and a
            // signal ends it.
            QTimer::singleShot(500, [] { ::raise(SIGTERM); });
            fmMain->close();
        }
    });
    poll->start(20);
    const int result = app.exec();
    fmMain.reset();
    setEndAtExit({});
    return result;
}

} // namespace

class TestEndOfRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyEndCommitsAndWritesTheSettings_data() {
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("settingsWritable");
        QTest::addColumn<bool>("commitRefused");
        QTest::newRow("SIGHUP") << "hup" << 0 << true << false;
        QTest::newRow("exit()") << "exit" << 1 << true << false;
        QTest::newRow("exit(), the engine's shutdown never ending")
            << "exit, the engine's shutdown spinning" << 1 << true << false;
        QTest::newRow("SIGTERM in a modal window") << "term-in-dialog" << 0 << true << false;
        QTest::newRow("SIGTERM at the settings box")
            << "term-at-settings-box" << 0 << false << false;
        QTest::newRow("the engine's shutdown on a signal, refused")
            << "engine's shutdown on a signal" << 0 << true << false;
        QTest::newRow("SIGHUP, the commit refused by the engine") << "hup" << 0 << true << true;
    }
    void everyEndCommitsAndWritesTheSettings() {
        QFETCH(QString, end);
        QFETCH(int, exitCode);
        QFETCH(bool, settingsWritable);
        QFETCH(bool, commitRefused);
        TestDatabase db;
        QTemporaryDir data;
        const QString settings = settingsWritable
                                     ? data.filePath(QStringLiteral("Ventrel.ini"))
                                     : data.filePath(QStringLiteral("missing/Ventrel.ini"));
        const QString boxes = data.filePath(QStringLiteral("boxes.txt"));
        if (commitRefused)
            refuseCommitsOfTheBook(db.path());
        // A run whose engine's shutdown spins ends all the same: the child ends by itself.
        QMap<QString, QString> variables = {{QLatin1String(kEnd), end},
                                            {QLatin1String(kDatabase), db.path()},
                                            {QLatin1String(kSettings), settings}};
        // The box that says the settings cannot be written is to wait for the signal that ends it.
        if (settingsWritable)
            variables.insert(QLatin1String(kBoxes), boxes);
        runChild(variables, exitCode);
        QCOMPARE(committedCount(db.path(), QStringLiteral("select count(*) from VMESH")),
                 commitRefused ? 0 : 1);
        QFile told(boxes);
        const QString said =
            told.open(QIODevice::ReadOnly) ? QString::fromUtf8(told.readAll()) : QString();
        QVERIFY2(said.contains(QStringLiteral("the register refuses the commit")) == commitRefused,
                 qPrintable(said));
        if (settingsWritable) {
            QFile file(settings);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll().contains("[fmMain]"));
        }
    }
};

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsSet(kEnd))
        return playTheProgram(argc, argv);
    QApplication app(argc, argv);
    TestEndOfRun test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_endofrun.moc"
