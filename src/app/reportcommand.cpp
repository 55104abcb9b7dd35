#include "app/reportcommand.h"

#include "app/openfailure.h"
#include "app/signinfailure.h"
#include "data/connection.h"
#include "data/dberror.h"
#include "reports/exportfile.h"
#include "reports/reportprint.h"
#include "reports/reportreader.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

using commandline::ReportOptions;
using namespace reports;

namespace reportcommand {

namespace {

// The doctor a name on the command line means: one of the book's, letter case and spaces
// around aside. None, or more than one, is a mistake the script is told of.
QString findDoctor(Connection &connection, const QString &name, Parameters &parameters) {
    QList<Doctor> found;
    for (const Doctor &doctor : readDoctors(connection)) {
        if (doctor.name.trimmed().compare(name, Qt::CaseInsensitive) == 0)
            found << doctor;
    }
    if (found.isEmpty())
        return QStringLiteral("Врача «%1» нет в справочнике.").arg(name);
    if (found.size() > 1)
        return QStringLiteral("В справочнике %1 врача с именем «%2»; отчёт не составлен.")
            .arg(found.size())
            .arg(name);
    parameters.doctor = found.constFirst().id;
    parameters.doctorName = found.constFirst().name;
    return QString();
}

Format formatOf(const QString &name) {
    if (name == QLatin1String("pdf"))
        return Format::Pdf;
    return name == QLatin1String("xlsx") ? Format::Xlsx : Format::Csv;
}

} // namespace

int run(const ReportOptions &options, const StartupState &state, QTextStream &err) {
    const QString file = QFileInfo(options.file).absoluteFilePath();
    const QString notWritten = QStringLiteral("Отчёт не записан в файл %1: ").arg(file);
    if (QFileInfo::exists(file) || QFileInfo(file).isSymLink()) {
        err << notWritten << QStringLiteral("такой файл уже есть.") << Qt::endl;
        return commandline::Failed;
    }
    Parameters parameters;
    parameters.kind = *kindOfCommand(options.name);
    parameters.first = options.first;
    parameters.last = options.last;
    Connection connection;
    try {
        connection.open(state.target());
    } catch (const DbError &error) {
        if (state.server) {
            err << signinfailure::message(*state.server, error) << Qt::endl;
            return commandline::Failed;
        }
        err << openfailure::message(state.databaseFile, error) << Qt::endl;
        const QString detail = openfailure::detail(error);
        if (!detail.isEmpty())
            err << detail << Qt::endl;
        return commandline::Failed;
    }
    Table table;
    QString failure;
    try {
        if (!options.doctor.isEmpty())
            failure = findDoctor(connection, options.doctor, parameters);
        if (failure.isEmpty())
            table = read(connection, parameters);
        connection.close();
    } catch (const DbError &error) {
        failure = error.message();
    }
    if (!failure.isEmpty()) {
        err << failure << Qt::endl;
        return commandline::Failed;
    }
    const Format format = formatOf(options.format);
    failure = format == Format::Pdf ? writeReportPdf(parameters.kind, table, file, Existing::Keep)
                                    : writeTable(table, format, file, Existing::Keep);
    if (!failure.isEmpty()) {
        err << notWritten << failure << Qt::endl;
        return commandline::Failed;
    }
    return commandline::Success;
}

int runWithoutWindow(int argc, char **argv, const commandline::Request &request) {
    // Nothing is shown: the chart and the PDF are drawn on the off-screen platform, which needs
    // no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Standard error carries the program's own message and nothing else, so that a script, or
    // cron mailing what a job says, hears only of a failure: Qt's notes about the session a
    // script runs in (no XDG_RUNTIME_DIR under cron) are not passed on.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTextStream err(stderr);
    StartupState state;
    const int status = commandline::settleRegister(err, request.server, &state)
                           ? run(request.report, state, err)
                           : int(commandline::Failed);
    err.flush();
    std::fflush(nullptr);
    // As after the administrator's commands: the engine is not unloaded under its own threads.
    ::_exit(status);
}

} // namespace reportcommand
