#pragma once

#include "app/commandline.h"

class QTextStream;

// "ventrel --report …": a report written to a new file from a script, without a window and
// without a display (the chart and the PDF are drawn off screen).
namespace reportcommand {

// Makes the report the options ask for on the register of `state` (a file on this computer, or
// the register on the practice's server, signed in) and writes it to their file, which must not
// exist yet; a failure is told on `err` in Russian. Returns the exit status.
int run(const commandline::ReportOptions &options, const StartupState &state, QTextStream &err);

// The whole run from main(): settles the register as start-up does, runs the report and ends the
// process with the exit status.
int runWithoutWindow(int argc, char **argv, const commandline::Request &request);

} // namespace reportcommand
