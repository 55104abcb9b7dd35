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
#include "support/dates.h"
#include "support/settingsfile.h"
#include "testdatabase.h"
#include "widgets/messagebox.h"
#include "windowcontrol.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct SeedVisit {
    QDate date;
    QList<int> diagnoses;     // keys of the diagnoses book: 1 "ОРВИ", 2 "Ангина"
    QString note;             // of every diagnosis
    QList<int> interventions; // keys of the interventions book: 1 "ФГДС"
    QString complaints;
};

struct SeedPatient {
    QString fio;
    QString sex;
    QDate born;
    QList<SeedVisit> visits; // the latest first, as the visit list shows them
};

// Now, for every test: 31 March 2024, 10:00.
inline const QDateTime kCardNow(QDate(2024, 3, 31), QTime(10, 0));

inline const QList<SeedPatient> kCardPatients = {
    {QStringLiteral("Андреев Андрей Андреевич"),
     QStringLiteral("М"),
     QDate(1980, 2, 3),
     {{QDate(2024, 3, 20),
       {1, 2},
       QStringLiteral("лёгкое течение"),
       {1},
       QStringLiteral("кашель,насморк")},
      {QDate(2024, 2, 10), {2}, QString(), {}, QStringLiteral("боль в горле")},
      {QDate(2023, 12, 1), {}, QString(), {}, QString()}}},
    {QStringLiteral("Борисова Бэлла"), QStringLiteral("Ж"), QDate(), {}},
    {QStringLiteral("Ветров Виктор"), QStringLiteral("М"), QDate(1999, 9, 9), {}},
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
        seed();
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

private:
    void seed() {
        SharedData seeding;
        seeding.open(db->path(), kCardListSql);
        for (const QString &name : {QStringLiteral("ОРВИ"), QStringLiteral("Ангина")}) {
            seeding.ibdsDiag.insert();
            seeding.ibdsDiag.setValue(QStringLiteral("Z_NAME"), name);
            seeding.ibdsDiag.post();
        }
        seeding.ibdsVmes.insert();
        seeding.ibdsVmes.setValue(QStringLiteral("E_NAME"), QStringLiteral("ФГДС"));
        seeding.ibdsVmes.post();
        seeding.ibdsDocs.insert();
        seeding.ibdsDocs.setValue(QStringLiteral("D_FIO"), QStringLiteral("Петрова Е.В."));
        seeding.ibdsDocs.post();
        for (const SeedPatient &patient : kCardPatients) {
            seeding.ibdsMain.insert();
            seeding.ibdsMain.setValue(QStringLiteral("FIO"), patient.fio);
            seeding.ibdsMain.setValue(QStringLiteral("SEX"), patient.sex);
            if (patient.born.isValid())
                seeding.ibdsMain.setValue(QStringLiteral("DATAR"), patient.born);
            seeding.ibdsMain.post();
            for (const SeedVisit &visit : patient.visits) {
                seeding.ibdsCard.insert();
                seeding.ibdsCard.setValue(QStringLiteral("C_DATE"), visit.date);
                seeding.ibdsCard.setValue(QStringLiteral("C_ZHALOBA"), visit.complaints);
                for (int diagnosis : visit.diagnoses) {
                    seeding.ibdsDiagnoz.insert();
                    seeding.ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), diagnosis);
                    seeding.ibdsDiagnoz.setValue(QStringLiteral("G_PRIM"), visit.note);
                    seeding.ibdsDiagnoz.post();
                }
                for (int intervention : visit.interventions) {
                    seeding.ibdsVmeshat.insert();
                    seeding.ibdsVmeshat.setValue(QStringLiteral("V_VMESH"), intervention);
                    seeding.ibdsVmeshat.post();
                }
                seeding.ibdsCard.post();
            }
        }
        seeding.close();
    }
};
