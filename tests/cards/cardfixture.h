#pragma once

// What the card window tests share: a register of a few patients in a fresh database, the shared
// datasets open on it, a settings file, message boxes answered by the test, and a look at what
// another attachment sees (what has been committed).

#include "app/programwindows.h"
#include "app/tfmmain.h"
#include "committedcount.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "keyboard.h"
#include "registerfixture.h"
#include "support/dates.h"
#include "support/settingsfile.h"
#include "testdatabase.h"
#include "widgets/messagebox.h"
#include "windowcontrol.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Now, for every test: 31 March 2024, 10:00.
inline const QDateTime kCardNow(QDate(2024, 3, 31), QTime(10, 0));

// Diagnoses 1 "ОРВИ" and 2 "Ангина", intervention 1 "ФГДС", one doctor (whom every visit gets).
inline const SeedBooks kCardBooks = {{QStringLiteral("ОРВИ"), QStringLiteral("Ангина")},
                                     {QStringLiteral("ФГДС")},
                                     {QStringLiteral("Петрова Е.В.")}};

// The visits of each patient are listed latest first, as the visit list shows them.
inline const QList<SeedPatient> kCardPatients = {
    {.fio = QStringLiteral("Андреев Андрей Андреевич"),
     .sex = QStringLiteral("М"),
     .born = QDate(1980, 2, 3),
     .visits = {{QDate(2024, 3, 20),
                 {1, 2},
                 QStringLiteral("лёгкое течение"),
                 {1},
                 QStringLiteral("кашель,насморк")},
                {QDate(2024, 2, 10), {2}, QString(), {}, QStringLiteral("боль в горле")},
                {QDate(2023, 12, 1), {}, QString(), {}, QString()}}},
    {.fio = QStringLiteral("Борисова Бэлла"), .sex = QStringLiteral("Ж")},
    {.fio = QStringLiteral("Ветров Виктор"), .sex = QStringLiteral("М"), .born = QDate(1999, 9, 9)},
};

inline const QString kCardListSql = QStringLiteral("select * from MAIN order by FIO");

class CardFixture {
public:
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<SharedData> data;
    QStringList boxes;                                    // the text of every message box, in order
    QMessageBox::StandardButton answer = QMessageBox::Ok; // the answer to every box

    void setUp() {
        dates::setClock([] { return kCardNow; });
        boxes.clear();
        answer = QMessageBox::Ok;
        MessageBox::setAnswerer([this](const QString &text) {
            boxes << text;
            return answer;
        });
        db = std::make_unique<TestDatabase>();
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SettingsFile>(dir->filePath(QStringLiteral("Ventrel.ini")));
        seedRegister(db->path(), kCardBooks, kCardPatients);
        data = std::make_unique<SharedData>();
        data->open(db->path(), kCardListSql);
    }

    void tearDown() {
        data.reset();
        settings.reset();
        dir.reset();
        db.reset();
        MessageBox::setAnswerer({});
        dates::setClock({});
    }

    // What another attachment sees: the rows committed so far.
    int committed(const QString &sql) const { return committedCount(db->path(), sql); }

    Dataset &patients() { return data->ibdsMain; }

    // The main window with every window of the program on this register, shown with its start
    // list loaded. It opens the database itself: the fixture's shared datasets are closed first.
    std::unique_ptr<TfmMain> showMainWindow() {
        StartupState state;
        state.programFolder = state.dataFolder = dir->path() + u'/';
        state.databaseFolder = db->folder() + u'/';
        state.databaseFile = db->path();
        state.settingsFile = settings->path();
        data.reset();
        auto fmMain = std::make_unique<TfmMain>(state);
        new ProgramWindows(fmMain.get());
        fmMain->show();
        if (!QTest::qWaitFor([&] { return fmMain->isLoaded(); }))
            qFatal("the main window did not load the register");
        return fmMain;
    }

    void moveToPatient(const QString &fio) {
        QVERIFY(data->ibdsMain.locate(QStringLiteral("FIO"), fio));
    }
};
