// Times the real windows against a Firebird server reached through a relay that gives the way a
// network's delay (delayproxy.h), and counts the round trips each action waits for: the register
// of 100 000 patients on a private server (privateserver.h), the main window signed in as one of
// the practice's users, at 0, 5 and 20 ms of round-trip delay. Each action is timed from the
// command to its window painted:
//   - the second letter of a surname typed into the search box, to the list painted;
//   - the start: the main window shown, the register opened and its first list painted (the
//     attachment, the books and the last month's visits), and that list shown again by its
//     command;
//   - the patient card editor opened with Enter on the list;
//   - the visit editor opened from the card on its latest visit;
//   - a visit saved: OK of the visit editor with the complaints changed, to the card painted;
//   - the filter's heaviest criterion, words looked for in every visit's complaints.
// Then a day of three workstations through the data layer (searches, cards, visits saved), and
// what the server's header page (gstat -h) tells of its oldest transactions afterwards.
//     ventrel-serverbench [register.fdb] [--runs N] [--delays 0,5,20] [--day N]
// The register is made with ventrel-genregister when the file is missing (by default the one
// tools/bench.sh makes, build/bench/register-100000.fdb). QT_QPA_PLATFORM=offscreen works.

#include "app/patientlists.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "delayproxy.h"
#include "mainwindowrun.h"
#include "privateserver.h"
#include "timing.h"
#include "widgets/messagebox.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace {

const QString kUser = QStringLiteral("ivanova");
const QString kPassword = QStringLiteral("secret");

// The round trips and the time of each run of an action.
struct Figures {
    std::vector<double> trips, ms;
    void add(qint64 roundTrips, double elapsed) {
        trips.push_back(double(roundTrips));
        ms.push_back(elapsed);
    }
};

// What one action costs while the relay counts: the round trips from the command to the
// window painted.
class Meter {
public:
    explicit Meter(DelayProxy &proxy) : m_proxy(proxy) {}
    void start() {
        if (qEnvironmentVariableIsSet("VENTREL_BENCH_MARKS"))
            std::fprintf(stderr, "mark %s\n",
                         qPrintable(QDateTime::currentDateTime().toString(Qt::ISODateWithMs)));
        m_proxy.reset();
        m_clock.start();
    }
    void stop(Figures &figures) {
        if (qEnvironmentVariableIsSet("VENTREL_BENCH_MARKS"))
            std::fprintf(stderr, "stop %s trips %lld\n",
                         qPrintable(QDateTime::currentDateTime().toString(Qt::ISODateWithMs)),
                         m_proxy.roundTrips());
        figures.add(m_proxy.roundTrips(), double(m_clock.nsecsElapsed()) / 1e6);
    }

private:
    DelayProxy &m_proxy;
    QElapsedTimer m_clock;
};

// Runs `inside` in the modal window the command shows, once it is up, then closes it with Esc;
// the command returns when the window has closed.
void inModal(const std::function<void()> &command, const std::function<void(QWidget *)> &inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        QWidget *window = QApplication::activeModalWidget();
        if (!window)
            return;
        ran = true;
        inside(window);
        if (window->isVisible()) {
            QWidget *focus = window->focusWidget();
            QTest::keyClick(focus ? focus : window, Qt::Key_Escape);
        }
    });
    command();
    if (!ran)
        std::fprintf(stderr, "no window opened\n");
}

// A server address through the relay.
ServerAddress throughRelay(const DelayProxy &proxy) {
    ServerAddress address;
    address.host = QStringLiteral("127.0.0.1");
    address.port = proxy.port();
    return address;
}

// The main window signed in to the server through the relay, with every other window.
struct ServerWindow {
    explicit ServerWindow(const DelayProxy &proxy) {
        StartupState state;
        state.programFolder = state.dataFolder = settingsFolder.path() + u'/';
        state.settingsFile = settingsFolder.filePath(QStringLiteral("Ventrel.ini"));
        state.server = throughRelay(proxy);
        state.databaseFile = state.server->connectionString();
        state.user = kUser;
        state.password = kPassword;
        window = std::make_unique<TfmMain>(state);
        windows = new ProgramWindows(window.get());
    }
    QTemporaryDir settingsFolder;
    std::unique_ptr<TfmMain> window;
    ProgramWindows *windows = nullptr;
};

// The beginnings of the surnames that find from a few to some hundreds of patients.
QStringList surnameBeginnings(SharedData &data, int count) {
    Statement most(data.ibMain, data.ibTrans,
                   QStringLiteral("select first %1 substring(FIO from 1 for 3), count(*) "
                                  "from MAIN group by 1 having count(*) <= 400 "
                                  "order by 2 desc")
                       .arg(count));
    most.open();
    QStringList beginnings;
    QVariantList row;
    while (most.fetch(row))
        if (row.value(0).toString().size() == 3)
            beginnings << row.value(0).toString();
    return beginnings;
}

void clear(QLineEdit *edit) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
}

struct Actions {
    Figures keystroke, start, startAgain, card, visitEditor, visitSaved, filter;
};

// The word the filter looks for in every visit's complaints.
const QString kFilterWords = QStringLiteral("кашель");

void runActions(DelayProxy &proxy, int runs, Actions &figures) {
    Meter meter(proxy);
    std::unique_ptr<ServerWindow> run;
    // The start: a window of its own each time, the last one kept for the other actions.
    for (int i = 0; i < runs; ++i) {
        run.reset();
        QApplication::processEvents();
        run = std::make_unique<ServerWindow>(proxy);
        meter.start();
        run->window->show();
        if (!QTest::qWaitFor([&] { return run->window->isLoaded(); }, 120000)) {
            std::fprintf(stderr, "the main window did not load the register\n");
            std::exit(1);
        }
        auto *list = run->window->findChild<QTableView *>(QStringLiteral("dbgMain"));
        list->viewport()->repaint();
        meter.stop(figures.start);
        QApplication::processEvents();
    }
    TfmMain &window = *run->window;
    auto *list = window.findChild<QTableView *>(QStringLiteral("dbgMain"));
    auto *monthList = window.findChild<QAction *>(QStringLiteral("mmLastMonth"));
    for (int i = 0; i < runs; ++i) {
        meter.start();
        monthList->trigger();
        list->viewport()->repaint();
        meter.stop(figures.startAgain);
    }

    auto *search = window.findChild<QComboBox *>(QStringLiteral("cbbSearch"));
    QLineEdit *edit = search->lineEdit();
    const QStringList beginnings = surnameBeginnings(window.data(), runs);
    for (const QString &beginning : beginnings) {
        search->setFocus();
        clear(edit);
        typeCharacter(edit, beginning.at(0).toLower());
        QApplication::processEvents();
        meter.start();
        typeCharacter(edit, beginning.at(1));
        list->viewport()->repaint();
        meter.stop(figures.keystroke);
        if (list->model()->rowCount() == 0) {
            std::fprintf(stderr, "the search for %s found nobody\n", qPrintable(beginning));
            std::exit(1);
        }
    }

    // The card, the visit editor and a visit saved, on patients with visits found by their
    // surnames, each run another patient.
    Dataset &patients = window.data().ibdsMain;
    SharedData &data = window.data();
    window.data().showPatients(
        QStringLiteral("select * from MAIN where ID in (select first %1 C_KEY from CARD group by "
                       "C_KEY having count(*) between 5 and 10 order by C_KEY) order by FIO")
            .arg(runs));
    if (patients.isEmpty()) {
        std::fprintf(stderr, "no patient has 5 to 10 visits: is this a generated register?\n");
        std::exit(1);
    }
    for (int i = 0; i < runs; ++i) {
        patients.moveTo(i % patients.recordCount());
        list->setFocus();
        meter.start();
        inModal([&] { QTest::keyClick(list, Qt::Key_Return); },
                [&](QWidget *card) {
                    card->repaint();
                    meter.stop(figures.card);
                    auto *visitEdit = card->findChild<QAction *>(QStringLiteral("pmEdit"));
                    data.ibdsCard.first(); // the latest visit
                    meter.start();
                    inModal([&] { visitEdit->trigger(); },
                            [&](QWidget *editor) {
                                editor->repaint();
                                meter.stop(figures.visitEditor);
                            });
                    // Again, now to save the visit with its complaints changed.
                    inModal(
                        [&] {
                            visitEdit->trigger();
                            card->repaint();
                            meter.stop(figures.visitSaved);
                        },
                        [&](QWidget *editor) {
                            auto *complaints =
                                editor->findChild<QPlainTextEdit *>(QStringLiteral("dbmZhaloba"));
                            complaints->setFocus();
                            complaints->moveCursor(QTextCursor::End);
                            typeCharacter(complaints, QChar(u'.'));
                            meter.start();
                            editor->findChild<QPushButton *>(QStringLiteral("btOK"))->click();
                        });
                });
    }

    // The filter: the words in the complaints of any visit, nothing else ticked.
    auto *filterCommand = window.findChild<QAction *>(QStringLiteral("mmFilter"));
    for (int i = 0; i < runs; ++i) {
        inModal(
            [&] {
                filterCommand->trigger();
                list->viewport()->repaint();
                meter.stop(figures.filter);
            },
            [&](QWidget *filter) {
                for (QCheckBox *box : filter->findChildren<QCheckBox *>())
                    box->setChecked(false);
                for (QLineEdit *box : filter->findChildren<QLineEdit *>())
                    if (box->objectName().startsWith(QLatin1String("ed")))
                        box->clear();
                filter->findChild<QLineEdit *>(QStringLiteral("edZhaloba"))->setText(kFilterWords);
                meter.start();
                filter->findChild<QPushButton *>(QStringLiteral("btSearch"))->click();
            });
    }
    run.reset();
    QApplication::processEvents();
}

// ---- a day of three workstations --------------------------------------------------------------

// What the header page tells of the register's transactions.
struct Header {
    qint64 oldest = -1, oldestActive = -1, oldestSnapshot = -1, next = -1;
    QString text;
};

Header readHeader(const PrivateServer &server) {
    QProcess gstat;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), server.root());
    env.insert(QStringLiteral("FIREBIRD_LOCK"), server.lockFolder());
    gstat.setProcessEnvironment(env);
    // Debian calls the engine's gstat fbstat.
    const QString program = QStandardPaths::findExecutable(QStringLiteral("fbstat")).isEmpty()
                                ? QStringLiteral("gstat")
                                : QStringLiteral("fbstat");
    gstat.start(program, {QStringLiteral("-h"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                          QStringLiteral("-password"),
                          QLatin1String(PrivateServer::kSysdbaPassword), server.address()});
    gstat.waitForFinished(60000);
    Header header;
    header.text =
        QString::fromLocal8Bit(gstat.readAllStandardOutput() + gstat.readAllStandardError());
    for (const QString &line : header.text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        const qint64 value = trimmed.section(u'\t', -1).trimmed().toLongLong();
        if (trimmed.startsWith(QLatin1String("Oldest transaction")))
            header.oldest = value;
        else if (trimmed.startsWith(QLatin1String("Oldest active")))
            header.oldestActive = value;
        else if (trimmed.startsWith(QLatin1String("Oldest snapshot")))
            header.oldestSnapshot = value;
        else if (trimmed.startsWith(QLatin1String("Next transaction")))
            header.next = value;
    }
    return header;
}

void printHeader(const char *when, const Header &header) {
    if (header.next < 0) {
        std::printf("%s: gstat -h told nothing readable:\n%s\n", when, qPrintable(header.text));
        return;
    }
    std::printf("%s: oldest transaction %lld, oldest active %lld, oldest snapshot %lld, next "
                "transaction %lld; gap (next - oldest active) %lld\n",
                when, header.oldest, header.oldestActive, header.oldestSnapshot, header.next,
                header.next - header.oldestActive);
}

// A day's work of three workstations, each step on another one: a surname looked for, a card
// opened (its visits read), a visit saved with its complaints changed and committed as the
// visit editor's OK does. The main window's commit of an idle run (every 30 s while no window
// is open over it) never comes within the few seconds this takes, as on a day when a card or a
// visit stays open on each workstation: what is left running shows in the oldest active.
void scriptedDay(const PrivateServer &server, int rounds) {
    const ServerAddress address = *ServerAddress::parse(server.address());
    const QStringList users{kUser, QStringLiteral("petrov"), QStringLiteral("sidorova")};
    std::vector<std::unique_ptr<SharedData>> stations;
    for (const QString &user : users) {
        auto station = std::make_unique<SharedData>();
        station->open(ConnectionTarget::server(address, user, kPassword),
                      QStringLiteral("select * from MAIN where ID < 0"));
        stations.push_back(std::move(station));
    }
    const QStringList beginnings = surnameBeginnings(*stations[0], 60);
    QRandomGenerator random(23);
    QElapsedTimer clock;
    clock.start();
    int searches = 0, cards = 0, visits = 0;
    for (int round = 0; round < rounds; ++round) {
        for (auto &station : stations) {
            SharedData &data = *station;
            Dataset &patients = data.ibdsMain;
            Dataset &visitRows = data.ibdsCard;
            // A search by the first letters, as typed.
            const QString beginning = beginnings.at(random.bounded(int(beginnings.size())));
            data.showPatients(patientlists::surnameSearchSql(beginning.left(2)));
            data.showPatients(patientlists::surnameSearchSql(beginning));
            ++searches;
            // A card: the patient's visits read.
            patients.moveTo(random.bounded(patients.fetchedCount()));
            visitRows.recordCount();
            ++cards;
            // A visit saved, when the patient has one.
            if (!visitRows.isEmpty()) {
                visitRows.first();
                visitRows.edit();
                const QString complaints = visitRows.value(QStringLiteral("C_ZHALOBA")).toString();
                visitRows.setValue(QStringLiteral("C_ZHALOBA"),
                                   complaints.size() > 200 ? complaints.left(100)
                                                           : complaints + QStringLiteral(" ."));
                if (visitRows.changedSinceRead())
                    std::fprintf(stderr, "a visit changed meanwhile\n");
                visitRows.post();
                data.ibTrans.commitRetaining();
                ++visits;
            }
            QCoreApplication::processEvents(); // the events of what the others saved
        }
        // Now and then a pause between patients, in which each workstation's idle commit runs.
        if (round % 50 == 49) {
            for (auto &station : stations)
                station->commitIdle();
        }
    }
    std::printf("day of three workstations: %d searches, %d cards, %d visits saved in %.1f s\n",
                searches, cards, visits, double(clock.elapsed()) / 1e3);
    // Which transactions are running, oldest first: the one that holds the oldest active back.
    const PrivateServer::Answer running = server.isql(QStringLiteral(
        "set heading off;\n"
        "select first 6 t.MON$TRANSACTION_ID, trim(a.MON$USER), t.MON$ISOLATION_MODE, "
        "t.MON$READ_ONLY, t.MON$TIMESTAMP from MON$TRANSACTIONS t join MON$ATTACHMENTS a on "
        "a.MON$ATTACHMENT_ID = t.MON$ATTACHMENT_ID where a.MON$USER <> 'SYSDBA' order by 1;"));
    std::printf("  running transactions, oldest first (id, user, isolation: 2 read committed "
                "record version, read only, started):\n%s\n",
                qPrintable(running.output.trimmed() + running.errors));
    printHeader("  gstat -h with the three still signed in", readHeader(server));
    for (auto &station : stations)
        station->close();
    stations.clear();
    printHeader("  gstat -h after they signed out", readHeader(server));
    // The header page is brought up to date as transactions start: one more, then read again.
    server.isql(QStringLiteral("select 1 from RDB$DATABASE;\ncommit;"));
    printHeader("  gstat -h after one more transaction", readHeader(server));
}

void printTable(const std::vector<double> &delays, const std::map<double, Actions> &byDelay) {
    struct Row {
        const char *name;
        Figures Actions::*figures;
    };
    const Row rows[] = {
        {"keystroke (2nd letter) to list painted", &Actions::keystroke},
        {"start: register opened, first list painted", &Actions::start},
        {"start list again (its command)", &Actions::startAgain},
        {"patient card (Enter) painted", &Actions::card},
        {"visit editor painted", &Actions::visitEditor},
        {"visit saved (OK) to card painted", &Actions::visitSaved},
        {"filter: words in complaints, list painted", &Actions::filter},
    };
    std::printf("\n%-44s", "action \\ round-trip delay");
    for (double delay : delays)
        std::printf(" | %6.0f ms: trips     ms", delay);
    std::printf("\n");
    for (const Row &row : rows) {
        std::printf("%-44s", row.name);
        for (double delay : delays) {
            const Figures &figures = byDelay.at(delay).*row.figures;
            if (figures.ms.empty())
                std::printf(" | %17s %6s", "-", "-");
            else
                std::printf(" | %17.0f %6.1f", median(figures.trips), median(figures.ms));
        }
        std::printf("\n");
    }
    std::printf("(medians; trips: round trips counted by the relay)\n\n");
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    auto option = [&](const QString &name, const QString &fallback) {
        const qsizetype at = args.indexOf(name);
        if (at < 0)
            return fallback;
        const QString value = args.value(at + 1);
        args.remove(at, 2);
        return value;
    };
    const int runs = option(QStringLiteral("--runs"), QStringLiteral("7")).toInt();
    const int dayRounds = option(QStringLiteral("--day"), QStringLiteral("300")).toInt();
    std::vector<double> delays;
    for (const QString &delay :
         option(QStringLiteral("--delays"), QStringLiteral("0,5,20")).split(u','))
        delays.push_back(delay.toDouble());
    const QString registerPath = args.value(0, QCoreApplication::applicationDirPath() +
                                                   QStringLiteral("/bench/register-100000.fdb"));
    if (!PrivateServer::available()) {
        std::fprintf(stderr, "no Firebird server here (tools/setup.sh installs it)\n");
        return 1;
    }
    if (!QFileInfo::exists(registerPath)) {
        std::printf("making the register %s\n", qPrintable(registerPath));
        std::fflush(stdout);
        QDir().mkpath(QFileInfo(registerPath).absolutePath());
        const int made = QProcess::execute(
            QCoreApplication::applicationDirPath() + QStringLiteral("/ventrel-genregister"),
            {QStringLiteral("--out"), registerPath, QStringLiteral("--patients"),
             QStringLiteral("100000")});
        if (made != 0)
            return 1;
    }
    // A box the program would show is answered at once and written out.
    MessageBox::setAnswerer([](const QString &text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    });

    PrivateServer server(PrivateServer::WireCrypt::Required, registerPath);
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    for (const QString &user : {kUser, QStringLiteral("petrov"), QStringLiteral("sidorova")}) {
        const PrivateServer::Answer added = server.addUser(user, kPassword);
        if (!added.ok) {
            std::fprintf(stderr, "cannot add %s: %s\n", qPrintable(user), qPrintable(added.errors));
            return 1;
        }
    }
    // --trace FILE: the server's trace of every statement, its start and its end, for finding
    // what an action asks of the server; the bench prints when each action starts.
    const QString traceFile = option(QStringLiteral("--trace"), QString());
    QProcess trace;
    if (!traceFile.isEmpty()) {
        QFile config(traceFile + QStringLiteral(".conf"));
        config.open(QIODevice::WriteOnly);
        config.write("database\n{\n    enabled = true\n    log_connections = true\n"
                     "    log_transactions = true\n    log_statement_prepare = true\n"
                     "    log_statement_free = true\n    log_statement_start = true\n"
                     "    log_statement_finish = true\n    print_plan = false\n"
                     "    time_threshold = 0\n    max_sql_length = 300\n}\n");
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FIREBIRD"), server.root());
        trace.setProcessEnvironment(env);
        trace.setStandardOutputFile(traceFile);
        trace.start(QStringLiteral("fbtracemgr"),
                    {QStringLiteral("-se"),
                     QStringLiteral("%1/%2:service_mgr").arg(server.host()).arg(server.port()),
                     QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-password"),
                     QLatin1String(PrivateServer::kSysdbaPassword), QStringLiteral("-start"),
                     QStringLiteral("-config"), config.fileName()});
        QThread::msleep(1000);
    }
    DelayProxy proxy;
    if (!proxy.start(0, server.host(), server.port(), 0)) {
        std::fprintf(stderr, "%s\n", qPrintable(proxy.errorString()));
        return 1;
    }
    std::printf("register %s on a private server, port %d; relay on port %d; %d runs\n",
                qPrintable(registerPath), server.port(), proxy.port(), runs);

    std::map<double, Actions> byDelay;
    for (double delay : delays) {
        proxy.setDelay(delay / 2);
        std::printf("round-trip delay %.0f ms...\n", delay);
        std::fflush(stdout);
        runActions(proxy, runs, byDelay[delay]);
    }
    printTable(delays, byDelay);

    if (dayRounds > 0)
        scriptedDay(server, dayRounds);
    proxy.stop();
    server.stop();
    // The trace ends with the server, writing out what it holds.
    if (trace.state() == QProcess::Running && !trace.waitForFinished(5000))
        trace.kill();
    return 0;
}
