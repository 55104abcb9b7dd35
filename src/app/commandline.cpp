#include "app/commandline.h"

#include "app/databaselocation.h"
#include "app/folders.h"
#include "app/startup.h"
#include "reports/reportconfig.h"
#include "service/dailybackup.h"
#include "service/registerservices.h"
#include "support/fileversioninfo.h"
#include "support/programinfo.h"
#include "support/terminalpassword.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTextStream>

#include <array>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace commandline {

namespace {

// The program's long options. An option with an action starts that command; the others complete
// one: "--to" a restore or a report, the rest a report.
struct Option {
    const char *name;
    std::optional<Action> action;
    bool takesValue;
};
constexpr std::array kOptions = {
    Option{"backup", Action::Backup, true}, Option{"restore", Action::Restore, true},
    Option{"to", std::nullopt, true},       Option{"check", Action::Check, false},
    Option{"report", Action::Report, true}, Option{"from", std::nullopt, true},
    Option{"doctor", std::nullopt, true},   Option{"xlsx", std::nullopt, true},
    Option{"csv", std::nullopt, true},      Option{"pdf", std::nullopt, true},
    Option{"help", Action::Help, false},    Option{"version", Action::Version, false},
    Option{"server", std::nullopt, true},   Option{"user", std::nullopt, true},
};
// The options that name a report's file, one of which a report takes.
constexpr std::array kReportFormats = {"xlsx", "csv", "pdf"};

const Option *findOption(const QString &name) {
    for (const Option &option : kOptions) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

Request mistake(const QString &text) {
    Request request;
    request.error = text;
    return request;
}

// Checks the options of a report and fills them in; returns the mistake, or the empty text.
QString readReport(const QString &name, const QMap<QString, QString> &given,
                   ReportOptions &report) {
    const std::optional<reports::Kind> kind = reports::kindOfCommand(name);
    if (!kind) {
        return QStringLiteral("Нет отчёта «%1»: есть visits-by-doctor, diagnoses, patients и "
                              "journal.")
            .arg(name);
    }
    report.name = name;
    if (!given.contains(QStringLiteral("from")) || !given.contains(QStringLiteral("to")))
        return QStringLiteral("Для --report укажите период: --from ДД.ММ.ГГГГ --to ДД.ММ.ГГГГ.");
    for (const auto &[option, day] : {std::pair{"from", &report.first}, {"to", &report.last}}) {
        const QString text = given.value(QLatin1String(option));
        *day = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
        if (!day->isValid())
            return QStringLiteral("Дата «%1» в --%2 не в виде ДД.ММ.ГГГГ.")
                .arg(text, QLatin1String(option));
    }
    if (report.first > report.last)
        return QStringLiteral("Начало периода позже его конца.");
    report.doctor = given.value(QStringLiteral("doctor")).trimmed();
    if (given.contains(QStringLiteral("doctor")) && !reports::config(*kind).byDoctor)
        return QStringLiteral("Отчёт %1 составляется по всем врачам: --doctor к нему не относится.")
            .arg(name);
    for (const char *format : kReportFormats) {
        if (!given.contains(QLatin1String(format)))
            continue;
        if (!report.format.isEmpty())
            return QStringLiteral("Отчёт пишется в один файл: --xlsx, --csv или --pdf.");
        report.format = QLatin1String(format);
        report.file = given.value(QLatin1String(format));
    }
    if (report.format.isEmpty())
        return QStringLiteral("Для --report укажите файл: --xlsx ФАЙЛ, --csv ФАЙЛ или --pdf ФАЙЛ.");
    return QString();
}

QString absolute(const QString &path) {
    return QFileInfo(path).absoluteFilePath();
}

int fail(QTextStream &err, const registerfile::Failure &failure, const QString &registerFile) {
    if (failure.openElsewhere()) {
        err << QStringLiteral("База %1 открыта работающей программой Вентрель. Закройте "
                              "программу и повторите; ничего не изменено.")
                   .arg(registerFile)
            << Qt::endl;
    } else {
        err << failure.message() << Qt::endl;
        if (!failure.detail().isEmpty())
            err << failure.detail() << Qt::endl;
    }
    return Failed;
}

} // namespace

QStringList argumentsOf(int argc, char **argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

Request parse(const QStringList &arguments) {
    Request request;
    QString stray; // the first argument that is neither an option of the program nor a value
    QMap<QString, QString> given; // the options that complete a command, with their values
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            if (stray.isEmpty())
                stray = argument;
            continue;
        }
        const qsizetype equals = argument.indexOf(u'=');
        const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
        const Option *option = findOption(name);
        if (!option)
            return mistake(QStringLiteral("Непонятный параметр: %1").arg(argument));
        QString value;
        if (option->takesValue) {
            if (equals >= 0)
                value = argument.mid(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            if (value.isEmpty()) {
                const bool names = QStringList{QStringLiteral("backup"), QStringLiteral("restore"),
                                               QStringLiteral("xlsx"), QStringLiteral("csv"),
                                               QStringLiteral("pdf")}
                                       .contains(name);
                return mistake(QStringLiteral("Параметру --%1 нужно %2.")
                                   .arg(name, names ? QStringLiteral("имя файла")
                                                    : QStringLiteral("значение")));
            }
        } else if (equals >= 0) {
            return mistake(QStringLiteral("Параметр --%1 не принимает значения.").arg(name));
        }
        if (name == QLatin1String("server") || name == QLatin1String("user")) {
            (name == QLatin1String("server") ? request.server.server : request.server.user) = value;
            continue;
        }
        if (!option->action) {
            given.insert(name, value);
            continue;
        }
        if (request.action != Action::Window)
            return mistake(QStringLiteral("Можно дать только одну команду за раз."));
        request.action = *option->action;
        request.file = value;
    }
    if (request.action == Action::Window && given.isEmpty())
        return request; // the window's own arguments
    if (!stray.isEmpty())
        return mistake(QStringLiteral("Непонятный параметр: %1").arg(stray));
    if (request.action == Action::Report) {
        const QString error = readReport(request.file, given, request.report);
        return error.isEmpty() ? request : mistake(error);
    }
    for (auto option = given.cbegin(); option != given.cend(); ++option) {
        if (option.key() == QLatin1String("to") && request.action == Action::Restore)
            continue;
        if (option.key() == QLatin1String("to"))
            return mistake(QStringLiteral("Параметр --to нужен только для --restore и --report."));
        return mistake(
            QStringLiteral("Параметр --%1 нужен только для --report.").arg(option.key()));
    }
    if (request.action == Action::Restore && !given.contains(QStringLiteral("to")))
        return mistake(QStringLiteral("Для --restore укажите новый файл базы: --to ФАЙЛ."));
    request.target = given.value(QStringLiteral("to"));
    return request;
}

QString usage() {
    return QStringLiteral(
        "Использование:\n"
        "  ventrel [/view]                          окно программы; /view — режим просмотра:\n"
        "                                           двойной щелчок открывает карту для чтения\n"
        "  ventrel --backup ФАЙЛ                    резервная копия базы в ФАЙЛ\n"
        "  ventrel --restore КОПИЯ --to НОВЫЙ_ФАЙЛ  восстановить базу из КОПИИ в новый файл\n"
        "  ventrel --check                          проверить базу на повреждения\n"
        "  ventrel --report ОТЧЁТ --from ДД.ММ.ГГГГ --to ДД.ММ.ГГГГ [--doctor \"ВРАЧ\"]\n"
        "          --xlsx ФАЙЛ | --csv ФАЙЛ | --pdf ФАЙЛ\n"
        "                                           отчёт за период в новый файл; ОТЧЁТ —\n"
        "                                           visits-by-doctor (приёмы по врачам),\n"
        "                                           diagnoses (диагнозы), patients (пациенты\n"
        "                                           за период) или journal (журнал приёма)\n"
        "  ventrel ... --server СЕРВЕР[/ПОРТ][:БАЗА] [--user ИМЯ]\n"
        "                                           с окном и с любой командой: база на\n"
        "                                           сервере практики; пароль берётся из\n"
        "                                           переменной ISC_PASSWORD или спрашивается\n"
        "                                           в терминале; --backup пишет копию в файл\n"
        "                                           на сервере (полный путь на сервере)\n"
        "  ventrel --help                           эта справка\n"
        "  ventrel --version                        версия программы\n"
        "Код завершения: 0 — успешно, 1 — не удалось, 2 — ошибка в параметрах.\n");
}

QString help(const QString &programFolder, const QString &userAppData,
             const QString &commonAppData) {
    const QString dataFolder = folders::dataFolderPath(programFolder, userAppData);
    const QString ownDatabase = dataFolder + database::kFileName;
    const QString indent = QStringLiteral("\n                    ");
    QString text = program::kProductName +
                   QStringLiteral(" — картотека амбулаторных пациентов.\n\n") + usage() +
                   QStringLiteral("\nФайлы:\n  Настройки:        ") + dataFolder +
                   folders::kSettingsFileName + QStringLiteral("\n  База:             ");
    if (commonAppData.isEmpty()) {
        text += ownDatabase;
    } else {
        text += commonAppData + folders::kProgramSubfolder + u'/' + database::kFileName +
                QStringLiteral(" — общая для пользователей группы ventrel,") + indent +
                QStringLiteral("если папка есть и в неё можно писать;") + indent +
                QStringLiteral("иначе ") + ownDatabase;
    }
    const QString templateFile = database::templateFile(programFolder);
    return text + indent +
           QStringLiteral("(другую папку задаёт PathBase в разделе [Main] файла настроек)") +
           QStringLiteral("\n  Резервные копии:  ") + dailybackup::folderFor(dataFolder) +
           QStringLiteral("\n  Пустая база:      ") +
           (templateFile.isEmpty() ? QStringLiteral("не найдена") : templateFile) + u'\n';
}

QString version() {
    return program::kProductName + u' ' + ProgramFileVersion() + u'\n';
}

namespace {

// Runs a check and tells its findings: errors with the engine's lines on `err` (a failure),
// warnings alone on `out`, nothing when the register is sound.
int check(QTextStream &out, QTextStream &err,
          const std::function<ValidationFindings(const engine::LineSink &)> &validate) {
    QStringList lines;
    const ValidationFindings findings = validate([&](const QString &line) { lines << line; });
    if (findings.errors() > 0) {
        err << validationReport(findings) << Qt::endl << lines.join(u'\n') << Qt::endl;
        return Failed;
    }
    if (findings.warnings() > 0)
        out << validationReport(findings) << Qt::endl;
    return Success;
}

// The backup and the check of the register on the practice's server, through its service
// manager: the server writes the backup, to a path of its own.
int runOnServer(const Request &request, const StartupState &state, QTextStream &out,
                QTextStream &err) {
    const engine::Manager manager =
        engine::Manager::ofServer(*state.server, state.user, state.password);
    const QString alias = state.server->alias;
    if (request.action == Action::Check) {
        return check(out, err, [&](const engine::LineSink &onLine) {
            return registerfile::checkOnServer(manager, alias, onLine);
        });
    }
    if (!QDir::isAbsolutePath(request.file)) {
        err << QStringLiteral("Резервную копию базы на сервере пишет сервер: укажите полный путь "
                              "файла на сервере, например /var/lib/ventrel-server/backups/"
                              "ventrel.fbk.")
            << Qt::endl;
        return UsageError;
    }
    registerfile::backupOnServer(manager, alias, request.file, {});
    return Success;
}

} // namespace

int run(const Request &request, const StartupState &state, QTextStream &out, QTextStream &err) {
    const QString &registerFile = state.databaseFile;
    try {
        switch (request.action) {
        case Action::Window:
        case Action::Report:
        case Action::Help:
        case Action::Version:
            return UsageError;
        case Action::Backup:
            if (state.server)
                return runOnServer(request, state, out, err);
            registerfile::backup(registerFile, absolute(request.file), {});
            return Success;
        case Action::Restore: {
            const registerfile::Restored restored =
                registerfile::restoreAs(absolute(request.file), absolute(request.target), {});
            out << QStringLiteral("База восстановлена в файл %1: пациентов %2, приёмов %3.")
                       .arg(restored.file)
                       .arg(restored.counts.patients)
                       .arg(restored.counts.visits)
                << Qt::endl;
            return Success;
        }
        case Action::Check: {
            if (state.server)
                return runOnServer(request, state, out, err);
            return check(out, err, [&](const engine::LineSink &onLine) {
                return registerfile::check(registerFile, onLine);
            });
        }
        }
    } catch (const registerfile::Failure &failure) {
        return fail(err, failure, registerFile);
    } catch (const DbError &error) {
        err << error.message() << Qt::endl;
        return Failed;
    }
    return Failed;
}

namespace {

int runRequest(const Request &request, QTextStream &out, QTextStream &err) {
    if (!request.error.isEmpty()) {
        err << request.error << Qt::endl << usage();
        return UsageError;
    }
    // The usage and the version touch no folder and no database.
    if (request.action == Action::Help) {
        out << help(folders::programFolderFor(QCoreApplication::applicationDirPath()),
                    folders::userAppDataLocation(), folders::commonAppDataFolder());
        return Success;
    }
    if (request.action == Action::Version) {
        out << version();
        return Success;
    }
    StartupState state;
    if (!settleRegister(err, request.server, &state, request.action == Action::Restore))
        return Failed;
    return run(request, state, out, err);
}

} // namespace

bool settleRegister(QTextStream &err, const ServerChoice &choice, StartupState *state,
                    bool needsNoRegister) {
    // A restore into a new file needs no register, on this computer or on a server.
    ServerChoice where = choice;
    where.local = where.local || needsNoRegister;
    const StartupResult start =
        settleStartup(QCoreApplication::applicationDirPath(), QCoreApplication::arguments(),
                      folders::userAppDataFolder, folders::commonAppDataFolder, where);
    if (!start.failure.isEmpty()) {
        err << QString(start.failure).replace(u'\r', u'\n') << Qt::endl;
        return false;
    }
    // The other commands never make a register in place of one that is gone.
    if (!start.missingRegister.isEmpty() && !needsNoRegister) {
        err << database::missingMessage(start.missingRegister) << Qt::endl
            << QStringLiteral("Запустите программу, чтобы восстановить базу из резервной копии "
                              "или создать новую; ничего не изменено.")
            << Qt::endl;
        return false;
    }
    *state = start.state;
    if (state->server) {
        const std::optional<QString> password =
            terminalpassword::read(state->user, state->server->server(), err);
        if (!password)
            return false;
        state->password = *password;
    }
    return true;
}

int runWithoutWindow(int argc, char **argv, const Request &request) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = runRequest(request, out, err);
    out.flush();
    err.flush();
    std::fflush(nullptr);
    // After a failed service the engine may still be tidying up on a thread of its own, and
    // unloading it at the end of the process would crash under that thread. Everything the
    // command wrote is on disk by now, so the process ends without unloading anything.
    ::_exit(status);
}

} // namespace commandline
