// The question before a new card that may repeat a stored one, offscreen, on a real register:
// its three answers when the card is saved and when it is written for its first visit, the
// stored card opened in the main window, and the window itself.

#include "cardfixture.h"
#include "cards/tfmcardedit.h"
#include "cards/tfmsamepatient.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

const QString kAndreev = kCardPatients[0].fio;
const QString kVetrov = kCardPatients[2].fio;

using Answer = TfmSamePatient::Answer;

} // namespace

class TestTfmSamePatient : public QObject {
    Q_OBJECT

    CardFixture f;
    std::unique_ptr<TfmCardEdit> editor;
    QList<QStringList> asked; // the names each question listed

    template <typename T> T *child(const char *name) { return control<T>(editor.get(), name); }

    // Every question is answered with `answer`, naming the first card it lists.
    void answerWith(Answer answer) {
        TfmSamePatient::setAnswerer([this, answer](const QList<samepatient::Candidate> &found) {
            QStringList names;
            for (const samepatient::Candidate &patient : found)
                names << patient.fullName + u' ' + dates::toText(patient.lastVisit);
            asked << names;
            return TfmSamePatient::Choice{answer, found.value(0).id};
        });
    }

    // The cards the register holds of a surname.
    int stored(const QString &fio) {
        return f.committed(QStringLiteral("select count(*) from MAIN where FIO starting with '%1'")
                               .arg(fio.section(u' ', 0, 0)));
    }

    int keyOf(const QString &fio) {
        f.moveToPatient(fio);
        return f.patients().value(QStringLiteral("ID")).toInt();
    }

private Q_SLOTS:
    void init() {
        f.setUp();
        asked.clear();
    }
    void cleanup() {
        editor.reset();
        TfmSamePatient::setAnswerer({});
        f.tearDown();
    }

    void answers_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("firstVisit"); // written for its first visit rather than by OK
        for (const bool visit : {false, true}) {
            const char *way = visit ? ", first visit" : ", OK";
            QTest::addRow("Отмена%s", way) << int(Answer::Cancel) << visit;
            QTest::addRow("Сохранить новую%s", way) << int(Answer::KeepNew) << visit;
            QTest::addRow("Открыть найденную карточку%s", way) << int(Answer::Open) << visit;
        }
    }
    void answers() {
        QFETCH(int, answer);
        QFETCH(bool, firstVisit);
        const int andreev = keyOf(kAndreev);
        answerWith(Answer(answer));
        editor = std::make_unique<TfmCardEdit>(*f.data, *f.settings);
        int visitsOpened = 0;
        editor->setHooks({[&] {
                              ++visitsOpened;
                              f.data->ibdsCard.cancel();
                          },
                          {},
                          {}});
        f.patients().insert();
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
        auto *name = child<QLineEdit>("dbedFIO");
        name->setFocus();
        typeText(name, QStringLiteral("андреев  андрей андреевич")); // the sex from the name
        child<QPushButton>(firstVisit ? "btAdd" : "btOK")->click();

        QCOMPARE(asked, QList<QStringList>{{kAndreev + QStringLiteral(" 20.03.2024")}});
        switch (Answer(answer)) {
        case Answer::Cancel: // back to the card, nothing written
            QVERIFY(editor->isVisible());
            QCOMPARE(f.patients().state(), Dataset::State::Insert);
            QCOMPARE(visitsOpened, 0);
            child<QPushButton>("btCancel")->click();
            QCOMPARE(stored(kAndreev), 1);
            break;
        case Answer::KeepNew: // saved, and not asked again for this card
            QCOMPARE(visitsOpened, firstVisit ? 1 : 0);
            if (firstVisit)
                child<QPushButton>("btOK")->click();
            QVERIFY(!editor->isVisible());
            QCOMPARE(asked.size(), 1);
            QCOMPARE(stored(kAndreev), 2);
            break;
        case Answer::Open: // the new card goes as with Cancel; the stored one is to open
            QVERIFY(!editor->isVisible());
            QCOMPARE(visitsOpened, 0);
            QCOMPARE(editor->takeChosenPatient(), std::optional<int>(andreev));
            QCOMPARE(editor->takeChosenPatient(), std::nullopt);
            QCOMPARE(f.patients().state(), Dataset::State::Browse);
            f.data->ibTrans.commitRetaining();
            QCOMPARE(stored(kAndreev), 1);
            QCOMPARE(f.committed(QStringLiteral("select count(*) from MAIN")), 3);
            break;
        }
    }

    // A card being edited is never asked about, even when it now repeats another.
    void anEditedCardIsNotAsked() {
        answerWith(Answer::Cancel);
        f.moveToPatient(kVetrov);
        editor = std::make_unique<TfmCardEdit>(*f.data, *f.settings);
        editor->show();
        f.patients().edit();
        f.patients().setValue(QStringLiteral("FIO"), kAndreev);
        child<QPushButton>("btOK")->click();
        QVERIFY(!editor->isVisible());
        QVERIFY(asked.isEmpty());
        QCOMPARE(stored(kAndreev), 2);
    }

    // "Открыть найденную карточку" from the main window: the list shows the stored patient, and
    // the card editor opens on it.
    void theFoundCardOpensInTheMainWindow() {
        const std::unique_ptr<TfmMain> fmMain = f.showMainWindow();
        answerWith(Answer::Open);
        QString reopened;
        TfmSamePatient::setAnswerer([&](const QList<samepatient::Candidate> &found) {
            // Once the editor shows again, on the chosen patient.
            QTimer::singleShot(0, this, [&] {
                auto *window = qobject_cast<TfmCardEdit *>(QApplication::activeModalWidget());
                QVERIFY(window);
                reopened = window->findChild<QLineEdit *>(QStringLiteral("dbedFIO"))->text() +
                           u'|' + window->windowTitle() + u'|' + fmMain->statusText();
                window->reject();
            });
            return TfmSamePatient::Choice{Answer::Open, found.value(0).id};
        });
        QTimer::singleShot(0, this, [] {
            auto *window = qobject_cast<TfmCardEdit *>(QApplication::activeModalWidget());
            QVERIFY(window);
            auto *sex = window->findChild<QComboBox *>(QStringLiteral("dbcbbSex"));
            sex->setFocus();
            typeText(sex, QStringLiteral("м"));
            window->findChild<QPushButton *>(QStringLiteral("btOK"))->click();
            if (window->isVisible())
                window->reject();
        });
        auto *search = fmMain->findChild<QComboBox *>(QStringLiteral("cbbSearch"));
        search->setFocus();
        typeText(search, QStringLiteral("ветров виктор"));
        fmMain->findChild<QAction *>(QStringLiteral("mmAdd"))->trigger();

        QCOMPARE(reopened, kVetrov + QStringLiteral("|Карточка пациента|Найденная карточка"));
        Dataset &listed = fmMain->data().ibdsMain;
        QCOMPARE(listed.recordCount(), 1);
        QCOMPARE(listed.value(QStringLiteral("FIO")).toString(), kVetrov);
        QCOMPARE(stored(kVetrov), 1);
    }

    // The window lists the cards and answers by its buttons; Esc goes back to the card.
    void theWindow_data() {
        QTest::addColumn<QString>("button"); // empty: Esc
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("patient");
        QTest::newRow("the second card opened") << "btOpen" << int(Answer::Open) << 2;
        QTest::newRow("Сохранить новую") << "btKeepNew" << int(Answer::KeepNew) << 0;
        QTest::newRow("Esc") << "" << int(Answer::Cancel) << 0;
    }
    void theWindow() {
        QFETCH(QString, button);
        QFETCH(int, answer);
        QFETCH(int, patient);
        const QList<samepatient::Candidate> found = {
            {1, QStringLiteral("Ёлкина Анна"), QDate(1980, 2, 3), QStringLiteral("ул. Мира, 1"),
             QDate(2024, 3, 20)},
            {2, QStringLiteral("Елкина Анна"), QDate(), QString(), QDate()},
        };
        QStringList shown;
        QTimer::singleShot(0, this, [&] {
            auto *window = qobject_cast<TfmSamePatient *>(QApplication::activeModalWidget());
            QVERIFY(window);
            shown << window->windowTitle();
            auto *list = window->findChild<QTableWidget *>(QStringLiteral("dbgFound"));
            for (int column = 0; column < list->columnCount(); ++column)
                shown << list->horizontalHeaderItem(column)->text() + u'=' +
                             list->item(0, column)->text();
            list->setCurrentCell(1, 0);
            if (button.isEmpty())
                QTest::keyClick(list, Qt::Key_Escape);
            else
                window->findChild<QPushButton *>(button)->click();
        });
        const TfmSamePatient::Choice choice = TfmSamePatient::ask(nullptr, found);
        QCOMPARE(shown, (QStringList{"Возможно, этот пациент уже есть", "Ф.И.О.=Ёлкина Анна",
                                     "Дата рождения=03.02.1980", "Возраст=44", "Адрес=ул. Мира, 1",
                                     "Последний приём=20.03.2024"}));
        QCOMPARE(int(choice.answer), answer);
        QCOMPARE(choice.patient, patient);
    }
};

QTEST_MAIN(TestTfmSamePatient)
#include "test_tfmsamepatient.moc"
