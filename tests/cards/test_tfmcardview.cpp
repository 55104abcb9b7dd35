// The patient card viewer, offscreen, on a real database: the summary, the count line, the text
// of the selected visit however the selection moves, and its ways out.

#include "cardfixture.h"
#include "cards/tfmcardview.h"
#include "dbwidgets/dbgrid.h"

#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace {
const QString kAndreev = kCardPatients[0].fio;
} // namespace

class TestTfmCardView : public QObject {
    Q_OBJECT

    CardFixture f;
    std::unique_ptr<TfmCardView> viewer;

    template <typename T> T *child(const char *name) { return control<T>(viewer.get(), name); }
    QString visitText() { return child<QTextEdit>("reCard")->toPlainText(); }

    void open() {
        if (!viewer)
            viewer = std::make_unique<TfmCardView>(*f.data, *f.settings);
        viewer->show();
        viewer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(viewer.get()));
    }

private Q_SLOTS:
    void init() { f.setUp(); }
    void cleanup() {
        viewer.reset();
        f.tearDown();
    }

    void showsTheCardAndTheTextOfTheSelectedVisit() {
        f.moveToPatient(kAndreev);
        open();
        QCOMPARE(child<QTextEdit>("reFIO")->toPlainText(),
                 QStringLiteral("Ф.И.О.: Андреев Андрей Андреевич\nВозраст: 44 (03.02.1980)\n"
                                "Адрес: н/д"));
        QCOMPARE(child<QLabel>("lbPriemCount")->text(),
                 QStringLiteral("Всего 3 приёма, сегодня 4"));
        auto *visits = child<DbGrid>("dbgDates");
        QTRY_COMPARE(QApplication::focusWidget(), visits);
        QCOMPARE(visitText(), QStringLiteral("ОРВИ лёгкое течение, Ангина лёгкое течение\n\n"
                                             "Жалобы: кашель, насморк\n\nФГДС"));

        // The text follows the selection, whatever key moves it.
        QTest::keyClick(visits, Qt::Key_Down);
        QTRY_COMPARE(visitText(), QStringLiteral("Ангина\n\nЖалобы: боль в горле"));
        QTest::keyClick(visits, Qt::Key_End);
        QTRY_COMPARE(visitText(), QStringLiteral("Диагноз отсутствует."));
        QTest::keyClick(visits, Qt::Key_Home);
        QTRY_VERIFY(visitText().startsWith(QStringLiteral("ОРВИ")));
    }

    void patientWithoutVisits() {
        f.moveToPatient(kCardPatients[1].fio);
        open();
        QCOMPARE(child<QLabel>("lbPriemCount")->text(),
                 QStringLiteral("Всего 0 приёма, сегодня 1"));
        QCOMPARE(visitText(), QStringLiteral("Диагноз отсутствует."));
    }

    // A double click opens the editor on the patient; what it changed shows afterwards.
    void doubleClickOpensTheEditor() {
        f.moveToPatient(kAndreev);
        int edits = 0;
        open();
        viewer->setHooks({[&] {
                              ++edits;
                              f.patients().edit();
                              f.patients().setValue(QStringLiteral("TELD"),
                                                    QStringLiteral("123-45-67"));
                              f.patients().post();
                          },
                          {}});
        QVERIFY(!child<QPushButton>("btPrint")->isEnabled());
        auto *visits = child<DbGrid>("dbgDates");
        QTest::mouseDClick(visits->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QCOMPARE(edits, 1);
        QVERIFY(child<QTextEdit>("reFIO")->toPlainText().contains(
            QStringLiteral("Телефон: 123-45-67")));
    }

    void escAndCtrlEnterClose() {
        open();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        open();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!viewer->isVisible());
    }
};

QTEST_MAIN(TestTfmCardView)
#include "test_tfmcardview.moc"
