#pragma once

// The end of the process once the run's work is committed. The engine's own exit handlers shut
// it down after the program's; rarely (once in some hundred ends after a lost display) that
// shutdown spins for ever in the engine's trace plugin, and the process would never end. By
// then the work is committed and the settings are written, so nothing is lost when the process
// ends regardless.
namespace exitdeadline {

// How long the engine may take to shut down.
inline constexpr int kSeconds = 3;

// From now on the process ends at the latest `seconds` later, with `status`, whatever still
// runs: an ordinary end comes first and is not held up. Called from the exit handler that
// follows the commit of the run (programend.cpp).
void start(int status, int seconds = kSeconds);

} // namespace exitdeadline
