#include "app/commandline.h"

#include "app/databaselocation.h"
#include "app/folders.h"
#include "app/startup.h"
#include "service/dailybackup.h"
#include "service/registerservices.h"
#include "support/fileversioninfo.h"
#include "support/programinfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <array>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace commandline {

namespace {

// The program's long options. An option with an action starts that command; "--to" only
// completes a restore.
struct Option {
    const char *name;
    std::optional<Action> action;
    bool takesValue;
};
constexpr std::array kOptions = {
    Option{"backup", Action::Backup, true}, Option{"restore", Action::Restore, true},
    Option{"to", std::nullopt, true},       Option{"check", Action::Check, false},
    Option{"help", Action::Help, false},    Option{"version", Action::Version, false},
};

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
    bool targetGiven = false;
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
            if (value.isEmpty())
                return mistake(QStringLiteral("Параметру --%1 нужно имя файла.").arg(name));
        } else if (equals >= 0) {
            return mistake(QStringLiteral("Параметр --%1 не принимает значения.").arg(name));
        }
        if (!option->action) {
            request.target = value;
            targetGiven = true;
            continue;
        }
        if (request.action != Action::Window)
            return mistake(QStringLiteral("Можно дать только одну команду за раз."));
        request.action = *option->action;
        request.file = value;
    }
    if (request.action == Action::Window && !targetGiven)
        return request; // the window's own arguments
    if (!stray.isEmpty())
        return mistake(QStringLiteral("Непонятный параметр: %1").arg(stray));
    if (targetGiven && request.action != Action::Restore)
        return mistake(QStringLiteral("Параметр --to нужен только для --restore."));
    if (request.action == Action::Restore && !targetGiven) {
        return mistake(QStringLiteral("Для --restore укажите новый файл базы: --to ФАЙЛ."));
    }
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

int run(const Request &request, const QString &registerFile, QTextStream &out, QTextStream &err) {
    try {
        switch (request.action) {
        case Action::Window:
        case Action::Help:
        case Action::Version:
            return UsageError;
        case Action::Backup:
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
            QStringList lines;
            const ValidationFindings findings =
                registerfile::check(registerFile, [&](const QString &line) { lines << line; });
            if (findings.errors() > 0) {
                err << validationReport(findings) << Qt::endl << lines.join(u'\n') << Qt::endl;
                return Failed;
            }
            if (findings.warnings() > 0)
                out << validationReport(findings) << Qt::endl;
            return Success;
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
    const StartupResult start =
        settleStartup(QCoreApplication::applicationDirPath(), QCoreApplication::arguments(),
                      folders::userAppDataFolder, folders::commonAppDataFolder);
    if (!start.failure.isEmpty()) {
        err << QString(start.failure).replace(u'\r', u'\n') << Qt::endl;
        return Failed;
    }
    // A restore into a new file needs no register; the other commands never make one in place
    // of a register that is gone.
    if (!start.missingRegister.isEmpty() && request.action != Action::Restore) {
        err << database::missingMessage(start.missingRegister) << Qt::endl
            << QStringLiteral("Запустите программу, чтобы восстановить базу из резервной копии "
                              "или создать новую; ничего не изменено.")
            << Qt::endl;
        return Failed;
    }
    return run(request, start.state.databaseFile, out, err);
}

} // namespace

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
