// The start when the register a user worked with is gone: the question, and each answer, on
// real folders and registers.

#include "app/missingregister.h"
#include "app/startup.h"
#include "registerfixture.h"
#include "service/dailybackup.h"
#include "service/registerservices.h"
#include "support/pathfacts.h"
#include "testdatabase.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestMissingRegister : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root;

    QString path(const QString &relative) const { return root->filePath(relative); }

    StartupResult start() {
        return settleStartup(
            path(QStringLiteral("program")), {QStringLiteral("ventrel")},
            [this] { return path(QStringLiteral("home/")); },
            [this] { return path(QStringLiteral("common/")); });
    }

    // A daily backup of a register of `patients` patients.
    void backUp(const QString &name, int patients) {
        TestDatabase db;
        fillRegister(db.path(), patients, 7);
        const QString folder = path(QStringLiteral("home/Ventrel/backups/"));
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        registerfile::backup(db.path(), folder + name, {});
    }

private Q_SLOTS:
    void init() {
        root = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(path(QStringLiteral("program"))));
        QVERIFY(QFile::copy(QStringLiteral(VENTREL_TEMPLATE_DB),
                            path(QStringLiteral("program/Base0.fdb"))));
        // The practice's shared folder: new files take its group and are the group's too.
        QVERIFY(QDir().mkpath(path(QStringLiteral("common/Ventrel"))));
        QCOMPARE(
            ::chmod(QFile::encodeName(path(QStringLiteral("common/Ventrel"))).constData(), 02770),
            0);
    }

    void cleanup() {
        MessageBox::setAnswerer({});
        root.reset();
    }

    // The answers in turn: "Восстановить из копии..." (Yes) with the backup the user picks,
    // "Создать новую пустую" (No), "Выход" (Cancel).
    void eachAnswer_data() {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("picked"); // "" for the one suggested
        QTest::addColumn<bool>("resolved");
        QTest::addColumn<int>("patients"); // in the register afterwards; -1: there is none
        using B = QMessageBox;
        QTest::newRow("restore the newest") << QList<int>{B::Yes} << "" << true << 5;
        QTest::newRow("restore another one")
            << QList<int>{B::Yes} << "base-2024-03-30.fbk" << true << 3;
        QTest::newRow("a damaged backup is told, then leave")
            << QList<int>{B::Yes, B::Cancel} << "damaged.fbk" << false << -1;
        QTest::newRow("the dialog cancelled, then a new empty one")
            << QList<int>{B::Yes, B::No} << "-" << true << 0;
        QTest::newRow("leave") << QList<int>{B::Cancel} << "" << false << -1;
    }
    void eachAnswer() {
        QFETCH(QList<int>, answers);
        QFETCH(QString, picked);
        QFETCH(bool, resolved);
        QFETCH(int, patients);
        StartupResult first = start();
        QVERIFY2(first.failure.isEmpty(), qPrintable(first.failure));
        const QString registerFile = first.state.databaseFile;
        QCOMPARE(registerFile, path(QStringLiteral("common/Ventrel/Base.fdb")));
        backUp(QStringLiteral("base-2024-03-30.fbk"), 3);
        backUp(QStringLiteral("base-2024-03-31.fbk"), 5);
        QFile damaged(path(QStringLiteral("home/Ventrel/backups/damaged.fbk")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a backup");
        damaged.close();
        QVERIFY(QFile::remove(registerFile));

        const StartupResult missing = start();
        QCOMPARE(missing.missingRegister, registerFile);
        const QString backups = dailybackup::folderFor(missing.state.dataFolder);
        QStringList questions;
        QStringList told;
        MessageBox::setAnswerer([&](const QString &text) {
            if (!text.startsWith(QStringLiteral("Не найдена база данных"))) {
                told << text;
                return QMessageBox::Ok;
            }
            questions << text;
            return questions.size() <= answers.size()
                       ? QMessageBox::StandardButton(answers[questions.size() - 1])
                       : QMessageBox::Cancel;
        });
        QString suggested;
        const bool result =
            missingregister::resolve(missing, [&](const QString &offered) -> QString {
                suggested = offered;
                if (picked == QLatin1String("-"))
                    return QString();
                return picked.isEmpty() ? offered : backups + picked;
            });

        QCOMPARE(result, resolved);
        QCOMPARE(questions.size(), answers.size());
        QVERIFY2(questions.first().contains(registerFile + QStringLiteral(", с которой")) &&
                     questions.first().contains(backups + QStringLiteral("base-2024-03-31.fbk")),
                 qPrintable(questions.first()));
        if (answers.first() == QMessageBox::Yes)
            QCOMPARE(suggested, backups + QStringLiteral("base-2024-03-31.fbk"));
        const QStringList files =
            QDir(path(QStringLiteral("common/Ventrel")))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        if (patients < 0) {
            QCOMPARE(files, QStringList());
        } else {
            QCOMPARE(files, QStringList{QStringLiteral("Base.fdb")});
            QCOMPARE(registerfile::countRows(registerFile).patients, patients);
            // The group's to read and write, as any register in the shared folder.
            QCOMPARE(pathFacts(registerFile).mode, 0660u);
            const StartupResult again = start();
            QVERIFY(again.missingRegister.isEmpty());
            QCOMPARE(again.state.databaseFile, registerFile);
        }
        if (picked == QLatin1String("damaged.fbk")) {
            QCOMPARE(told.size(), 1);
            QVERIFY2(told.first().contains(QStringLiteral("не является резервной копией")),
                     qPrintable(told.first()));
        } else if (patients > 0) {
            QCOMPARE(told.size(), 1);
            QVERIFY2(told.first().contains(QStringLiteral("пациентов: %1").arg(patients)),
                     qPrintable(told.first()));
        }
    }
};

QTEST_MAIN(TestMissingRegister)
#include "test_missingregister.moc"
