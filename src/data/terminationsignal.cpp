#include "data/terminationsignal.h"

#include <ibase.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

// What a shutdown callback answers: zero lets the engine shut down, anything else keeps it up.
constexpr int kGoAhead = 0;
constexpr int kRefuse = 1;

std::function<void()> &endRequest() {
    static std::function<void()> request;
    return request;
}

// The signal handler only writes a byte here; a thread of its own reads it and asks for the end.
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void passSignalsOn() {
    for (;;) {
        char byte = 0;
        const ssize_t got = ::read(signalPipe[0], &byte, 1);
        if (got == 1 && endRequest())
            endRequest()();
        else if (got < 0 && errno != EINTR)
            return;
    }
}

// Should the library's own handler still see a signal, the engine is kept up all the same.
int confirmShutdown(const int reason, const int, void *) {
    if (reason != fb_shutrsn_signal || !endRequest())
        return kGoAhead;
    endRequest()();
    return kRefuse;
}

} // namespace

void routeTerminationSignals(std::function<void()> requestEnd) {
    const bool first = !endRequest();
    endRequest() = std::move(requestEnd);
    if (first) {
        ISC_STATUS_ARRAY status = {};
        fb_shutdown_callback(status, confirmShutdown, fb_shut_confirmation, nullptr);
    }
}

void takeTerminationSignalsFromEngine() {
    static bool taken = false;
    if (taken || !endRequest())
        return;
    if (::pipe2(signalPipe, O_CLOEXEC) != 0)
        return; // the library's handling stays, with the shutdown refused above
    taken = true;
    std::thread(passSignalsOn).detach();
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
