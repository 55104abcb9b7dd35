#pragma once

#include <functional>

// SIGINT and SIGTERM reach the Firebird client library first, which would shut the embedded
// engine down under the running program: every open attachment gone, uncommitted work lost, and
// the program left running without its database. Once a program asks for them here, the two
// signals are taken from the library when the engine starts and handed to `requestEnd`, so the
// program ends the ordinary way and commits. `requestEnd` runs on a thread of its own: it must
// only post work to the user-interface thread. Programs that do not ask keep the library's way.
void routeTerminationSignals(std::function<void()> requestEnd);

// Called by the connection after each attachment: the library has set its signal handlers by
// then, and the program's own replace them, once.
void takeTerminationSignalsFromEngine();
