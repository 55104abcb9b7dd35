#pragma once

#include <functional>

class QObject;

// However the program is ended, the run's work is committed: the program asks here once, and
//
// - SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, the end of the terminal or of the session) run
//   `requestEnd` on the user-interface thread through its event loop, so the program can end
//   the ordinary way. The signals reach the Firebird client library first, which would shut the
//   embedded engine down under the running program; they are taken back from it when the
//   engine starts (takeTheEndFromEngine). `requestEnd` runs only while `context` lives: a signal
//   that comes later, while the program is already ending, runs nothing.
// - an end by exit() from inside the run (Qt's X plugin ends the process so when the connection
//   to the X server breaks) runs `endAtExit` before the engine's own exit handlers, while the
//   engine can still commit.
//
// Programs that do not ask keep the library's way.
void routeProgramEnd(QObject *context, std::function<void()> requestEnd);

// What an end by exit() does; an empty function, once the program has ended its run the
// ordinary way, does nothing more.
void setEndAtExit(std::function<void()> endAtExit);

// Called by the connection after each attachment: the library has set its signal handlers and
// exit handlers by then, and the program's own take precedence, once.
void takeTheEndFromEngine();
