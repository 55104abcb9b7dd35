#pragma once

#include <functional>

// SIGINT and SIGTERM reach the Firebird client library first, which would shut the embedded
// engine down under the running program: every open attachment gone, uncommitted work lost, and
// the program left running without its database. This asks the library to hand such a signal
// to `requestEnd` instead and keep the engine running, so the program can end the ordinary way
// and commit. `requestEnd` runs on the library's own thread: it must only post work to the
// user-interface thread.
void routeTerminationSignals(std::function<void()> requestEnd);
