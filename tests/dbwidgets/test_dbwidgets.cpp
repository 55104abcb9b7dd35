// The data-bound controls on a real database: the mapper with a text box, a memo, a date box and
// a combo box, and the read-only grid.

#include "data/shareddata.h"
#include "dbwidgets/datamapper.h"
#include "dbwidgets/datasetmodel.h"
#include "dbwidgets/datebox.h"
#include "dbwidgets/dbgrid.h"
#include "dbwidgets/dbmemo.h"
#include "keyboard.h"
#include "testdatabase.h"
#include "widgets/messagebox.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

// A window with one control of each kind bound to the patients, and the visit list.
struct Window : QWidget {
    explicit Window(SharedData &data) {
        auto *layout = new QVBoxLayout(this);
        for (QWidget *control : {static_cast<QWidget *>(fio), static_cast<QWidget *>(born),
                                 static_cast<QWidget *>(sex), static_cast<QWidget *>(anamnesis),
                                 static_cast<QWidget *>(visits)}) {
            layout->addWidget(control);
        }
        sex->setEditable(true);
        sex->addItems({QStringLiteral("М"), QStringLiteral("Ж")});
        mapper = new DataMapper(&data.dsMain, this);
        mapper->addMapping(fio, QStringLiteral("FIO"));
        mapper->addMapping(born, QStringLiteral("DATAR"));
        mapper->addMapping(sex, QStringLiteral("SEX"));
        mapper->addMapping(anamnesis, QStringLiteral("ANAMNEZ"));
        visits->setDataSource(&data.dsCard,
                              {{QStringLiteral("C_DATE"), QStringLiteral("Дата приёма"), 70},
                               {QStringLiteral("C_DocFIO"), QStringLiteral("Врач")}});
    }
    QLineEdit *fio = new QLineEdit;
    DateBox *born = new DateBox;
    QComboBox *sex = new QComboBox;
    DbMemo *anamnesis = new DbMemo;
    DbGrid *visits = new DbGrid;
    DataMapper *mapper = nullptr;
};

} // namespace

class TestDbWidgets : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<SharedData> data;
    std::unique_ptr<Window> window;
    QStringList errors;

    Dataset &patients() { return data->ibdsMain; }

    void addPatient(const QString &fio, const QVariant &anamnesis = {}, int visits = 0) {
        patients().insert();
        patients().setValue(QStringLiteral("FIO"), fio);
        patients().setValue(QStringLiteral("DATAR"), QDate(1980, 2, 3));
        patients().setValue(QStringLiteral("ANAMNEZ"), anamnesis);
        patients().post();
        for (int i = 0; i < visits; ++i) {
            data->ibdsCard.insert();
            data->ibdsCard.setValue(QStringLiteral("C_DATE"), QDate(2024, 1, 10 + i));
            data->ibdsCard.post();
        }
    }

    void showWindow() {
        window = std::make_unique<Window>(*data);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void focus(QWidget *control) {
        control->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), control);
    }

private Q_SLOTS:
    void init() {
        errors.clear();
        MessageBox::setAnswerer([this](const QString &text) {
            errors << text;
            return QMessageBox::Ok;
        });
        db = std::make_unique<TestDatabase>();
        data = std::make_unique<SharedData>();
        data->open(db->path(), QStringLiteral("select * from MAIN order by FIO"));
        addPatient(QStringLiteral("Андреев Андрей"), QStringLiteral("строка\nбез CR"), 2);
        addPatient(QStringLiteral("Борисов Борис"), QVariant(), 3);
        data->showPatients(QStringLiteral("select * from MAIN order by FIO"));
    }
    void cleanup() {
        window.reset();
        data.reset();
        db.reset();
        MessageBox::setAnswerer({});
    }

    void controlsFollowTheCurrentRowWhileShown() {
        showWindow();
        QCOMPARE(window->fio->text(), QStringLiteral("Андреев Андрей"));
        QCOMPARE(window->born->text(), QStringLiteral("03.02.1980"));
        QCOMPARE(window->anamnesis->toPlainText(), QStringLiteral("строка\nбез CR"));
        patients().next();
        QCOMPARE(window->fio->text(), QStringLiteral("Борисов Борис"));
        QCOMPARE(window->anamnesis->toPlainText(), QString());
        data->showPatients(QStringLiteral("select * from MAIN where FIO starting 'А'"));
        QCOMPARE(window->fio->text(), QStringLiteral("Андреев Андрей"));

        // Hidden, the controls stand still; shown again, they catch up.
        window->hide();
        patients().close();
        QCOMPARE(window->fio->text(), QStringLiteral("Андреев Андрей"));
        window->show();
        QCOMPARE(window->fio->text(), QString());
    }

    void firstChangeEditsAndEveryChangeIsWritten() {
        showWindow();
        focus(window->fio);
        window->fio->end(false);
        QCOMPARE(patients().state(), Dataset::State::Browse);
        typeText(window->fio, QStringLiteral("ич"));
        QCOMPARE(patients().state(), Dataset::State::Edit);
        QCOMPARE(patients().value(QStringLiteral("FIO")).toString(),
                 QStringLiteral("Андреев Андрейич"));
        focus(window->sex);
        typeText(window->sex, QStringLiteral("ж")); // an item in the other case is the item
        QCOMPARE(window->sex->currentText(), QStringLiteral("Ж"));
        QCOMPARE(patients().value(QStringLiteral("SEX")).toString(), QStringLiteral("Ж"));
        focus(window->anamnesis);
        typeText(window->anamnesis, QStringLiteral("а"));
        QTest::keyClick(window->anamnesis, Qt::Key_Return);
        typeText(window->anamnesis, QStringLiteral("б"));
        // A memo stores its line breaks as CR LF.
        QCOMPARE(patients().value(QStringLiteral("ANAMNEZ")).toString(),
                 QStringLiteral("а\r\nбстрока\r\nбез CR"));

        // A change of the row from elsewhere shows at once; a cancel brings the row back.
        patients().setValue(QStringLiteral("FIO"), QStringLiteral("Петров"));
        QCOMPARE(window->fio->text(), QStringLiteral("Петров"));
        patients().cancel();
        QCOMPARE(window->fio->text(), QStringLiteral("Андреев Андрей"));
        QCOMPARE(window->sex->currentText(), QString());
        QVERIFY(errors.isEmpty());
    }

    // Typing into a control while the dataset holds no row starts one, and every letter lands
    // where it was typed: the new row refills the other controls, not the one typed into.
    void typingIntoAnEmptyListStartsARowWithWhatWasTyped() {
        data->showPatients(QStringLiteral("select * from MAIN where ID = 0"));
        showWindow();
        focus(window->anamnesis);
        typeText(window->anamnesis, QStringLiteral("кашель"));
        QCOMPARE(patients().state(), Dataset::State::Insert);
        QCOMPARE(window->anamnesis->toPlainText(), QStringLiteral("кашель"));
        QCOMPARE(patients().value(QStringLiteral("ANAMNEZ")).toString(), QStringLiteral("кашель"));
        QCOMPARE(window->fio->text(), QString());
    }

    // Showing a row, and going through every control without changing anything, writes nothing:
    // not even the memo whose stored line breaks are not CR LF.
    void unchangedValuesAreNeverWritten() {
        showWindow();
        for (QWidget *control :
             {static_cast<QWidget *>(window->fio), static_cast<QWidget *>(window->born),
              static_cast<QWidget *>(window->sex), static_cast<QWidget *>(window->anamnesis)}) {
            focus(control);
        }
        focus(window->fio);
        window->sex->setCurrentIndex(window->sex->currentIndex());
        window->born->setDate(QDate(1980, 2, 3));
        QCOMPARE(patients().state(), Dataset::State::Browse);
        QVERIFY(!patients().isModified());
    }

    void inputIsLimitedToTheField_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("told"); // what the memo tells of the refusal, in part
        const QString sixty = QString(60, QChar(u'я'));
        QTest::newRow("text box: 50 characters")
            << "fio" << sixty << QString(50, QChar(u'я')) << QString();
        QTest::newRow("text box: no emoji")
            << "fio" << QStringLiteral("Ким😀 Ли中") << QStringLiteral("Ким Ли") << QString();
        QTest::newRow("memo: 600 characters")
            << "anamnesis" << QString(700, QChar(u'я')) << QString(600, QChar(u'я'))
            << QStringLiteral("не более 600 знаков, перевод строки — два знака");
        QTest::newRow("memo: no emoji")
            << "anamnesis" << QStringLiteral("да😀нет") << QStringLiteral("данет")
            << QStringLiteral("нет в кодировке Windows-1251");
        QTest::newRow("combo: only its items")
            << "sex" << QStringLiteral("xм") << QStringLiteral("М") << QString();
    }
    void inputIsLimitedToTheField() {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, told);
        patients().next(); // no anamnesis
        showWindow();
        QSignalSpy refused(window->anamnesis, &DbMemo::inputRefused);
        QWidget *box = control == QLatin1String("fio") ? static_cast<QWidget *>(window->fio)
                       : control == QLatin1String("anamnesis")
                           ? static_cast<QWidget *>(window->anamnesis)
                           : window->sex;
        const QString field = control == QLatin1String("fio")         ? QStringLiteral("FIO")
                              : control == QLatin1String("anamnesis") ? QStringLiteral("ANAMNEZ")
                                                                      : QStringLiteral("SEX");
        focus(box);
        if (auto *edit = qobject_cast<QLineEdit *>(box))
            edit->clear();
        typeText(box, typed);
        QCOMPARE(patients().value(field).toString(), stored);
        QVERIFY(errors.isEmpty());
        if (!told.isEmpty())
            QVERIFY(refused.value(0).value(0).toString().contains(told));
    }

    // Signs the code page lacks take their plain form whether typed or pasted; any other
    // character it lacks refuses the whole input, and the refusal names every such character.
    void signsOutsideTheCodePage_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("told"); // empty when nothing is refused
        const QString dose = QStringLiteral("Т ≥ 38,5°; ½ таб.");
        const QString plainDose = QStringLiteral("Т >= 38,5°; 1/2 таб.");
        const QString refused = QStringLiteral("Т ≥ 38,5° ≠ 39 😀 ≠");
        const QString named = QStringLiteral("знаков «≠», «😀» нет в кодировке Windows-1251");
        for (const QString &control : {QStringLiteral("fio"), QStringLiteral("anamnesis")}) {
            const QByteArray name = control.toUtf8();
            QTest::addRow("%s: dose pasted", name.constData())
                << control << true << QStringLiteral("а ") << dose
                << QStringLiteral("а ") + plainDose << QString();
            QTest::addRow("%s: signs typed", name.constData())
                << control << false << QStringLiteral("а") << QStringLiteral("≤1½")
                << QStringLiteral("а<=1 1/2") << QString();
            QTest::addRow("%s: paste refused whole", name.constData())
                << control << true << QStringLiteral("а") << refused << QStringLiteral("а")
                << named;
        }
        // A plain form that would not fit is refused rather than cut.
        QTest::newRow("fio: no room for the plain form")
            << "fio" << true << QString(49, QChar(u'я')) << QStringLiteral("½")
            << QString(49, QChar(u'я')) << QStringLiteral("не более 50 знаков");
    }
    void signsOutsideTheCodePage() {
        QFETCH(QString, control);
        QFETCH(bool, pasted);
        QFETCH(QString, before);
        QFETCH(QString, input);
        QFETCH(QString, stored);
        QFETCH(QString, told);
        patients().next(); // no anamnesis
        showWindow();
        const bool memo = control == QLatin1String("anamnesis");
        QWidget *box = memo ? static_cast<QWidget *>(window->anamnesis) : window->fio;
        // The memo tells of a refusal itself, a line edit through its validator.
        QSignalSpy refused(memo ? static_cast<const QObject *>(window->anamnesis)
                                : window->fio->validator(),
                           SIGNAL(inputRefused(QString)));
        focus(box);
        if (!memo)
            window->fio->clear();
        typeText(box, before);
        if (pasted) {
            QApplication::clipboard()->setText(input);
            if (memo)
                window->anamnesis->paste();
            else
                window->fio->paste();
        } else {
            typeText(box, input);
        }
        QCOMPARE(patients().value(memo ? QStringLiteral("ANAMNEZ") : QStringLiteral("FIO")),
                 QVariant(stored));
        QCOMPARE(refused.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty())
            QCOMPARE(refused.at(0).at(0).toString(), told);
        QVERIFY(errors.isEmpty());
    }

    void memoCountsLineBreaksAsTwo() {
        patients().next();
        showWindow();
        focus(window->anamnesis);
        typeText(window->anamnesis, QString(598, QChar(u'я')));
        QTest::keyClick(window->anamnesis, Qt::Key_Return); // 599 and 600
        QTest::keyClick(window->anamnesis, Qt::Key_Return); // no room
        typeText(window->anamnesis, QStringLiteral("я"));   // no room
        const QString stored = patients().value(QStringLiteral("ANAMNEZ")).toString();
        QCOMPARE(stored, QString(598, QChar(u'я')) + QStringLiteral("\r\n"));
    }

    void dateBoxMayBeEmpty() {
        showWindow();
        DateBox *box = window->born;
        focus(box);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QVERIFY(box->isEmpty());
        QVERIFY(patients().value(QStringLiteral("DATAR")).isNull());
        QCOMPARE(patients().state(), Dataset::State::Edit);

        // The dots are the box's own: typed ones are discarded.
        box->home(false);
        typeText(box, QStringLiteral("01.02.2003"));
        QCOMPARE(box->text(), QStringLiteral("01.02.2003"));
        QCOMPARE(patients().value(QStringLiteral("DATAR")).toDate(), QDate(2003, 2, 1));

        // A date typed in part is no value: leaving the box puts the last whole one back.
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        box->home(false);
        typeText(box, QStringLiteral("1502"));
        QCOMPARE(patients().value(QStringLiteral("DATAR")).isNull(), true);
        QSignalSpy dropped(box, &DateBox::partialDateDropped);
        focus(window->fio);
        QVERIFY(box->isEmpty());

        box->setFocus();
        box->home(false);
        typeText(box, QStringLiteral("31022001")); // no such day
        focus(window->fio);
        QVERIFY(box->isEmpty());
        QVERIFY(errors.isEmpty());
        // Each time the box tells what it did not take.
        QCOMPARE(dropped.size(), 2);
        QCOMPARE(dropped.at(0).at(0).toString(), QStringLiteral("15.02.____"));
        QCOMPARE(dropped.at(1).at(0).toString(), QStringLiteral("31.02.2001"));
    }

    void dateBoxCalendarChoosesADate() {
        showWindow();
        window->born->showCalendar();
        QCalendarWidget *calendar = window->born->calendar();
        QTRY_VERIFY(calendar->isVisible());
        QCOMPARE(calendar->selectedDate(), QDate(1980, 2, 3));
        calendar->setSelectedDate(QDate(1980, 2, 10));
        Q_EMIT calendar->activated(QDate(1980, 2, 10));
        QVERIFY(!calendar->isVisible());
        QCOMPARE(patients().value(QStringLiteral("DATAR")).toDate(), QDate(1980, 2, 10));
    }

    void gridShowsNamedColumnsAndFollowsBothWays() {
        patients().next(); // three visits, the latest first
        showWindow();
        DbGrid *grid = window->visits;
        QAbstractItemModelTester tester(grid->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Дата приёма"));
        QCOMPARE(grid->columnOf(QStringLiteral("C_DocFIO")), 1);
        // 70 pixels, or as wide as the title needs: the title is never cut.
        const int dateWidth = grid->horizontalHeader()->sectionSize(0);
        QVERIFY(dateWidth >= 70);
        QVERIFY(dateWidth > grid->horizontalHeader()->fontMetrics().horizontalAdvance(
                                QStringLiteral("Дата приёма")));
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("12.01.2024"));
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);

        focus(grid);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(data->ibdsCard.currentRow(), 1);
        data->ibdsCard.last();
        QCOMPARE(grid->currentIndex().row(), 2);
        patients().first();
        QCOMPARE(grid->model()->rowCount(), 2);
    }

    // A hidden grid lets go of its dataset, so the visits are not read at every patient move.
    void hiddenGridDoesNotReadItsDataset() {
        showWindow();
        window->hide();
        QVERIFY(!window->visits->datasetModel());
        QSignalSpy resets(&data->ibdsCard, &Dataset::rowsAboutToBeReset); // watching no read itself
        patients().next();
        patients().first();
        QCOMPARE(resets.count(), 0);
        window->show();
        QCOMPARE(window->visits->model()->rowCount(), 2);
    }
};

QTEST_MAIN(TestDbWidgets)
#include "test_dbwidgets.moc"
