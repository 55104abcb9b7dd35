#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The administrator's commands: a backup, a restore and a check of the register without a
// window, for scripts and timers. Without one of them the program starts its window, and the
// window looks at the arguments itself (the view-mode switch).
namespace commandline {

enum class Action { Window, Backup, Restore, Check };

struct Request {
    Action action = Action::Window;
    QString file;   // --backup: the backup to write; --restore: the backup to read
    QString target; // --to: the new register file a restore makes
    QString error;  // a mistake in the arguments, told before the usage
};

// Exit statuses of the administrator's commands.
enum ExitStatus { Success = 0, Failed = 1, UsageError = 2 };

// The arguments as main() gets them, before any application object exists.
QStringList argumentsOf(int argc, char **argv);

// Reads the arguments, the program's name first. "--backup FILE" and "--backup=FILE" are the
// same. An option that is not the program's is a mistake only beside an administrator's
// command; without one it is left to the window.
Request parse(const QStringList &arguments);

// The lines that tell how to call the administrator's commands.
QString usage();

// Runs an administrator's request on `registerFile` without a window: results go to `out`,
// failures to `err`. Returns the exit status.
int run(const Request &request, const QString &registerFile, QTextStream &out, QTextStream &err);

// The whole run of an administrator's command from main(): settles the register as start-up
// does and runs the request. Returns the exit status.
int runWithoutWindow(int argc, char **argv, const Request &request);

} // namespace commandline
