// The filter window, offscreen, on a real register: what a search shows in the patient list and
// the status line, and how the window answers its controls.

#include "app/programwindows.h"
#include "app/tfmmain.h"
#include "data/shareddata.h"
#include "data/statement.h"
#include "dbwidgets/lookupbox.h"
#include "filter/tfmfilter.h"
#include "keyboard.h"
#include "support/dates.h"
#include "support/settingsfile.h"
#include "testdatabase.h"
#include "widgets/captionmessage.h"
#include "widgets/messagebox.h"
#include "windowcontrol.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const QDateTime kNow(QDate(2024, 3, 31), QTime(10, 0));

// Doctors 1 Андреева, 2 Борисов; diagnoses 1 ОРВИ, 2 Ангина. One patient was seen by Борисов
// only last year and by Андреева this month; one visit has no diagnosis; one name and one
// complaint carry an apostrophe; one patient has no visit.
const char *const kRegister[] = {
    "insert into DOCS (D_ID, D_FIO, D_ACTIVE) values (1, 'Андреева А.А.', 'T')",
    "insert into DOCS (D_ID, D_FIO, D_ACTIVE) values (2, 'Борисов Б.Б.', 'T')",
    "insert into DIAG (Z_ID, Z_NAME) values (1, 'ОРВИ')",
    "insert into DIAG (Z_ID, Z_NAME) values (2, 'Ангина')",
    "insert into MAIN (ID, FIO, DATAR) values (1, 'Двухвизитный Дмитрий', '01.01.1990')",
    "insert into MAIN (ID, FIO, DATAR) values (2, 'Бездиагнозный Борис', '01.01.1960')",
    "insert into MAIN (ID, FIO, DATAR) values (3, 'О''Нил Шон', '01.01.2000')",
    "insert into MAIN (ID, FIO) values (4, 'Безвизитный Виктор')",
    "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE, C_ZHALOBA) values "
    "(1, 1, 2, '10.03.2023', 'кашель')",
    "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE) values (2, 1, 1, '10.03.2024')",
    "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE, C_ZHALOBA) values "
    "(3, 2, 1, '10.03.2024', 'сухой кашель')",
    "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE, C_ZHALOBA) values "
    "(4, 3, 2, '10.03.2024', 'боль по д''Аламберу')",
    "insert into DIAGNOZ (G_ID, G_KEY, G_DIAG) values (1, 1, 1)",
    "insert into DIAGNOZ (G_ID, G_KEY, G_DIAG) values (2, 2, 2)",
    "insert into DIAGNOZ (G_ID, G_KEY, G_DIAG) values (3, 4, 1)",
};

const QString kStartList = QStringLiteral("select * from MAIN order by FIO");

void fillRegister(const QString &path) {
    Connection connection;
    connection.open(path);
    Transaction transaction(connection);
    for (const char *sql : kRegister)
        Statement(connection, transaction, QString::fromUtf8(sql)).execute();
    transaction.commit();
    connection.close();
}

// Chooses the entry of a drop-down as a user does: the list drops down, the entry is
// highlighted, Enter.
void choose(LookupBox *list, const QString &entry) {
    const int index = list->findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    list->showPopup();
    list->view()->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
}

// What a test does to the window before it searches.
using Setting = std::function<void(TfmFilter *)>;

} // namespace

Q_DECLARE_METATYPE(Setting)

class TestTfmFilter : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<SharedData> data;
    std::unique_ptr<TfmFilter> window;
    QString status; // the main window's status text
    QStringList boxes;

    QStringList listed() {
        QStringList names;
        Dataset &patients = data->ibdsMain;
        if (!patients.isOpen())
            return names;
        for (int row = 0; row < patients.recordCount(); ++row)
            names << patients.value(row, QStringLiteral("FIO")).toString();
        return names;
    }

    template <typename T> T *child(const char *name) { return control<T>(window.get(), name); }

    void tick(const char *name) { child<QCheckBox>(name)->setChecked(true); }
    void type(const char *box, const QString &text) {
        auto *edit = child<QLineEdit>(box);
        edit->setFocus();
        typeText(edit, text);
    }
    void search() { QTest::mouseClick(child<QPushButton>("btSearch"), Qt::LeftButton); }

private Q_SLOTS:
    void init() {
        dates::setClock([] { return kNow; });
        status = QStringLiteral("Пациенты за месяц");
        boxes.clear();
        MessageBox::setAnswerer([this](const QString &text) {
            boxes << text;
            return QMessageBox::Ok;
        });
        db = std::make_unique<TestDatabase>();
        fillRegister(db->path());
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<SettingsFile>(dir->filePath(QStringLiteral("Ventrel.ini")));
        data = std::make_unique<SharedData>();
        data->open(db->path(), kStartList);
        window = std::make_unique<TfmFilter>(*data, *settings,
                                             [this](const QString &text) { status = text; });
        window->setDates(QDate(2024, 2, 29), kNow.date());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() {
        window.reset();
        data.reset();
        settings.reset();
        dir.reset();
        db.reset();
        MessageBox::setAnswerer({});
        dates::setClock({});
    }

    void startsWithNothingTickedAndKeepsOnlyItsPlace() {
        for (const char *box : {"chkDatePriem", "chkVozrast", "chkDoc", "chkDiagnoz"})
            QVERIFY2(!child<QCheckBox>(box)->isChecked(), box);
        QCOMPARE(child<QSpinBox>("edVozrast1")->value(), 20);
        QCOMPARE(child<QSpinBox>("edVozrast2")->value(), 50);
        QCOMPARE(child<QSpinBox>("edVozrast2")->maximum(), 150);
        QCOMPARE(child<LookupBox>("dblDoc")->currentIndex(), -1);
        QCOMPARE(child<LookupBox>("dblDiag")->currentIndex(), -1);
        QCOMPARE(window->windowTitle(), QStringLiteral("Фильтр"));
        QCOMPARE(QApplication::focusWidget(), child<QDateEdit>("dtpDatePriem1"));
        QCOMPARE(window->minimumSize(), window->maximumSize());

        window->move(120, 130);
        const QRect outer = window->frameGeometry();
        window.reset();
        QCOMPARE(settings->readInteger(QStringLiteral("fmFilter"), QStringLiteral("Left"), -1),
                 outer.x());
        QCOMPARE(settings->readInteger(QStringLiteral("fmFilter"), QStringLiteral("Top"), -1),
                 outer.y());
        QCOMPARE(settings->readInteger(QStringLiteral("fmFilter"), QStringLiteral("Width"), -1),
                 -1);
    }

    // A search that finds somebody shows them in the list, names the list "Фильтр" and closes
    // the window.
    void searchShowsThePatientsFound_data() {
        QTest::addColumn<Setting>("setting");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("nothing ticked: every patient with a visit")
            << Setting([](TfmFilter *) {})
            << QStringList{"Бездиагнозный Борис", "Двухвизитный Дмитрий", "О'Нил Шон"};
        QTest::newRow("doctor and dates apply to one and the same visit")
            << Setting([this](TfmFilter *) {
                   tick("chkDatePriem"); // 29.02.2024 to 31.03.2024
                   choose(child<LookupBox>("dblDoc"), QStringLiteral("Борисов Б.Б."));
                   QTRY_VERIFY(child<QCheckBox>("chkDoc")->isChecked());
               })
            << QStringList{"О'Нил Шон"};
        QTest::newRow("a visit without a diagnosis is found by its words")
            << Setting([this](TfmFilter *) { type("edZhaloba", QStringLiteral("кашель")); })
            << QStringList{"Бездиагнозный Борис", "Двухвизитный Дмитрий"};
        QTest::newRow("diagnosis and words apply to one visit") << Setting([this](TfmFilter *) {
            choose(child<LookupBox>("dblDiag"), QStringLiteral("ОРВИ"));
            QTRY_VERIFY(child<QCheckBox>("chkDiagnoz")->isChecked());
            type("edZhaloba", QStringLiteral("кашель"));
        }) << QStringList{"Двухвизитный Дмитрий"};
        QTest::newRow("an apostrophe is looked for as typed")
            << Setting([this](TfmFilter *) { type("edZhaloba", QStringLiteral("д'Аламбер")); })
            << QStringList{"О'Нил Шон"};
        QTest::newRow("ages 60 to 30: born from 31.03.1964 to 31.03.1994")
            << Setting([this](TfmFilter *) {
                   tick("chkVozrast");
                   child<QSpinBox>("edVozrast1")->setValue(60);
                   child<QSpinBox>("edVozrast2")->setValue(30);
               })
            << QStringList{"Двухвизитный Дмитрий"};
    }
    void searchShowsThePatientsFound() {
        QFETCH(Setting, setting);
        QFETCH(QStringList, names);
        setting(window.get());
        search();
        QCOMPARE(listed(), names);
        QCOMPARE(status, QStringLiteral("Фильтр"));
        QVERIFY(!window->isVisible());
        QVERIFY(boxes.isEmpty());
    }

    // Nobody found: the list is empty, the status line and the caption say so, and the window
    // stays open until the caption comes back after ten ticks.
    void nobodyFoundKeepsTheWindowOpen() {
        type("edZhaloba", QStringLiteral("Кашель")); // letter case as typed
        search();
        QVERIFY(listed().isEmpty());
        QCOMPARE(status, QStringLiteral("Нет записей."));
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Нет таких записей."));
        auto *caption = window->findChild<CaptionMessage *>();
        for (int i = 0; i < 9; ++i)
            caption->tick();
        QCOMPARE(window->windowTitle(), QStringLiteral("Нет таких записей."));
        caption->tick();
        QCOMPARE(window->windowTitle(), QStringLiteral("Фильтр"));
    }

    // A doctor or a diagnosis ticked while its list shows none is asked for; nothing is
    // searched, even though the shared book stands on an entry.
    void unchosenEntryIsAskedFor_data() {
        QTest::addColumn<QString>("criterion");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("request");
        QTest::newRow("doctor") << "chkDoc"
                                << "dblDoc" << QStringLiteral("Выберите врача");
        QTest::newRow("diagnosis") << "chkDiagnoz"
                                   << "dblDiag" << QStringLiteral("Выберите диагноз");
    }
    void unchosenEntryIsAskedFor() {
        QFETCH(QString, criterion);
        QFETCH(QString, list);
        QFETCH(QString, request);
        QVERIFY(data->ibdsDocs.currentRow() == 0 && data->ibdsDiag.currentRow() == 0);
        tick(qPrintable(criterion));
        search();
        QCOMPARE(window->windowTitle(), request);
        QVERIFY(window->isVisible());
        QCOMPARE(status, QStringLiteral("Пациенты за месяц"));
        QCOMPARE(listed().size(), 4); // the list as it was
        QCOMPARE(QApplication::focusWidget(), child<LookupBox>(qPrintable(list)));
        QVERIFY(boxes.isEmpty());
    }

    // Choosing an entry ticks its criterion and makes it the book's current row; closing the
    // list without a choice leaves the criterion as it was.
    void choosingTicksTheCriterion() {
        auto *doctors = child<LookupBox>("dblDoc");
        doctors->showPopup();
        QTest::keyClick(doctors->view(), Qt::Key_Escape);
        QTest::qWait(10);
        QVERIFY(!child<QCheckBox>("chkDoc")->isChecked());
        choose(doctors, QStringLiteral("Борисов Б.Б."));
        QTRY_VERIFY(child<QCheckBox>("chkDoc")->isChecked());
        QCOMPARE(data->ibdsDocs.value(QStringLiteral("D_ID")).toInt(), 2);
        // A part of the name typed, and Return on the entry it finds, chooses as well.
        auto *diagnoses = child<LookupBox>("dblDiag");
        diagnoses->setFocus();
        typeText(diagnoses, QStringLiteral("гин"));
        QTest::keyClick(diagnoses, Qt::Key_Return);
        QVERIFY(child<QCheckBox>("chkDiagnoz")->isChecked());
        QCOMPARE(data->ibdsDiag.value(QStringLiteral("Z_ID")).toInt(), 2);
    }

    // The presets fill both dates and leave the criterion unticked; the menu drops from the
    // check box and from both pickers.
    void presetsFillTheDates() {
        auto *menu = child<QMenu>("pmDatePriem");
        QCOMPARE(child<QAction>("pmmThisYear")->text(), QStringLiteral("Этот год (2024)"));
        QCOMPARE(child<QAction>("pmmYear")->text(), QStringLiteral("Прошлый год (2023)"));
        for (const char *owner : {"chkDatePriem", "dtpDatePriem1", "dtpDatePriem2"}) {
            QWidget *target = child<QWidget>(owner);
            if (auto *picker = qobject_cast<QDateEdit *>(target))
                target = picker->findChild<QLineEdit *>(); // where the mouse really is
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    target->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(target, &click);
            QTRY_VERIFY2(menu->isVisible(), owner);
            menu->hide();
        }
        child<QAction>("pmmMonth")->trigger();
        QCOMPARE(child<QDateEdit>("dtpDatePriem1")->date(), QDate(2024, 2, 1));
        QCOMPARE(child<QDateEdit>("dtpDatePriem2")->date(), QDate(2024, 2, 29));
        QVERIFY(!child<QCheckBox>("chkDatePriem")->isChecked());
        child<QAction>("pmmLastMonth")->trigger();
        QCOMPARE(child<QDateEdit>("dtpDatePriem1")->date(), QDate(2024, 2, 29));
        QCOMPARE(child<QDateEdit>("dtpDatePriem2")->date(), QDate(2024, 3, 31));
    }

    // The main window makes the window on the first "Фильтр..." with the last month's dates,
    // and keeps it, with what the user changed, for the next opening.
    void mainWindowOpensItWithLastMonth() {
        window.reset();
        data.reset();
        StartupState state;
        state.programFolder = state.dataFolder = dir->path() + u'/';
        state.databaseFolder = db->folder() + u'/';
        state.databaseFile = db->path();
        state.settingsFile = settings->path();
        auto fmMain = std::make_unique<TfmMain>(state);
        new ProgramWindows(fmMain.get());
        fmMain->show();
        QTRY_VERIFY(fmMain->isLoaded());

        // Opens the window and works in it once it shows.
        QList<QDate> shown;
        auto onOpening = [&](const std::function<void(QWidget *)> &work) {
            QTimer::singleShot(0, this, [&, work] {
                QWidget *filter = QApplication::activeModalWidget();
                QVERIFY(filter);
                shown << control<QDateEdit>(filter, "dtpDatePriem1")->date()
                      << control<QDateEdit>(filter, "dtpDatePriem2")->date();
                work(filter);
            });
        };
        onOpening([](QWidget *filter) {
            control<QDateEdit>(filter, "dtpDatePriem1")->setDate(QDate(2024, 1, 1));
            control<QCheckBox>(filter, "chkDatePriem")->setChecked(true);
            QTest::keyClick(filter, Qt::Key_Escape);
        });
        QTest::keyClick(fmMain.get(), Qt::Key_F7);
        QCOMPARE(fmMain->statusText(), QStringLiteral("Пациенты за месяц"));
        // Offscreen, the hidden window stays the active one: the command runs from the menu.
        onOpening([](QWidget *filter) { QTest::keyClick(filter, Qt::Key_Return); });
        fmMain->findChild<QAction *>(QStringLiteral("mmFilter"))->trigger();
        QCOMPARE(shown, (QList<QDate>{QDate(2024, 2, 29), QDate(2024, 3, 31), QDate(2024, 1, 1),
                                      QDate(2024, 3, 31)}));
        QCOMPARE(fmMain->statusText(), QStringLiteral("Фильтр"));
        QCOMPARE(fmMain->data().ibdsMain.recordCount(), 3);
    }
};

QTEST_MAIN(TestTfmFilter)
#include "test_tfmfilter.moc"
