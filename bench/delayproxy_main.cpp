// Relays connections to a server with a network's delay and counts their round trips:
//     ventrel-delayproxy LISTEN_PORT HOST:PORT ONE_WAY_DELAY_MS
// Each line typed on its standard input prints the round trips counted since the line before;
// the end of the input ends it.

#include "delayproxy.h"

#include <QString>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char **argv) {
    const QString target = argc == 4 ? QString::fromLocal8Bit(argv[2]) : QString();
    const qsizetype colon = target.lastIndexOf(u':');
    bool portOk = false, targetOk = false, delayOk = false;
    const uint listenPort = argc == 4 ? QString::fromLocal8Bit(argv[1]).toUInt(&portOk) : 0;
    const uint targetPort = colon > 0 ? target.mid(colon + 1).toUInt(&targetOk) : 0;
    const double delay = argc == 4 ? QString::fromLocal8Bit(argv[3]).toDouble(&delayOk) : 0;
    if (!portOk || !targetOk || !delayOk || listenPort > 65535 || targetPort > 65535) {
        std::fprintf(stderr, "usage: ventrel-delayproxy LISTEN_PORT HOST:PORT ONE_WAY_DELAY_MS\n");
        return 2;
    }
    DelayProxy proxy;
    if (!proxy.start(quint16(listenPort), target.left(colon), quint16(targetPort), delay)) {
        std::fprintf(stderr, "ventrel-delayproxy: %s\n", qPrintable(proxy.errorString()));
        return 1;
    }
    std::fprintf(stderr, "relaying 127.0.0.1:%u to %s, %g ms each way; Enter counts\n",
                 unsigned(proxy.port()), qPrintable(target), delay);
    for (std::string line; std::getline(std::cin, line);) {
        std::printf("round trips: %lld\n", static_cast<long long>(proxy.roundTrips()));
        std::fflush(stdout);
        proxy.reset();
    }
    return 0;
}
