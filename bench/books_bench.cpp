// Times the reference books through the real windows on a register: a letter typed into the
// search box of a diagnoses book of 2 000 entries (from the keystroke to the list painted), the
// box emptied (the whole book back and painted), and "Пациенты" for the doctor with the most
// visits (from the click to the main window's list painted), beside the engine's own time for
// the same statement, and for the plain shape the statement was first written in.
//     ventrel-books-bench <register.fdb> [--runs N]      (QT_QPA_PLATFORM=offscreen works)

#include "books/tfmbook.h"
#include "data/dberror.h"
#include "data/patientlistsql.h"
#include "data/statement.h"
#include "dbwidgets/dbgrid.h"
#include "mainwindowrun.h"
#include "rawfirebird.h"
#include "support/win1251codec.h"
#include "timing.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int kBookSize = 2000;
// Rows of the list a window shows at once.
constexpr int kScreenRows = 40;

void report(const char *operation, const std::vector<double> &program,
            const std::vector<double> &baseline = {}) {
    if (baseline.empty()) {
        std::printf("%-52s %10.2f ms\n", operation, median(program));
        return;
    }
    std::printf("%-52s %10.2f ms %10.2f ms %8.2f\n", operation, median(program), median(baseline),
                median(program) / median(baseline));
}

// Copies of the book's names, numbered, until it holds kBookSize entries. They are committed, so
// that the engine's own run sees them too, and removed afterwards (removeCopies).
int fillDiagnoses(SharedData &data) {
    Statement count(data.ibMain, data.ibTrans, QStringLiteral("select count(*) from DIAG"));
    const int have = count.selectOne().value(0).toInt();
    if (have == 0)
        throw std::runtime_error("the register has no diagnoses: is it a generated one?");
    Statement copy(data.ibMain, data.ibTrans,
                   QStringLiteral("insert into DIAG (Z_ID, Z_NAME) select first (:COUNT) "
                                  "gen_id(GEN_DIAG_ID, 1), left(Z_NAME, 80) || ' ' || :N "
                                  "from DIAG where Z_ID <= :LAST"));
    Statement last(data.ibMain, data.ibTrans, QStringLiteral("select max(Z_ID) from DIAG"));
    const int lastOriginal = last.selectOne().value(0).toInt();
    const QString mark = QStringLiteral("(копия %1)");
    for (int round = 1, total = have; total < kBookSize; ++round) {
        total += int(copy.execute([&](const QString &name) {
            if (name == QLatin1String("COUNT"))
                return QVariant(kBookSize - total);
            return name == QLatin1String("N") ? QVariant(mark.arg(round)) : QVariant(lastOriginal);
        }));
    }
    data.ibTrans.commitRetaining();
    data.ibdsDiag.open();
    return lastOriginal;
}

void removeCopies(SharedData &data, int lastOriginal) {
    Statement remove(data.ibMain, data.ibTrans,
                     QStringLiteral("delete from DIAG where Z_ID > %1").arg(lastOriginal));
    remove.execute();
    data.ibTrans.commitRetaining();
    data.ibdsDiag.open();
}

int mostFrequentDoctor(SharedData &data) {
    Statement find(data.ibMain, data.ibTrans,
                   QStringLiteral("select first 1 C_DOC from CARD where C_DOC is not null "
                                  "group by C_DOC order by count(*) desc"));
    return find.selectOne().value(0).toInt();
}

TfmBook *showBook(ProgramWindows &windows, BookKind kind) {
    TfmBook *book = windows.book(kind);
    book->setMode(TfmBook::Mode::Maintenance);
    book->show();
    if (!QTest::qWaitForWindowExposed(book))
        throw std::runtime_error("the book did not come up");
    return book;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: ventrel-books-bench <register.fdb> [--runs N]\n");
        return 2;
    }
    const int runIndex = int(args.indexOf(QStringLiteral("--runs")));
    const int runs = runIndex > 0 ? args.value(runIndex + 1).toInt() : 9;

    MainWindowRun run(args[1]);
    TfmMain &window = *run.window;
    ProgramWindows *windows = run.windows;
    if (!run.showLoaded()) {
        std::fprintf(stderr, "the main window did not load the register\n");
        return 1;
    }
    SharedData &data = window.data();
    try {
        std::printf("%-52s %13s %13s %8s\n", "operation (median)", "program", "engine", "ratio");

        // The search of the diagnoses book.
        const int lastOriginal = fillDiagnoses(data);
        TfmBook *diagnoses = showBook(*windows, BookKind::Diagnoses);
        auto *box = diagnoses->findChild<QLineEdit *>(QStringLiteral("edSearch"));
        auto *list = diagnoses->findChild<DbGrid *>(diagnoses->config().gridName);
        box->setFocus();
        box->clear();
        RawFirebird raw(QFile::encodeName(QFileInfo(args[1]).absoluteFilePath()));
        std::vector<double> letters, emptied, searchEngine;
        const QByteArray searchSql =
            win1251::encode(*bookrules::listSql(diagnoses->config(), QStringLiteral("ан"))).value();
        int found = 0;
        for (int i = 0; i < runs; ++i) {
            typeCharacter(box, QChar(u'а'));
            QApplication::processEvents();
            letters.push_back(milliseconds([&] {
                typeCharacter(box, QChar(u'н'));
                list->viewport()->repaint();
            }));
            found = data.ibdsDiag.recordCount();
            searchEngine.push_back(milliseconds([&] { raw.select(searchSql, -1); }));
            QTest::keyClick(box, Qt::Key_Backspace);
            emptied.push_back(milliseconds([&] {
                QTest::keyClick(box, Qt::Key_Backspace);
                list->viewport()->repaint();
            }));
        }
        const QByteArray searched =
            QStringLiteral("second letter in a book of %1 (%2 found), painted")
                .arg(data.ibdsDiag.recordCount())
                .arg(found)
                .toUtf8();
        report(searched.constData(), letters, searchEngine);
        report("search box emptied, whole book painted", emptied);
        diagnoses->findChild<QPushButton *>(QStringLiteral("btCancel"))->click();
        removeCopies(data, lastOriginal);

        // "Пациенты" of the doctor with the most visits, beside the engine alone.
        const int doctor = mostFrequentDoctor(data);
        TfmBook *doctors = showBook(*windows, BookKind::Doctors);
        data.ibdsDocs.locate(QStringLiteral("D_ID"), doctor);
        auto *patients = doctors->findChild<QPushButton *>(QStringLiteral("btPatient"));
        auto *mainList = window.findChild<QTableView *>(QStringLiteral("dbgMain"));
        const QByteArray sql = win1251::encode(patientlistsql::patientsOfDoctor(doctor)).value();
        const QByteArray plain =
            win1251::encode(QStringLiteral("select distinct MAIN.* from MAIN, CARD where "
                                           "(C_KEY=ID) and (C_DOC=%1) order by FIO")
                                .arg(doctor))
                .value();
        std::vector<double> program, engine, engineWhole, plainFirst;
        int listed = 0;
        for (int i = 0; i < runs; ++i) {
            data.showPatients(QStringLiteral("select * from MAIN where ID = 0"));
            program.push_back(milliseconds([&] {
                patients->click();
                mainList->viewport()->repaint();
            }));
            listed = data.ibdsMain.recordCount();
            data.ibdsMain.close(); // no cursor of the program beside the engine's
            engine.push_back(milliseconds([&] { raw.select(sql, kScreenRows); }));
            engineWhole.push_back(milliseconds([&] { raw.select(sql, -1); }));
            plainFirst.push_back(milliseconds([&] { raw.select(plain, kScreenRows); }));
        }
        const QByteArray label =
            QStringLiteral("\"Пациенты\" of a doctor (%1 patients), first screen")
                .arg(listed)
                .toUtf8();
        report(label.constData(), program, engine);
        report("  the same statement, read to its end (engine)", engineWhole);
        report("  the plain shape, first screen (engine)", plainFirst);
        doctors->findChild<QPushButton *>(QStringLiteral("btCancel"))->click();
    } catch (const DbError &error) {
        std::fprintf(stderr, "ventrel-books-bench: %s\n", qPrintable(error.message()));
        return 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "ventrel-books-bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
