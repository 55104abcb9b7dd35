// Times the surname search through the real main window: from the second letter typed into the
// search box to the list painted with its rows.
//     ventrel-window-bench <register.fdb> [--runs N]      (QT_QPA_PLATFORM=offscreen works)

#include "app/startup.h"
#include "app/tfmmain.h"
#include "peakmemory.h"
#include "support/settingsfile.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void typeCharacter(QWidget *box, QChar character) {
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

void clear(QLineEdit *edit) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
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

    QTemporaryDir settingsFolder;
    StartupState state;
    state.programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    state.dataFolder = settingsFolder.path() + QLatin1Char('/');
    state.databaseFile = QFileInfo(args[1]).absoluteFilePath();
    state.databaseFolder = QFileInfo(state.databaseFile).absolutePath() + QLatin1Char('/');
    state.settingsFile = state.dataFolder + QStringLiteral("Ventrel.ini");

    TfmMain window(state);
    QElapsedTimer clock;
    clock.start();
    window.show();
    if (!QTest::qWaitFor([&] { return window.isLoaded(); }, 60000)) {
        std::fprintf(stderr, "the main window did not load the register\n");
        return 1;
    }
    QApplication::processEvents();
    std::printf("main window shown with the start list: %.1f ms\n",
                double(clock.nsecsElapsed()) / 1e6);

    auto *search = window.findChild<QComboBox *>(QStringLiteral("cbbSearch"));
    auto *list = window.findChild<QTableView *>(QStringLiteral("dbgMain"));
    QLineEdit *edit = search->lineEdit();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        clear(edit);
        typeCharacter(edit, QChar(u'и'));
        QApplication::processEvents();
        clock.restart();
        typeCharacter(edit, QChar(u'в'));
        list->viewport()->repaint(); // the rows on the screen, painted
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (list->model()->rowCount() == 0) {
            std::fprintf(stderr, "the search found nobody: is this a generated register?\n");
            return 1;
        }
    }
    // Every patient in the list, moved to the last one the way the End key does.
    window.data().showPatients(QStringLiteral("select * from MAIN order by FIO"));
    QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
    window.data().ibdsMain.last();
    list->viewport()->repaint();
    QApplication::processEvents();
    std::printf("list of %d patients shown at its end: peak memory of the process %.1f MB\n",
                list->model()->rowCount(), peakMemoryKiB() / 1024.0);

    std::sort(times.begin(), times.end());
    std::printf("second letter typed to the list painted (median of %d): %.2f ms "
                "(fastest %.2f, slowest %.2f)\n",
                runs, times[times.size() / 2], times.front(), times.back());
    return 0;
}
