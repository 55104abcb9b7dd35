#pragma once

#include "app/startup.h"

#include <QDate>
#include <QString>
#include <QStringList>

class QTextStream;

// The commands that run without a window: the administrator's backup, restore and check of the
// register and the reports, for scripts and timers, and the usage and the version for a terminal.
// Without one of them the program starts its window, and the window looks at the arguments itself
// (the view-mode switch).
namespace commandline {

enum class Action { Window, Backup, Restore, Check, Report, Help, Version };

// --report NAME --from DD.MM.YYYY --to DD.MM.YYYY [--doctor NAME] --xlsx|--csv|--pdf FILE
struct ReportOptions {
    QString name; // visits-by-doctor, diagnoses, patients or journal
    QDate first, last;
    QString doctor; // empty: every doctor
    QString format; // xlsx, csv or pdf
    QString file;
};

struct Request {
    Action action = Action::Window;
    QString file;   // --backup: the backup to write; --restore: the backup to read
    QString target; // --to: the new register file a restore makes
    QString error;  // a mistake in the arguments, told before the usage
    ReportOptions report;
    // --server HOST[/PORT][:ALIAS] and --user NAME: the register on the practice's server, for
    // this run; with any command and with the window.
    ServerChoice server;
};

// Exit statuses of the administrator's commands.
enum ExitStatus { Success = 0, Failed = 1, UsageError = 2 };

// The arguments as main() gets them, before any application object exists.
QStringList argumentsOf(int argc, char **argv);

// Reads the arguments, the program's name first. "--backup FILE" and "--backup=FILE" are the
// same. A long option ("--name") that is not the program's is always a mistake. Any other
// argument is a mistake only beside a command; without one it is left to the window, and Qt's
// own options, written with one dash ("-platform xcb"), to Qt.
Request parse(const QStringList &arguments);

// The lines that tell how to call the program.
QString usage();

// What --help prints: the usage and where the files of a run are kept. `programFolder` is the
// executable's folder, `userAppData` and `commonAppData` the special folders (folders.h); none
// of them is created or changed.
QString help(const QString &programFolder, const QString &userAppData,
             const QString &commonAppData);

// What --version prints: the program's name and version.
QString version();

// Settles the register a command without a window works on, as start-up settles it (the first
// run makes it from the template), into `state`: a file on this computer, or the register on the
// practice's server (--server, or the settings) with the user's password (terminalpassword.h).
// False, with the reason on `err`, when there is none, or when the register the user worked with
// is gone — unless the command `needsNoRegister` (a restore into a new file).
bool settleRegister(QTextStream &err, const ServerChoice &choice, StartupState *state,
                    bool needsNoRegister = false);

// Runs an administrator's request on the register of `state` without a window: results go to
// `out`, failures to `err`. Returns the exit status. On the practice's server the backup is
// written by the server, to a file of the server's, and the check runs there; only the server's
// administrators may run them. A restore makes a new file on this computer either way. A report
// is run by the program's report command (app/reportcommand.h), which draws its PDF and
// charts with the windows' library.
int run(const Request &request, const StartupState &state, QTextStream &out, QTextStream &err);

// The whole run of a command without a window from main(): prints the usage or the version, or
// settles the register as start-up does and runs the administrator's request. Ends the process
// with the exit status.
int runWithoutWindow(int argc, char **argv, const Request &request);

} // namespace commandline
