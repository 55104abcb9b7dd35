#include "data/programend.h"

#include "data/exitdeadline.h"

#include <QObject>
#include <QSocketNotifier>

#include <ibase.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// What a shutdown callback answers: zero lets the engine shut down, anything else keeps it up.
constexpr int kGoAhead = 0;
constexpr int kRefuse = 1;

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may do next to nothing: it writes a byte into this pipe, and the event loop
// of the user-interface thread reads it. Both ends stay open until the process ends, so a
// signal that comes at any moment finds them.
int signalPipe[2] = {-1, -1};
bool routed = false;

std::function<void()> &endAtExit() {
    static std::function<void()> end;
    return end;
}

void tellTheEventLoop() {
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void onTerminationSignal(int) {
    tellTheEventLoop();
}

void installSignalHandlers() {
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

// Should the library's own handler still see a signal, the engine is kept up all the same and
// the program is asked to end instead.
int confirmShutdown(const int reason, const int, void *) {
    if (reason != fb_shutrsn_signal || !routed)
        return kGoAhead;
    tellTheEventLoop();
    return kRefuse;
}

void runEndAtExit(int status, void *) {
    // Taken out first: whatever happens inside, it runs once.
    if (const std::function<void()> end = std::exchange(endAtExit(), {}))
        end();
    // The work is committed: the engine's own exit handlers, which come next, get a deadline.
    exitdeadline::start(status);
}

} // namespace

void routeProgramEnd(QObject *context, std::function<void()> requestEnd) {
    if (!routed) {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return; // the library's handling stays
        routed = true;
        ISC_STATUS_ARRAY status = {};
        fb_shutdown_callback(status, confirmShutdown, fb_shut_confirmation, nullptr);
    }
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [request = std::move(requestEnd)] {
                         char bytes[64];
                         while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
                         }
                         request();
                     });
    installSignalHandlers();
}

void setEndAtExit(std::function<void()> end) {
    endAtExit() = std::move(end);
}

void takeTheEndFromEngine() {
    static bool taken = false;
    if (taken || !routed)
        return;
    taken = true;
    installSignalHandlers();
    // Exit handlers run newest first: this one, set after the engine's, runs before them.
    ::on_exit(runEndAtExit, nullptr);
}
