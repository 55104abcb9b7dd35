#include "delayproxy.h"

#include <QByteArray>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <list>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

namespace {

void setNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Small requests go out at once: the relay adds the delay it is asked for, and no more.
void setNoDelay(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

QString systemError(const char *what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

// What arrived from one side, waiting for its time to be passed to the other.
struct Piece {
    Clock::time_point due;
    QByteArray data;
    qsizetype written = 0;
};

// One direction of a connection.
struct Way {
    int from = -1, to = -1;
    std::deque<Piece> waiting;
    bool ended = false;    // the sending side closed its end
    bool shutDown = false; // and everything it sent has been passed on
    bool blocked = false;  // the receiving side takes no more for now
};

struct Link {
    Way up, down; // client to server, server to client
    bool awaitingAnswer = false;
    bool broken = false;
};

} // namespace

struct DelayProxy::Loop {
    int listener = -1;
    int wake = -1; // an eventfd that ends the wait of the loop
    sockaddr_storage target{};
    socklen_t targetLength = 0;
    std::list<Link> links;
    std::atomic<bool> stopping{false};

    ~Loop() {
        for (Link &link : links) {
            close(link.up.from);
            close(link.up.to);
        }
        if (listener >= 0)
            close(listener);
        if (wake >= 0)
            close(wake);
    }
};

DelayProxy::DelayProxy() = default;

DelayProxy::~DelayProxy() {
    stop();
}

bool DelayProxy::start(quint16 listenPort, const QString &targetHost, quint16 targetPort,
                       double oneWayDelayMs) {
    stop();
    setDelay(oneWayDelayMs);
    auto loop = std::make_unique<Loop>();

    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const QByteArray host = targetHost.toLocal8Bit();
    const QByteArray service = QByteArray::number(targetPort);
    if (const int failed = getaddrinfo(host.constData(), service.constData(), &hints, &found)) {
        m_error =
            QStringLiteral("%1: %2").arg(targetHost, QString::fromLocal8Bit(gai_strerror(failed)));
        return false;
    }
    std::memcpy(&loop->target, found->ai_addr, found->ai_addrlen);
    loop->targetLength = found->ai_addrlen;
    freeaddrinfo(found);

    loop->listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(loop->listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(listenPort);
    socklen_t length = sizeof address;
    if (loop->listener < 0 ||
        bind(loop->listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(loop->listener, 16) != 0 ||
        getsockname(loop->listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        m_error = systemError("cannot listen");
        return false;
    }
    setNonBlocking(loop->listener);
    loop->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (loop->wake < 0) {
        m_error = systemError("eventfd");
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_roundTrips = 0;
    m_loop = std::move(loop);
    m_thread = std::thread([this] { run(); });
    return true;
}

void DelayProxy::stop() {
    if (!m_loop)
        return;
    m_loop->stopping = true;
    const quint64 one = 1;
    // Should the wake-up fail, the loop still looks at `stopping` once a second.
    [[maybe_unused]] const ssize_t written = write(m_loop->wake, &one, sizeof one);
    m_thread.join();
    m_loop.reset();
}

void DelayProxy::setDelay(double oneWayDelayMs) {
    m_delayNs = qint64(oneWayDelayMs * 1e6);
}

void DelayProxy::run() {
    Loop &loop = *m_loop;
    // Each polled socket with its connection and way, and whether it is read or written.
    struct Polled {
        Link *link;
        Way *way;
        bool reads;
    };
    std::vector<pollfd> polled;
    std::vector<Polled> owners;
    char buffer[64 * 1024];
    while (!loop.stopping) {
        // What to wait for: the listener, data from each side that has not ended, room on a
        // side that took no more, and the next piece's time. The server's side of a connection
        // comes first, so that an answer is counted before a request that follows it in the
        // same turn.
        polled.assign({{loop.wake, POLLIN, 0}, {loop.listener, POLLIN, 0}});
        owners.assign(2, {nullptr, nullptr, false});
        auto next = Clock::now() + std::chrono::seconds(1);
        for (Link &link : loop.links) {
            for (Way *way : {&link.down, &link.up}) {
                if (!way->ended) {
                    polled.push_back({way->from, POLLIN, 0});
                    owners.push_back({&link, way, true});
                }
                if (way->blocked) {
                    polled.push_back({way->to, POLLOUT, 0});
                    owners.push_back({&link, way, false});
                } else if (!way->waiting.empty()) {
                    next = std::min(next, way->waiting.front().due);
                }
            }
        }
        const auto wait = std::max(next - Clock::now(), Clock::duration::zero());
        const timespec timeout{
            time_t(std::chrono::duration_cast<std::chrono::seconds>(wait).count()),
            long(std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count() %
                 1'000'000'000)};
        if (ppoll(polled.data(), polled.size(), &timeout, nullptr) < 0 && errno != EINTR)
            break;

        if (polled[1].revents & POLLIN) {
            const int client = accept4(loop.listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                const int server = socket(loop.target.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
                if (server >= 0 && ::connect(server, reinterpret_cast<sockaddr *>(&loop.target),
                                             loop.targetLength) == 0) {
                    for (int fd : {client, server}) {
                        setNonBlocking(fd);
                        setNoDelay(fd);
                    }
                    Link &link = loop.links.emplace_back();
                    link.up.from = link.down.to = client;
                    link.up.to = link.down.from = server;
                } else {
                    close(client);
                    if (server >= 0)
                        close(server);
                }
            }
        }

        // Take what arrived, each piece due a delay from now, and count the round trips.
        const auto due = Clock::now() + std::chrono::nanoseconds(m_delayNs.load());
        for (size_t i = 2; i < polled.size(); ++i) {
            const Polled &owner = owners[i];
            if (polled[i].revents == 0)
                continue;
            if (!owner.reads) {
                owner.way->blocked = false;
                continue;
            }
            const ssize_t length = read(owner.way->from, buffer, sizeof buffer);
            if (length < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (length <= 0) {
                owner.way->ended = true;
                continue;
            }
            owner.way->waiting.push_back({due, QByteArray(buffer, length)});
            if (owner.way == &owner.link->up) {
                owner.link->awaitingAnswer = true;
            } else if (owner.link->awaitingAnswer) {
                owner.link->awaitingAnswer = false;
                ++m_roundTrips;
            }
        }

        // Pass on what is due.
        for (Link &link : loop.links) {
            for (Way *way : {&link.up, &link.down}) {
                while (!way->blocked && !way->waiting.empty() &&
                       way->waiting.front().due <= Clock::now()) {
                    Piece &piece = way->waiting.front();
                    const ssize_t sent =
                        send(way->to, piece.data.constData() + piece.written,
                             size_t(piece.data.size() - piece.written), MSG_NOSIGNAL);
                    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                        way->blocked = true;
                    } else if (sent < 0) {
                        link.broken = true;
                        break;
                    } else if ((piece.written += sent) == piece.data.size()) {
                        way->waiting.pop_front();
                    }
                }
                if (way->ended && way->waiting.empty() && !way->shutDown) {
                    shutdown(way->to, SHUT_WR);
                    way->shutDown = true;
                }
            }
        }
        for (auto link = loop.links.begin(); link != loop.links.end();) {
            if (link->broken || (link->up.shutDown && link->down.shutDown)) {
                close(link->up.from);
                close(link->up.to);
                link = loop.links.erase(link);
            } else {
                ++link;
            }
        }
    }
}
