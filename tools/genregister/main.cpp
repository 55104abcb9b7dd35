// Makes a working register of realistic size from the empty template, for benchmarks and for
// trying the program on years of records:
//     ventrel-genregister --out register.fdb [--patients 100000] [--seed 1] [--template Base0.fdb]

#include "data/connection.h"
#include "data/dberror.h"
#include "data/transaction.h"
#include "registergenerator.h"
#include "support/dates.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes a made-up register of patients."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("out"), QStringLiteral("The database file to make."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("patients"), QStringLiteral("Number of patients."),
                      QStringLiteral("n"), QStringLiteral("100000")});
    parser.addOption({QStringLiteral("seed"), QStringLiteral("Seed of the random choices."),
                      QStringLiteral("n"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("template"), QStringLiteral("The empty template."),
                      QStringLiteral("file"),
                      QCoreApplication::applicationDirPath() + QStringLiteral("/Base0.fdb")});
    parser.process(app);
    const QString out = parser.value(QStringLiteral("out"));
    if (out.isEmpty())
        parser.showHelp(2);
    const int patients = parser.value(QStringLiteral("patients")).toInt();

    QFile::remove(out);
    if (!QFile::copy(parser.value(QStringLiteral("template")), out)) {
        std::fprintf(stderr, "cannot copy the template to %s\n", qPrintable(out));
        return 1;
    }
    QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner);

    QElapsedTimer clock;
    clock.start();
    try {
        Connection connection;
        connection.open(out);
        Transaction transaction(connection);
        RegisterGenerator generator(connection, transaction,
                                    parser.value(QStringLiteral("seed")).toULongLong(),
                                    dates::today());
        generator.writeBooks();
        generator.writePatients(patients, [&](int written, int visits) {
            std::fprintf(stderr, "\rpatients %d of %d, visits %d, %.1f s", written, patients,
                         visits, double(clock.elapsed()) / 1000.0);
        });
        std::fprintf(stderr, "\n");
        transaction.commit();
        connection.close();
    } catch (const DbError &error) {
        std::fprintf(stderr, "\nventrel-genregister: %s\n", qPrintable(error.message()));
        return 1;
    }
    std::fprintf(stderr, "done in %.1f s: %s\n", double(clock.elapsed()) / 1000.0, qPrintable(out));
    return 0;
}
