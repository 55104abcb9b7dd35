// The program on the practice's server, with its windows: what signing in tells when it fails,
// and a card being edited that keeps what was typed when another workstation holds the same row
// or the server goes away for a moment.

#include "app/programwindows.h"
#include "app/signinfailure.h"
#include "app/tfmmain.h"
#include "data/recoveryfile.h"
#include "keyboard.h"
#include "privateserver.h"
#include "support/dates.h"
#include "widgets/messagebox.h"
#include "windowcontrol.h"

#include <QLineEdit>
#include <QScopeGuard>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString kUser = QStringLiteral("ivanova");
const QString kPassword = QStringLiteral("secret");
const QString kPatient = QStringLiteral("Зайцева Зоя");
const QString kConflict =
    QStringLiteral("Эту запись сейчас изменяет другой пользователь. Повторите позже.");
const QString kOverwrite = QStringLiteral("Карточку этого пациента изменил другой пользователь, "
                                          "пока вы её правили. Сохранить ваши изменения поверх "
                                          "его?");

ServerAddress addressOf(const PrivateServer &server) {
    return *ServerAddress::parse(server.address());
}

} // namespace

class TestServerWork : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateServer> server;
    std::unique_ptr<QTemporaryDir> dataDir;
    std::unique_ptr<TfmMain> fmMain;
    QStringList boxes;
    // Answers a box of the test's choosing; every other box is answered OK.
    std::function<QMessageBox::StandardButton(const QString &)> answer;

    void startServer(PrivateServer::WireCrypt wireCrypt = PrivateServer::WireCrypt::Required) {
        server = std::make_unique<PrivateServer>(wireCrypt);
        QVERIFY2(server->start(), qPrintable(server->errorString()));
        QVERIFY(server->addUser(kUser, kPassword).ok);
    }

    QString telephone() {
        const PrivateServer::Answer read = server->isql(
            QStringLiteral("set list on; select TELD from MAIN where FIO = '%1';").arg(kPatient));
        return read.output.section(QStringLiteral("TELD"), 1).trimmed();
    }

    // The main window signed in to the server, its list showing the one patient.
    void startProgram() {
        QVERIFY(server
                    ->isql(QStringLiteral("insert into MAIN (ID, FIO, SEX) values "
                                          "(gen_id(GEN_MAIN_ID, 1), '%1', 'Ж'); commit;")
                               .arg(kPatient))
                    .ok);
        StartupState state;
        state.programFolder = state.dataFolder = dataDir->path() + u'/';
        state.settingsFile = dataDir->filePath(QStringLiteral("Ventrel.ini"));
        state.server = addressOf(*server);
        state.databaseFile = state.server->connectionString();
        state.user = kUser;
        state.password = kPassword;
        fmMain = std::make_unique<TfmMain>(state);
        new ProgramWindows(fmMain.get());
        fmMain->show();
        fmMain->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fmMain.get()));
        QTRY_VERIFY(fmMain->isLoaded());
        fmMain->data().showPatients(QStringLiteral("select * from MAIN order by FIO"));
    }

    // Opens the patient's card from the list and runs `work` in it while it is open.
    void inTheCard(std::function<void(QWidget *card)> work) {
        bool ran = false;
        whenModal([&](QWidget *card) {
            // A failed check leaves the card open: it is closed so that the test ends.
            const auto closeCard = qScopeGuard([card, &ran] {
                if (!ran && card->isVisible())
                    QTest::keyClick(card, Qt::Key_Escape);
            });
            work(card);
            ran = true;
        });
        auto *list = control<QTableView>(fmMain.get(), "dbgMain");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(ran);
    }

    static void retypeTelephone(QWidget *card, const QString &text) {
        auto *box = control<QLineEdit>(card, "dbedTel");
        box->setFocus();
        box->selectAll();
        typeText(box, text);
    }
    static void pressOK(QWidget *card) {
        QTest::keyClick(card, Qt::Key_Return, Qt::ControlModifier);
    }

private Q_SLOTS:
    void init() {
        SKIP_WITHOUT_FIREBIRD_SERVER();
        dates::setClock([] { return QDateTime(QDate(2024, 3, 31), QTime(10, 0)); });
        dataDir = std::make_unique<QTemporaryDir>();
        boxes.clear();
        answer = nullptr;
        MessageBox::setAnswerer([this](const QString &text) {
            boxes << text;
            return answer ? answer(text) : QMessageBox::Ok;
        });
    }

    void cleanup() {
        fmMain.reset();
        server.reset();
        MessageBox::setAnswerer(nullptr);
    }

    void signInTellsWhatFailed_data() {
        QTest::addColumn<int>("wireCrypt");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("alias");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("told"); // %1: the server, %2: its port
        const int required = int(PrivateServer::WireCrypt::Required);
        QTest::newRow("signed in") << required << kUser << kPassword << "ventrel" << true << "";
        QTest::newRow("wrong password")
            << required << kUser << "wrong"
            << "ventrel" << true << "Неверное имя пользователя или пароль.";
        QTest::newRow("unknown user") << required << "nobody" << kPassword << "ventrel" << true
                                      << "Неверное имя пользователя или пароль.";
        QTest::newRow("user without the role")
            << required << "norole" << kPassword << "ventrel" << true
            << "У пользователя нет доступа к базе «ventrel». Попросите администратора выдать "
               "роль VENTREL_USER.";
        QTest::newRow("no such register")
            << required << kUser << kPassword << "nosuch" << true
            << "На сервере %1 нет базы «nosuch» или её нельзя открыть.";
        QTest::newRow("server stopped")
            << required << kUser << kPassword << "ventrel" << false
            << "Нет связи с сервером %1: он выключен, не запущен или не слушает порт %2.";
        QTest::newRow("server that talks unencrypted")
            << int(PrivateServer::WireCrypt::Disabled) << kUser << kPassword << "ventrel" << true
            << "Сервер %1 не шифрует соединение, а данные пациентов передаются только "
               "зашифрованными. Попросите администратора включить шифрование (WireCrypt = "
               "Required).";
    }
    void signInTellsWhatFailed() {
        QFETCH(int, wireCrypt);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, alias);
        QFETCH(bool, running);
        QFETCH(QString, told);
        startServer(PrivateServer::WireCrypt(wireCrypt));
        QVERIFY(server->addUser(QStringLiteral("norole"), kPassword, false).ok);
        if (!running)
            server->kill();
        ServerAddress address = addressOf(*server);
        address.alias = alias;
        QCOMPARE(signinfailure::trySigningIn(address, user, password),
                 told.replace(QStringLiteral("%1"), address.server())
                     .replace(QStringLiteral("%2"), QString::number(address.port)));
    }

    void lostServerKeepsTheCardAsTypedAndSavesItWhenBack() {
        startServer();
        startProgram();
        answer = [this](const QString &text) {
            if (!text.startsWith(QStringLiteral("Нет связи с сервером")))
                return QMessageBox::Ok;
            return server->start() ? QMessageBox::Retry : QMessageBox::Close;
        };
        inTheCard([this](QWidget *card) {
            retypeTelephone(card, QStringLiteral("22-33-44"));
            server->kill();
            pressOK(card);
            QVERIFY2(card->isVisible(), "the card closed while the server was away");
            QCOMPARE(control<QLineEdit>(card, "dbedTel")->text(), QStringLiteral("22-33-44"));
            pressOK(card);
        });
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(telephone(), QStringLiteral("22-33-44"));
    }

    // "Выход" while the server is away: the card goes into the recovery file, and nothing more
    // is asked of the server or told.
    void leavingWhileTheServerIsAwayKeepsTheCardForRecovery() {
        startServer();
        startProgram();
        answer = [](const QString &) { return QMessageBox::Close; };
        inTheCard([this](QWidget *card) {
            retypeTelephone(card, QStringLiteral("22-33-44"));
            server->kill();
            pressOK(card);
        });
        fmMain.reset();
        // "Выход" asked the program's event loops to end; the test's own must run again.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        QCOMPARE(boxes, QStringList{boxes.value(0)});
        const std::optional<Draft> kept = recoveryfile::read(
            recoveryfile::pathBeside(dataDir->filePath(QStringLiteral("Ventrel.ini"))),
            kUser + u'@' + addressOf(*server).connectionString());
        QVERIFY(kept);
        QCOMPARE(kept->patient.fields.value(QStringLiteral("TELD")).toString(),
                 QStringLiteral("22-33-44"));
    }

    void rowHeldByAnotherWorkstationKeepsTheCardAsTyped() {
        startServer();
        startProgram();
        QVERIFY(server->addUser(QStringLiteral("petrov"), kPassword).ok);
        // The other workstation saves the same patient's card while this one edits it; it
        // holds the row until it commits.
        SharedData other;
        other.open(
            ConnectionTarget::server(addressOf(*server), QStringLiteral("petrov"), kPassword),
            QStringLiteral("select * from MAIN"));
        inTheCard([&](QWidget *card) {
            retypeTelephone(card, QStringLiteral("22-33-44"));
            other.ibdsMain.edit();
            other.ibdsMain.setValue(QStringLiteral("ADR"), QStringLiteral("ул. Лесная, 5"));
            other.ibdsMain.post();
            pressOK(card);
            QCOMPARE(boxes.value(0).section(u'\n', 0, 0), kConflict);
            QVERIFY(card->isVisible());
            QCOMPARE(control<QLineEdit>(card, "dbedTel")->text(), QStringLiteral("22-33-44"));

            // Saved over the other's change only when the user says so.
            other.ibTrans.commitRetaining();
            answer = [](const QString &text) {
                return text == kOverwrite ? QMessageBox::No : QMessageBox::Ok;
            };
            pressOK(card);
            QCOMPARE(boxes.value(1), kOverwrite);
            QVERIFY(card->isVisible());
            answer = [](const QString &) { return QMessageBox::Yes; };
            pressOK(card);
        });
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(telephone(), QStringLiteral("22-33-44"));
    }
};

QTEST_MAIN(TestServerWork)
#include "test_serverwork.moc"
