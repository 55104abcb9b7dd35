#include "data/terminationsignal.h"

#include "data/dberror.h"

#include <ibase.h>

namespace {

// What a shutdown callback answers: zero lets the engine shut down, anything else keeps it up.
constexpr int kGoAhead = 0;
constexpr int kRefuse = 1;

std::function<void()> &endRequest() {
    static std::function<void()> request;
    return request;
}

int confirmShutdown(const int reason, const int, void *) {
    if (reason != fb_shutrsn_signal || !endRequest())
        return kGoAhead;
    endRequest()();
    return kRefuse; // the program ends by itself and commits; the engine stays up until then
}

} // namespace

void routeTerminationSignals(std::function<void()> requestEnd) {
    const bool first = !endRequest();
    endRequest() = std::move(requestEnd);
    if (!first)
        return;
    ISC_STATUS_ARRAY status = {};
    fb_shutdown_callback(status, confirmShutdown, fb_shut_confirmation, nullptr);
    if (status[0] == 1 && status[1] != 0)
        throw DbError(QStringLiteral("Не удалось перехватить сигнал завершения программы."));
}
