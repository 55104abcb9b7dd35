// Times the real windows on a register: the surname search of the main window (from the second
// letter typed into the search box to the list painted with its rows), the patient card
// editor and viewer on a patient with about 20 visits (from the command to the window painted,
// and a letter typed into the full name), and the visit editor on a visit with 5 diagnoses and 3
// interventions (opening, "&Копия" of a changed visit, a letter typed into the complaints).
//     ventrel-window-bench <register.fdb> [--runs N]      (QT_QPA_PLATFORM=offscreen works)

#include "data/statement.h"
#include "mainwindowrun.h"
#include "peakmemory.h"
#include "support/dates.h"
#include "support/settingsfile.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void clear(QLineEdit *edit) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
}

struct Timings {
    std::vector<double> ms;
    void print(const char *what) {
        std::sort(ms.begin(), ms.end());
        std::printf("%s (median of %zu): %.2f ms (fastest %.2f, slowest %.2f)\n", what, ms.size(),
                    ms[ms.size() / 2], ms.front(), ms.back());
    }
};

// Runs a command that shows a modal window and times it to the window painted; `inside` then
// works in the window, which is closed afterwards.
double timeModal(const std::function<void()> &command,
                 const std::function<void(QWidget *)> &inside = {}) {
    QElapsedTimer clock;
    double elapsed = -1;
    QTimer::singleShot(0, [&] {
        QWidget *window = QApplication::activeModalWidget();
        if (!window)
            return;
        window->repaint();
        elapsed = double(clock.nsecsElapsed()) / 1e6;
        if (inside)
            inside(window);
        QWidget *focus = window->focusWidget();
        QTest::keyClick(focus ? focus : window, Qt::Key_Escape);
    });
    clock.start();
    command();
    return elapsed;
}

double timeModal(QAction *command, const std::function<void(QWidget *)> &inside = {}) {
    return timeModal([command] { command->trigger(); }, inside);
}

// The two patients with the most visits, alone in the list, each given copies of its latest
// visit until it has 20. The copies are never committed: the caller rolls them
// back, and a run that stops half way leaves nothing behind either.
void showTwoPatientsWithTwentyVisits(TfmMain &window) {
    SharedData &data = window.data();
    QList<int> patients;
    {
        Statement most(data.ibMain, data.ibTrans,
                       QStringLiteral("select first 2 C_KEY from CARD group by C_KEY "
                                      "order by count(*) desc, C_KEY"));
        most.open();
        QVariantList row;
        while (most.fetch(row))
            patients << row.value(0).toInt();
    }
    for (int patient : patients) {
        const QString where = QStringLiteral(" where C_KEY = %1").arg(patient);
        const int visits = Statement(data.ibMain, data.ibTrans,
                                     QStringLiteral("select count(*) from CARD") + where)
                               .selectOne()
                               .value(0)
                               .toInt();
        for (int i = visits; i < 20; ++i) {
            const int latest = Statement(data.ibMain, data.ibTrans,
                                         QStringLiteral("select first 1 C_ID from CARD") + where +
                                             QStringLiteral(" order by C_DATE desc"))
                                   .selectOne()
                                   .value(0)
                                   .toInt();
            data.ibTrans.execute(
                QStringLiteral(
                    "insert into CARD (C_ID, C_KEY, C_DOC, C_DATE, C_DIAGNOZ, C_ZHALOBA, "
                    "C_ANAMNEZ, C_STATUS, C_REKOMEND, C_OBSLED) select "
                    "gen_id(GEN_CARD_ID, 1), C_KEY, C_DOC, C_DATE - 30, C_DIAGNOZ, "
                    "C_ZHALOBA, C_ANAMNEZ, C_STATUS, C_REKOMEND, C_OBSLED from CARD "
                    "where C_ID = %1")
                    .arg(latest));
        }
    }
    data.showPatients(QStringLiteral("select * from MAIN where ID in (%1, %2) order by ID")
                          .arg(patients.value(0))
                          .arg(patients.value(1)));
}

int selectInt(SharedData &data, const QString &sql) {
    return Statement(data.ibMain, data.ibTrans, sql).selectOne().value(0).toInt();
}

// The visit editor on a visit of the current patient with 5 diagnoses and 3 interventions: from
// the command to the window painted; "&Копия" of the visit with a letter changed (saved,
// committed, the copy started) to the window painted; letters typed into the complaints. What
// it saves is deleted again afterwards.
void timeVisitEditor(TfmMain &window, ProgramWindows &windows, int runs) {
    SharedData &data = window.data();
    Dataset &visits = data.ibdsCard;
    const int lastVisit = selectInt(data, QStringLiteral("select max(C_ID) from CARD"));
    visits.insert();
    visits.setValue(QStringLiteral("C_DATE"), dates::today());
    visits.setValue(QStringLiteral("C_ZHALOBA"), QStringLiteral("кашель, насморк"));
    visits.setValue(QStringLiteral("C_DOC"), data.ibdsDocs.value(0, QStringLiteral("D_ID")));
    for (int i = 0; i < 5; ++i) {
        data.ibdsDiagnoz.insert();
        data.ibdsDiagnoz.setValue(QStringLiteral("G_DIAG"),
                                  data.ibdsDiag.value(i, QStringLiteral("Z_ID")));
        data.ibdsDiagnoz.setValue(QStringLiteral("G_PRIM"), QStringLiteral("примечание"));
        data.ibdsDiagnoz.post();
    }
    for (int i = 0; i < 3; ++i) {
        data.ibdsVmeshat.insert();
        data.ibdsVmeshat.setValue(QStringLiteral("V_VMESH"),
                                  data.ibdsVmes.value(i, QStringLiteral("E_ID")));
        data.ibdsVmeshat.post();
    }
    visits.post();
    data.ibTrans.commitRetaining();
    const QVariant visit = visits.value(QStringLiteral("C_ID"));
    auto showVisit = [&] {
        visits.locate(QStringLiteral("C_ID"), visit);
        windows.showPriem();
    };

    const double first = timeModal(showVisit);
    Timings opening, copying, letters;
    for (int i = 0; i < runs; ++i) {
        visits.last(); // away and back: the grids read the visit's rows again
        opening.ms.push_back(timeModal(showVisit));
        timeModal(showVisit, [&](QWidget *editor) {
            auto *complaints = editor->findChild<QPlainTextEdit *>(QStringLiteral("dbmZhaloba"));
            complaints->setFocus();
            complaints->moveCursor(QTextCursor::End);
            typeCharacter(complaints, QChar(u'!'));
            QElapsedTimer clock;
            clock.start();
            editor->findChild<QPushButton *>(QStringLiteral("btAddCopy"))->click();
            editor->repaint();
            copying.ms.push_back(double(clock.nsecsElapsed()) / 1e6);
            if (visits.state() != Dataset::State::Insert)
                std::fprintf(stderr, "\"Копия\" started no new visit: %s\n",
                             qPrintable(editor->windowTitle()));
        });
    }
    timeModal(showVisit, [&](QWidget *editor) {
        auto *complaints = editor->findChild<QPlainTextEdit *>(QStringLiteral("dbmZhaloba"));
        complaints->setFocus();
        complaints->moveCursor(QTextCursor::End);
        for (QChar letter : QStringLiteral(" и температура")) {
            QElapsedTimer typing;
            typing.start();
            typeCharacter(complaints, letter);
            letters.ms.push_back(double(typing.nsecsElapsed()) / 1e6);
        }
    });
    std::printf("visit editor on a visit with 5 diagnoses and 3 interventions, first opening: "
                "%.1f ms\n",
                first);
    opening.print("visit editor, command to window painted");
    copying.print("visit editor, \"Копия\" of a changed visit to window painted");
    letters.print("letter typed into the complaints (written to the row)");

    const QString created =
        QStringLiteral(" in (select C_ID from CARD where C_ID > %1)").arg(lastVisit);
    data.ibTrans.execute(QStringLiteral("delete from DIAGNOZ where G_KEY") + created);
    data.ibTrans.execute(QStringLiteral("delete from VMESHAT where V_KEY") + created);
    data.ibTrans.execute(QStringLiteral("delete from CARD where C_ID > %1").arg(lastVisit));
    data.ibTrans.commitRetaining();
}

// A beginning of the surnames in the register and how many full names begin with it.
struct Prefix {
    QString text;
    int patients;
};

// The `count` most frequent two-letter beginnings of the full names: each finds another number
// of patients.
QList<Prefix> commonPrefixes(SharedData &data, int count) {
    Statement most(data.ibMain, data.ibTrans,
                   QStringLiteral("select first %1 substring(FIO from 1 for 2), count(*) "
                                  "from MAIN group by 1 order by 2 desc")
                       .arg(count));
    most.open();
    QList<Prefix> prefixes;
    QVariantList row;
    while (most.fetch(row)) {
        const QString text = row.value(0).toString();
        if (text.size() == 2)
            prefixes << Prefix{text, row.value(1).toInt()};
    }
    return prefixes;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: ventrel-window-bench <register.fdb> [--runs N]\n");
        return 2;
    }
    const int runIndex = int(args.indexOf(QStringLiteral("--runs")));
    const int runs = runIndex > 0 ? args.value(runIndex + 1).toInt() : 9;

    MainWindowRun run(args[1]);
    TfmMain &window = *run.window;
    QElapsedTimer clock;
    clock.start();
    if (!run.showLoaded()) {
        std::fprintf(stderr, "the main window did not load the register\n");
        return 1;
    }
    QApplication::processEvents();
    std::printf("main window shown with the start list: %.1f ms\n",
                double(clock.nsecsElapsed()) / 1e6);

    auto *search = window.findChild<QComboBox *>(QStringLiteral("cbbSearch"));
    auto *list = window.findChild<QTableView *>(QStringLiteral("dbgMain"));
    QLineEdit *edit = search->lineEdit();
    // Each run types another beginning, so that every search prepares its statement anew.
    const QList<Prefix> prefixes = commonPrefixes(window.data(), runs);
    if (prefixes.size() < runs) {
        std::fprintf(stderr, "too few surnames: is this a generated register?\n");
        return 1;
    }
    std::vector<double> times;
    for (const Prefix &prefix : prefixes) {
        clear(edit);
        typeCharacter(edit, prefix.text.at(0).toLower());
        QApplication::processEvents();
        clock.restart();
        typeCharacter(edit, prefix.text.at(1));
        list->viewport()->repaint(); // the rows on the screen, painted
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (list->model()->rowCount() == 0) {
            std::fprintf(stderr, "the search for %s found nobody\n", qPrintable(prefix.text));
            return 1;
        }
    }
    // The patient card editor and viewer on two patients with 20 visits, by turns, so that every
    // opening reads the visits of the patient moved to; the first opening makes the window.
    showTwoPatientsWithTwentyVisits(window);
    Dataset &patients = window.data().ibdsMain;
    auto *editCommand = window.findChild<QAction *>(QStringLiteral("mmEdit"));
    auto *viewCommand = window.findChild<QAction *>(QStringLiteral("mmView"));
    const double firstEdit = timeModal(editCommand);
    patients.moveTo(1);
    const double firstView = timeModal(viewCommand);
    Timings editorTimes, viewerTimes, letterTimes;
    for (int i = 0; i < runs; ++i) {
        patients.moveTo(i % 2);
        editorTimes.ms.push_back(timeModal(editCommand));
        patients.moveTo(1 - i % 2);
        viewerTimes.ms.push_back(timeModal(viewCommand));
    }
    // Letters typed at the end of the full name, capitalised and written to the row at once;
    // Esc then drops the change.
    timeModal(editCommand, [&](QWidget *editor) {
        auto *name = editor->findChild<QLineEdit *>(QStringLiteral("dbedFIO"));
        name->setFocus();
        name->end(false);
        const QString letters = QStringLiteral(" иван петрович");
        for (QChar letter : letters) {
            QElapsedTimer typing;
            typing.start();
            typeCharacter(name, letter);
            letterTimes.ms.push_back(double(typing.nsecsElapsed()) / 1e6);
        }
    });
    std::printf("patient card editor on a patient with %d visits, first opening: %.1f ms\n",
                window.data().ibdsCard.recordCount(), firstEdit);
    editorTimes.print("patient card editor, command to window painted");
    std::printf("patient card viewer, first opening: %.1f ms\n", firstView);
    viewerTimes.print("patient card viewer, command to window painted");
    letterTimes.print("letter typed into the full name (capitalised and written to the row)");
    window.data().ibTrans.rollbackRetaining(); // the copied visits go

    timeVisitEditor(window, *run.windows, runs);

    // Every patient in the list, moved to the last one the way the End key does.
    window.data().showPatients(QStringLiteral("select * from MAIN order by FIO"));
    QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
    window.data().ibdsMain.last();
    list->viewport()->repaint();
    QApplication::processEvents();
    std::printf("list of %d patients shown at its end: peak memory of the process %.1f MB\n",
                list->model()->rowCount(), peakMemoryKiB() / 1024.0);

    std::sort(times.begin(), times.end());
    QStringList typed;
    for (const Prefix &prefix : prefixes)
        typed << QStringLiteral("%1 (%2)").arg(prefix.text).arg(prefix.patients);
    std::printf("second letter typed to the list painted (median of %d): %.2f ms "
                "(fastest %.2f, slowest %.2f)\n  beginnings typed (patients found): %s\n",
                runs, times[times.size() / 2], times.front(), times.back(),
                qPrintable(typed.join(QStringLiteral(", "))));
    return 0;
}
