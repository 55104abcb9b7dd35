// Times the program's backup and restore of a register beside the engine's own tool, gbak, on
// a copy of the same file, and what a backup running in the background costs the windows.
//     ventrel-services-bench <register.fdb> [--runs N]
// The copies go into a temporary folder beside the register and are removed afterwards.

#include "app/patientlists.h"
#include "data/shareddata.h"
#include "service/backgroundwork.h"
#include "service/registerservices.h"
#include "support/dates.h"
#include "timing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double seconds(const std::function<void()> &work) {
    return milliseconds(work) / 1000;
}

void report(const char *operation, const std::vector<double> &program,
            const std::vector<double> &gbak) {
    const double p = median(program);
    const double g = median(gbak);
    std::printf("%-30s %9.2f s %9.2f s %8.2f\n", operation, p, g, p / g);
}

void runGbak(const QString &gbak, const QStringList &arguments) {
    QProcess process;
    process.start(gbak, QStringList{QStringLiteral("-user"), QStringLiteral("sysdba")} + arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "gbak failed: %s\n", process.readAllStandardError().constData());
        std::exit(1);
    }
}

// A surname search as the main window runs it, with a screenful of rows read.
double searchMilliseconds(SharedData &data, const QString &text) {
    return milliseconds([&] {
        data.showPatients(patientlists::surnameSearchSql(text));
        data.ibdsMain.fetchMore(40);
    });
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: ventrel-services-bench <register.fdb> [--runs N]\n");
        return 2;
    }
    const QString source = arguments[1];
    const qsizetype runsAt = arguments.indexOf(QStringLiteral("--runs"));
    const int runs =
        runsAt > 0 && runsAt + 1 < arguments.size() ? arguments[runsAt + 1].toInt() : 3;
    const QString gbak = QStandardPaths::findExecutable(QStringLiteral("gbak"));
    if (gbak.isEmpty()) {
        std::fprintf(stderr, "gbak is not installed (Debian firebird3.0-utils)\n");
        return 1;
    }

    QTemporaryDir work(QFileInfo(source).absolutePath() + QStringLiteral("/services-bench-XXXXXX"));
    const auto file = [&](const char *name) { return work.filePath(QLatin1String(name)); };
    const QString copy = file("register.fdb");
    QFile::copy(source, copy);
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    try {
        // The two run in turns, so that the page cache favours neither.
        std::vector<double> backup, gbakBackup, restore, gbakRestore;
        for (int run = 0; run < runs; ++run) {
            QFile::remove(file("program.fbk"));
            QFile::remove(file("gbak.fbk"));
            backup.push_back(seconds([&] { registerfile::backup(copy, file("program.fbk"), {}); }));
            gbakBackup.push_back(seconds([&] {
                runGbak(gbak, {QStringLiteral("-b"), copy, file("gbak.fbk")});
            }));
            QFile::remove(file("program.fdb"));
            QFile::remove(file("gbak.fdb"));
            restore.push_back(seconds(
                [&] { registerfile::restoreAs(file("program.fbk"), file("program.fdb"), {}); }));
            gbakRestore.push_back(seconds([&] {
                runGbak(gbak, {QStringLiteral("-c"), file("gbak.fbk"), file("gbak.fdb")});
            }));
        }
        std::printf("register %s, %.0f MB, backup %.0f MB, %d runs (medians)\n", qPrintable(source),
                    QFileInfo(copy).size() / 1e6, QFileInfo(file("program.fbk")).size() / 1e6,
                    runs);
        std::printf("%-30s %11s %11s %8s\n", "", "program", "gbak", "ratio");
        report("backup", backup, gbakBackup);
        report("restore (with count)", restore, gbakRestore);
        std::printf("of which counting the patients and visits: %.2f s\n",
                    seconds([&] { registerfile::countRows(file("program.fdb")); }));

        // What the daily backup costs: at the end it is the backup's time, all waited for;
        // in the background it is what it takes from the windows meanwhile.
        SharedData data;
        data.open(copy, patientlists::startListSql(dates::monthBack(dates::today())));
        const QStringList texts = {QStringLiteral("Ив"), QStringLiteral("Пе"), QStringLiteral("Со"),
                                   QStringLiteral("Ку"), QStringLiteral("Ма")};
        std::vector<double> idle, busy;
        for (int i = 0; i < 25; ++i)
            idle.push_back(searchMilliseconds(data, texts[i % texts.size()]));
        BackgroundWork background;
        QFile::remove(file("daily.fbk"));
        const QString target = file("daily.fbk");
        QElapsedTimer backgroundTime;
        backgroundTime.start();
        background.start(
            [&](const engine::LineSink &onLine) { registerfile::backup(copy, target, onLine); });
        while (background.isRunning())
            busy.push_back(searchMilliseconds(data, texts[busy.size() % texts.size()]));
        background.wait();
        const double backgroundSeconds = double(backgroundTime.nsecsElapsed()) / 1e9;
        data.close();
        std::printf("surname search, 40 rows read: idle %.1f ms (median of %zu), during a "
                    "background backup %.1f ms (median of %zu, worst %.1f ms)\n",
                    median(idle), idle.size(), median(busy), busy.size(),
                    *std::max_element(busy.begin(), busy.end()));
        std::printf("background backup beside the searches: %.2f s; a backup at the end would "
                    "keep the closing program %.2f s\n",
                    backgroundSeconds, median(backup));
    } catch (const DbError &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
