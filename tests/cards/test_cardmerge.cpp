// Two cards of one person made one, offscreen, on a real register: the fields compared, every
// visit with its diagnoses and interventions moved in one transaction, a refusal in the middle
// that leaves the register as it was, and the merge window from the main list's pop-up menu.

#include "app/servicecommands.h"
#include "cardfixture.h"
#include "cards/cardmerge.h"
#include "cards/tfmcardedit.h"
#include "cards/tfmmerge.h"
#include "data/dberror.h"
#include "registerfixture.h"
#include "service/dailybackup.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

const QString kAndreev = kCardPatients[0].fio;
const QString kVetrov = kCardPatients[2].fio;
const QString kSecondName = QStringLiteral("АНДРЕЕВ Андрей Андреевич");

using cardmerge::Source;

} // namespace

class TestCardMerge : public QObject {
    Q_OBJECT

    CardFixture f;
    int kept = 0;  // Андреев's card: three visits, three diagnoses, one intervention
    int other = 0; // his second card: two visits with a diagnosis and an intervention each
    int backups = 0;

    int keyOf(const QString &fio) {
        f.moveToPatient(fio);
        return f.patients().value(QStringLiteral("ID")).toInt();
    }

    // The second card, with an address and telephones the first lacks and no date of birth.
    int addSecondCard() {
        Dataset &patients = f.patients();
        patients.insert();
        const int id = patients.value(QStringLiteral("ID")).toInt();
        patients.setValue(QStringLiteral("FIO"), kSecondName);
        patients.setValue(QStringLiteral("SEX"), QStringLiteral("М"));
        patients.setValue(QStringLiteral("ADR"), QStringLiteral("ул. Мира, 1"));
        patients.setValue(QStringLiteral("TELD"), QStringLiteral("555-12-34"));
        patients.post();
        for (const QDate &day : {QDate(2019, 5, 6), QDate(2018, 1, 2)}) {
            f.data->ibdsCard.insert();
            f.data->ibdsCard.setValue(QStringLiteral("C_DATE"), day);
            f.data->ibdsDiagnoz.insert();
            f.data->ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"), 1);
            f.data->ibdsDiagnoz.post();
            f.data->ibdsVmeshat.insert();
            f.data->ibdsVmeshat.setValue(QStringLiteral("V_VMESH"), 1);
            f.data->ibdsVmeshat.post();
            f.data->ibdsCard.post();
        }
        f.data->ibTrans.commitRetaining();
        return id;
    }

    // The visits, diagnosis rows and intervention rows of a card, as the register holds them.
    QList<int> rowsOf(int id) {
        QList<int> counts;
        for (const char *sql : {"select count(*) from CARD where C_KEY = %1",
                                "select count(*) from DIAGNOZ join CARD on G_KEY = C_ID "
                                "where C_KEY = %1",
                                "select count(*) from VMESHAT join CARD on V_KEY = C_ID "
                                "where C_KEY = %1"})
            counts << f.committed(QString::fromLatin1(sql).arg(id));
        return counts;
    }

    QVariant storedField(int id, const char *field) {
        return cardmerge::readCard(f.data->ibTrans, id).value(QLatin1String(field));
    }

    // The merge window on the kept card, shown without its own event loop.
    std::unique_ptr<TfmMerge> mergeWindow() {
        auto window = std::make_unique<TfmMerge>(*f.data, *f.settings);
        window->setHooks({[this] { return ++backups > 0; }});
        QTimer::singleShot(0, window.get(), [w = window.get()] {
            if (w->isVisible())
                w->hide(); // showFor returns at once; the test drives the shown window
        });
        return window;
    }

    template <typename T> static T *child(QWidget *window, const char *name) {
        return control<T>(window, name);
    }

private Q_SLOTS:
    void init() {
        f.setUp();
        backups = 0;
        kept = keyOf(kAndreev);
        other = addSecondCard();
    }
    void cleanup() { f.tearDown(); }

    void compare_data() {
        QTest::addColumn<QVariant>("keptValue");
        QTest::addColumn<QVariant>("otherValue");
        QTest::addColumn<bool>("choice");
        QTest::addColumn<int>("source");
        QTest::newRow("same") << QVariant("ул. Мира, 1") << QVariant("ул. Мира, 1") << false
                              << int(Source::Kept);
        QTest::newRow("different")
            << QVariant("ул. Мира, 1") << QVariant("ул. Ленина, 2") << true << int(Source::Kept);
        QTest::newRow("kept empty")
            << QVariant() << QVariant("ул. Ленина, 2") << false << int(Source::Other);
        QTest::newRow("kept blank")
            << QVariant("  ") << QVariant("ул. Ленина, 2") << false << int(Source::Other);
        QTest::newRow("other empty")
            << QVariant("ул. Мира, 1") << QVariant() << false << int(Source::Kept);
        QTest::newRow("dates") << QVariant(QDate(1980, 2, 3)) << QVariant(QDate(1980, 3, 2)) << true
                               << int(Source::Kept);
    }
    void compare() {
        QFETCH(QVariant, keptValue);
        QFETCH(QVariant, otherValue);
        QFETCH(bool, choice);
        QFETCH(int, source);
        const QList<cardmerge::FieldRow> rows = cardmerge::compare(
            {{QStringLiteral("ADR"), keptValue}}, {{QStringLiteral("ADR"), otherValue}});
        const cardmerge::FieldRow &address = rows.at(4);
        QCOMPARE(address.field, QStringLiteral("ADR"));
        QCOMPARE(address.choice, choice);
        QCOMPARE(int(address.source), source);
        QCOMPARE(cardmerge::takenFromOther(rows).value(QStringLiteral("ADR")),
                 source == int(Source::Other) ? otherValue : QVariant());
    }

    // Every visit moves with its diagnosis and intervention rows; the chosen value and the
    // empty fields filled from the other card are kept; the other card goes; all committed.
    void mergeMovesEveryRow() {
        QCOMPARE(rowsOf(kept), (QList<int>{3, 3, 1}));
        QCOMPARE(rowsOf(other), (QList<int>{2, 2, 2}));
        QList<cardmerge::FieldRow> rows =
            cardmerge::compare(cardmerge::readCard(f.data->ibTrans, kept),
                               cardmerge::readCard(f.data->ibTrans, other));
        QVERIFY(rows.at(0).choice); // the names differ in their letters' case
        rows[0].source = Source::Other;
        QCOMPARE(cardmerge::merge(f.data->ibTrans, kept, other, cardmerge::takenFromOther(rows)),
                 2);
        QCOMPARE(rowsOf(kept), (QList<int>{5, 5, 3}));
        QCOMPARE(rowsOf(other), (QList<int>{0, 0, 0}));
        QCOMPARE(f.committed(QStringLiteral("select count(*) from MAIN")), 3);
        QCOMPARE(storedField(kept, "FIO").toString(), kSecondName);
        QCOMPARE(storedField(kept, "DATAR").toDate(), QDate(1980, 2, 3));
        QCOMPARE(storedField(kept, "ADR").toString(), QStringLiteral("ул. Мира, 1"));
        QCOMPARE(storedField(kept, "TELD").toString(), QStringLiteral("555-12-34"));
    }

    // A refusal after the visits were moved (a trigger that refuses every deletion of a card)
    // leaves both cards, and everything else, exactly as they were.
    void aRefusalInTheMiddleChangesNothing() {
        for (const char *sql : {"create exception NO_DELETE 'Карточки не удаляются'",
                                "create trigger MAIN_NO_DELETE for MAIN before delete as\n"
                                "begin\n  exception NO_DELETE;\nend"}) {
            Statement(f.data->ibMain, f.data->ibTrans, QString::fromUtf8(sql)).execute();
            f.data->ibTrans.commitRetaining();
        }
        const auto before = registerContent(f.db->path());
        QList<cardmerge::FieldRow> rows =
            cardmerge::compare(cardmerge::readCard(f.data->ibTrans, kept),
                               cardmerge::readCard(f.data->ibTrans, other));
        try {
            cardmerge::merge(f.data->ibTrans, kept, other, cardmerge::takenFromOther(rows));
            QFAIL("the merge went through");
        } catch (const DbError &error) {
            QVERIFY2(error.message().contains(QStringLiteral("Карточки не удаляются")),
                     qPrintable(error.message()));
        }
        f.data->ibTrans.commitRetaining(); // the run's next save brings no half of it
        QCOMPARE(registerContent(f.db->path()), before);
    }

    // The window: the other card offered first, found by its surname too, the choice of a
    // field, the day's backup first, the merge told and the list without the other card.
    void mergeThroughTheWindow() {
        auto window = mergeWindow();
        window->showFor(kept);
        window->show();
        QCOMPARE(child<QLabel>(window.get(), "lbKept")->text(),
                 QStringLiteral("Остаётся карточка: ") + kAndreev + QStringLiteral(", 03.02.1980"));
        auto *others = child<QTableWidget>(window.get(), "dbgOther");
        QCOMPARE(child<QLabel>(window.get(), "lbOther")->text(),
                 QStringLiteral("Похожие карточки:"));
        QCOMPARE(others->rowCount(), 1);
        QCOMPARE(others->item(0, 0)->text(), kSecondName);

        auto *search = child<QLineEdit>(window.get(), "edSearch");
        search->setFocus();
        typeText(search, QStringLiteral("вет"));
        QCOMPARE(search->text(), QStringLiteral("Вет"));
        QCOMPARE(others->rowCount(), 1);
        QCOMPARE(others->item(0, 0)->text(), kVetrov);
        QTest::keyClick(search, Qt::Key_Backspace); // "Ве": the list stays
        QCOMPARE(others->item(0, 0)->text(), kVetrov);
        search->selectAll();
        QTest::keyClick(search, Qt::Key_Backspace); // an empty box: the candidates again
        QCOMPARE(others->item(0, 0)->text(), kSecondName);

        auto *fields = child<QTableWidget>(window.get(), "tbFields");
        QCOMPARE(fields->item(0, 1)->checkState(), Qt::Checked); // the kept name at first
        QCOMPARE(fields->item(4, 2)->checkState(), Qt::Checked); // the address it lacks
        QCOMPARE(fields->item(7, 0)->text(), QStringLiteral("Приёмы"));
        QCOMPARE(fields->item(7, 2)->text(), QStringLiteral("2"));
        fields->item(0, 2)->setCheckState(Qt::Checked); // the other name instead
        QCOMPARE(fields->item(0, 1)->checkState(), Qt::Unchecked);

        child<QPushButton>(window.get(), "btMerge")->click();
        QCOMPARE(backups, 1);
        QCOMPARE(f.boxes, QStringList{QStringLiteral("Перенесено приёмов: 2")});
        QVERIFY(!window->isVisible());
        QCOMPARE(rowsOf(kept), (QList<int>{5, 5, 3}));
        QCOMPARE(storedField(kept, "FIO").toString(), kSecondName);
        QVERIFY(!f.patients().locate(QStringLiteral("ID"), other));
        QCOMPARE(f.patients().value(QStringLiteral("ID")).toInt(), kept);
    }

    // No merge while a card is open in an editor, nor when the day's backup failed.
    void refused_data() {
        QTest::addColumn<bool>("editorOpen");
        QTest::newRow("a card open in the editor") << true;
        QTest::newRow("the day's backup failed") << false;
    }
    void refused() {
        QFETCH(bool, editorOpen);
        auto window = mergeWindow();
        if (!editorOpen)
            window->setHooks({[] { return false; }});
        window->showFor(kept);
        window->show();
        TfmCardEdit editor(*f.data, *f.settings);
        if (editorOpen) {
            f.moveToPatient(kVetrov);
            editor.show();
        }
        child<QPushButton>(window.get(), "btMerge")->click();
        QCOMPARE(backups, 0);
        QCOMPARE(f.boxes, editorOpen ? QStringList{QStringLiteral(
                                           "Карточка пациента открыта для правки. Закройте её, "
                                           "чтобы объединить карточки.")}
                                     : QStringList());
        QVERIFY(window->isVisible());
        QCOMPARE(rowsOf(other), (QList<int>{2, 2, 2}));
    }

    // From the main list's pop-up menu on the card to keep; the day's backup, when none was
    // made today, comes first.
    void fromTheMainWindow() {
        const std::unique_ptr<TfmMain> fmMain = f.showMainWindow();
        fmMain->serviceCommands().dailyBackup().wait();
        QCoreApplication::processEvents();
        const QString backup = f.dir->filePath(QStringLiteral("backups/base-2024-03-31.fbk"));
        QVERIFY(QFile::remove(backup));
        fmMain->data().showPatients(kCardListSql);
        QVERIFY(fmMain->data().ibdsMain.locate(QStringLiteral("ID"), kept));
        QTimer::singleShot(0, this, [] {
            auto *window = qobject_cast<TfmMerge *>(QApplication::activeModalWidget());
            QVERIFY(window);
            window->findChild<QPushButton *>(QStringLiteral("btMerge"))->click();
            if (window->isVisible())
                window->reject();
        });
        fmMain->findChild<QAction *>(QStringLiteral("pmMerge"))->trigger();
        QCOMPARE(f.boxes, QStringList{QStringLiteral("Перенесено приёмов: 2")});
        QVERIFY(QFile::exists(backup));
        QCOMPARE(rowsOf(kept), (QList<int>{5, 5, 3}));
        QCOMPARE(fmMain->data().ibdsMain.recordCount(), 3);
    }
};

QTEST_MAIN(TestCardMerge)
#include "test_cardmerge.moc"
