// A patient card and a visit open when the run ends without the user's word (a signal, exit()
// as Qt ends the program when the display goes): the register keeps nothing of them, not even a
// link row, and a private recovery file keeps all that was typed; the next start offers it back
// and the editors open with it, unsaved. Each end is played by a copy of this program started as
// a child; the test then reads the register and the recovery file it left.

#include "app/programwindows.h"
#include "app/recoveryoffer.h"
#include "app/tfmmain.h"
#include "cards/tfmcardedit.h"
#include "childrun.h"
#include "committedcount.h"
#include "data/programend.h"
#include "data/recoveryfile.h"
#include "dbwidgets/dbgrid.h"
#include "dbwidgets/dbmemo.h"
#include "testdatabase.h"
#include "visits/tfmpriem.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace {

const char *const kEnd = "VENTREL_TEST_RECOVERY_END";
const char *const kDatabase = "VENTREL_TEST_DATABASE";
const char *const kSettings = "VENTREL_TEST_SETTINGS";

QString registerNameOf(const QString &database) {
    return QFileInfo(database).canonicalFilePath();
}

// Runs `step` once the program's modal window is of the given kind.
template <typename Window> void whenShown(std::function<void(Window *)> step) {
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, step] {
        auto *window = qobject_cast<Window *>(QApplication::activeModalWidget());
        if (!window || !window->isVisible())
            return;
        poll->deleteLater();
        poll->stop();
        step(window);
    });
    poll->start(20);
}

// A new patient with a visit begun over it: the doctor, a diagnosis or an intervention (which
// writes the visit), then complaints and status typed after it; then the end.
int playTheProgram(int argc, char **argv) {
    QApplication app(argc, argv);
    routeProgramEnd(&app, [] { QCoreApplication::exit(0); });
    auto fmMain = std::make_unique<TfmMain>(
        startupStateFor(qEnvironmentVariable(kDatabase), qEnvironmentVariable(kSettings)));
    new ProgramWindows(fmMain.get());
    setEndAtExit([window = fmMain.get()] { window->endRun(TfmMain::EndMode::Quietly); });
    fmMain->show();

    const QByteArray end = qgetenv(kEnd);
    SharedData &data = fmMain->data();
    whenShown<TfmCardEdit>([&](TfmCardEdit *card) {
        data.ibdsMain.setValue(QStringLiteral("FIO"), QStringLiteral("Зайцева Зоя Петровна"));
        data.ibdsMain.setValue(QStringLiteral("SEX"), QStringLiteral("Ж"));
        whenShown<TfmPriem>([&](TfmPriem *) {
            Dataset &visits = data.ibdsCard;
            visits.setValue(QStringLiteral("C_DOC"), 1);
            Dataset &links = end == "hup" ? data.ibdsVmeshat : data.ibdsDiagnoz;
            links.insert();
            links.setValue(end == "hup" ? QStringLiteral("V_VMESH") : QStringLiteral("G_DIAG"), 1);
            links.post();
            visits.edit();
            visits.setValue(QStringLiteral("C_ZHALOBA"), QStringLiteral("кашель"));
            visits.setValue(QStringLiteral("C_STATUS"), QStringLiteral("удовл."));
            if (end == "hup")
                ::raise(SIGHUP);
            else if (end == "exit")
                std::exit(1);
            else
                ::raise(SIGTERM);
        });
        card->pmAddClick();
    });
    auto *poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [&, poll] {
        if (!fmMain->isLoaded())
            return;
        poll->stop();
        for (auto [book, field, name] : {std::tuple{&data.ibdsDocs, "D_FIO", "Петрова Е.В."},
                                         std::tuple{&data.ibdsDiag, "Z_NAME", "ОРВИ"},
                                         std::tuple{&data.ibdsVmes, "E_NAME", "ФГДС"}}) {
            book->insert();
            book->setValue(QLatin1String(field), QString::fromUtf8(name));
            book->post();
        }
        data.ibBooksTrans.commitRetaining();
        fmMain->mmAddClick();
    });
    poll->start(20);
    const int result = app.exec();
    fmMain.reset();
    setEndAtExit({});
    return result;
}

// The rows of the register: patients, visits, diagnosis and intervention rows, and link rows
// whose visit is not there.
QList<int> registerRows(const QString &database) {
    return {
        committedCount(database, QStringLiteral("select count(*) from MAIN")),
        committedCount(database, QStringLiteral("select count(*) from CARD")),
        committedCount(database, QStringLiteral("select count(*) from DIAGNOZ")),
        committedCount(database, QStringLiteral("select count(*) from VMESHAT")),
        committedCount(database, QStringLiteral("select count(*) from DIAGNOZ where not exists "
                                                "(select 1 from CARD where C_ID = G_KEY)")) +
            committedCount(database, QStringLiteral("select count(*) from VMESHAT where not exists "
                                                    "(select 1 from CARD where C_ID = V_KEY)"))};
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<QTemporaryDir> folder;
    QString settings() const { return folder->filePath(QStringLiteral("Ventrel.ini")); }
    QString recovery() const { return recoveryfile::pathBeside(settings()); }

    void playTheEnd(const QString &end, int exitCode) {
        runChild({{QLatin1String(kEnd), end},
                  {QLatin1String(kDatabase), db->path()},
                  {QLatin1String(kSettings), settings()}},
                 exitCode);
    }

private Q_SLOTS:
    void init() {
        db = std::make_unique<TestDatabase>();
        folder = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        MessageBox::setAnswerer({});
        folder.reset();
        db.reset();
    }

    void anEndThatCannotAskWritesNothingHalfAndKeepsAll_data() {
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("diagnosis");
        QTest::newRow("SIGTERM, a diagnosis") << "term" << 0 << true;
        QTest::newRow("SIGHUP, an intervention") << "hup" << 0 << false;
        QTest::newRow("the display lost, exit()") << "exit" << 1 << true;
    }
    void anEndThatCannotAskWritesNothingHalfAndKeepsAll() {
        QFETCH(QString, end);
        QFETCH(int, exitCode);
        QFETCH(bool, diagnosis);
        playTheEnd(end, exitCode);

        QCOMPARE(registerRows(db->path()), (QList<int>{0, 0, 0, 0, 0}));
        // The book entries were the books' own, saved by themselves.
        QCOMPARE(committedCount(db->path(), QStringLiteral("select count(*) from DOCS")), 1);

        struct stat file = {};
        QCOMPARE(::stat(QFile::encodeName(recovery()).constData(), &file), 0);
        QCOMPARE(file.st_mode & 0777, 0600u); // patients' records: the owner's alone
        const std::optional<Draft> draft =
            recoveryfile::read(recovery(), registerNameOf(db->path()));
        QVERIFY(draft);
        QVERIFY(draft->patient.id.isNull());
        QCOMPARE(draft->patient.fields.value(QStringLiteral("FIO")).toString(),
                 QStringLiteral("Зайцева Зоя Петровна"));
        QVERIFY(draft->visit);
        QVERIFY(draft->visit->id.isNull());
        QCOMPARE(draft->visit->fields.value(QStringLiteral("C_ZHALOBA")).toString(),
                 QStringLiteral("кашель"));
        QCOMPARE(draft->visit->fields.value(QStringLiteral("C_STATUS")).toString(),
                 QStringLiteral("удовл."));
        QCOMPARE(draft->visit->diagnoses.size(), diagnosis ? 1 : 0);
        QCOMPARE(draft->visit->interventions.size(), diagnosis ? 0 : 1);
        QVERIFY(recoveryoffer::question(*draft).startsWith(
            QStringLiteral("При прошлом завершении не был сохранён приём пациента «Зайцева Зоя "
                           "Петровна», начатый ")));
        // Never offered for another register.
        QVERIFY(!recoveryfile::read(recovery(), QStringLiteral("/elsewhere/Base.fdb")));
    }

    // "Восстановить": the card and the visit open with what was typed, nothing saved until the
    // user's OK; then both are in the register whole, and the recovery file is gone.
    void theNextStartRestores() {
        playTheEnd(QStringLiteral("term"), 0);
        QVERIFY(QFileInfo::exists(recovery()));

        QStringList asked;
        MessageBox::setAnswerer([&](const QString &text) {
            asked << text;
            return QMessageBox::Yes;
        });
        bool done = false;
        QString complaints;
        QList<int> rowsWhileOpen;
        int diagnosisRows = -1;
        whenShown<TfmPriem>([&](TfmPriem *visit) {
            auto *memo = visit->findChild<DbMemo *>(QStringLiteral("dbmZhaloba"));
            QTRY_COMPARE(memo->toPlainText(), QStringLiteral("кашель"));
            complaints = memo->toPlainText();
            diagnosisRows =
                visit->findChild<DbGrid *>(QStringLiteral("dbgDiagnoz"))->model()->rowCount();
            rowsWhileOpen = registerRows(db->path());
            whenShown<TfmCardEdit>([&](TfmCardEdit *card) {
                card->findChild<QPushButton *>(QStringLiteral("btOK"))->click();
                done = true;
            });
            visit->findChild<QPushButton *>(QStringLiteral("btOK"))->click();
        });
        auto fmMain = std::make_unique<TfmMain>(startupStateFor(db->path(), settings()));
        new ProgramWindows(fmMain.get());
        fmMain->show();
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        QTRY_VERIFY(!QApplication::activeModalWidget());

        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().startsWith(QStringLiteral("При прошлом завершении")));
        QCOMPARE(complaints, QStringLiteral("кашель"));
        QCOMPARE(diagnosisRows, 1);
        QCOMPARE(rowsWhileOpen, (QList<int>{0, 0, 0, 0, 0}));
        QCOMPARE(registerRows(db->path()), (QList<int>{1, 1, 1, 0, 0}));
        QCOMPARE(committedCount(db->path(),
                                QStringLiteral("select count(*) from CARD join MAIN on C_KEY = "
                                               "ID where C_ZHALOBA = 'кашель' and C_DOC = 1 "
                                               "and FIO = 'Зайцева Зоя Петровна'")),
                 1);
        QVERIFY(!QFileInfo::exists(recovery()));
    }

    // "Удалить" forgets the file; "Позже" keeps it for the next start.
    void refusedOrLater_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("kept");
        QTest::newRow("Удалить") << int(QMessageBox::Discard) << false;
        QTest::newRow("Позже") << int(QMessageBox::Cancel) << true;
    }
    void refusedOrLater() {
        QFETCH(int, answer);
        QFETCH(bool, kept);
        Draft draft;
        draft.begun = QDateTime(QDate(2026, 12, 10), QTime(14, 5));
        draft.patient.fields.insert(QStringLiteral("FIO"), QStringLiteral("Ким Олег"));
        draft.patient.changed = true;
        QVERIFY(recoveryfile::write(recovery(), registerNameOf(db->path()), draft).isEmpty());
        QStringList asked;
        MessageBox::setAnswerer([&](const QString &text) {
            asked << text;
            return QMessageBox::StandardButton(answer);
        });
        auto fmMain = std::make_unique<TfmMain>(startupStateFor(db->path(), settings()));
        new ProgramWindows(fmMain.get());
        fmMain->show();
        QTRY_COMPARE(asked.size(), 1);
        QCOMPARE(asked.first(),
                 QStringLiteral("При прошлом завершении не была сохранена карточка пациента «Ким "
                                "Олег», начатая 10.12.2026 в 14:05."));
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(QFileInfo::exists(recovery()), kept);
    }
};

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsSet(kEnd))
        return playTheProgram(argc, argv);
    QApplication app(argc, argv);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
