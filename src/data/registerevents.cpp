#include "data/registerevents.h"

#include "data/connection.h"
#include "data/dberror.h"
#include "data/fbapi.h"
#include "data/registerschema.h"

#include <ibase.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <cstring>
#include <functional>
#include <vector>

using namespace Firebird;

namespace {

constexpr unsigned short kEventCount = 3;

// The engine's call on its own thread: the news is copied and handed to the listener's thread.
// The engine keeps its own references to the callback and may call it, or drop it, after the
// listener stopped (a lost connection lets go of its events only when the attachment goes), so
// the callback lives until the last reference is released, and the news names the listening it
// belongs to.
class Callback : public IEventCallbackImpl<Callback, ThrowStatusWrapper> {
public:
    using Deliver = std::function<void(std::vector<unsigned char>)>;

    explicit Callback(Deliver deliver) : m_deliver(std::move(deliver)) {}

    void addRef() override { ++m_references; }
    int release() override {
        const int left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

    void eventCallbackFunction(unsigned length, const unsigned char *events) override {
        std::vector<unsigned char> copy(events, events + length);
        // The application as the receiver: the listener may be going away on its own thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [deliver = m_deliver, copy = std::move(copy)]() mutable { deliver(std::move(copy)); },
            Qt::QueuedConnection);
    }

private:
    const Deliver m_deliver;
    std::atomic<int> m_references{1};
};

std::atomic<quint64> lastListening{0};

} // namespace

struct RegisterEvents::Listening {
    const quint64 id = ++lastListening;
    Connection *connection = nullptr;
    unsigned char *eventBlock = nullptr;
    unsigned char *resultBlock = nullptr;
    long length = 0;
    Callback *callback = nullptr; // this listening's reference
    IEvents *events = nullptr;
    // The first news tells the counts so far, not a change: it only sets the starting point.
    bool primed = false;

    ~Listening() {
        if (events) {
            try {
                fb::call([&](ThrowStatusWrapper *status) { events->cancel(status); });
            } catch (const DbError &) {
                // A lost connection takes its events with it.
            }
            fb::release(events);
        }
        fb::release(callback);
        isc_free(reinterpret_cast<char *>(eventBlock));
        isc_free(reinterpret_cast<char *>(resultBlock));
    }
};

RegisterEvents::RegisterEvents(QObject *parent) : QObject(parent) {}

RegisterEvents::~RegisterEvents() = default;

void RegisterEvents::listen(Connection &connection) {
    stop();
    auto listening = std::make_unique<Listening>();
    listening->connection = &connection;
    listening->length = isc_event_block(&listening->eventBlock, &listening->resultBlock,
                                        kEventCount, registerschema::kPatientsEvent,
                                        registerschema::kVisitsEvent, registerschema::kBooksEvent);
    listening->callback =
        new Callback([self = QPointer(this), id = listening->id](std::vector<unsigned char> news) {
            if (self)
                self->arrived(id, news);
        });
    m_listening = std::move(listening);
    queue();
}

void RegisterEvents::stop() {
    m_listening.reset();
}

bool RegisterEvents::isListening() const {
    return m_listening && m_listening->events;
}

void RegisterEvents::queue() {
    Listening &listening = *m_listening;
    fb::release(listening.events);
    listening.events = fb::call([&](ThrowStatusWrapper *status) {
        return listening.connection->attachment()->queEvents(
            status, listening.callback, unsigned(listening.length), listening.eventBlock);
    });
}

void RegisterEvents::arrived(quint64 listening, const std::vector<unsigned char> &news) {
    // No news at all comes when the engine lets go of an earlier queueing, or of a connection
    // that is gone; whoever uses the connection next finds out about that.
    if (!m_listening || m_listening->id != listening || news.empty())
        return;
    std::memcpy(m_listening->resultBlock, news.data(),
                std::min<size_t>(news.size(), size_t(m_listening->length)));
    ISC_ULONG counts[kEventCount] = {};
    isc_event_counts(counts, short(m_listening->length), m_listening->eventBlock,
                     m_listening->resultBlock);
    Kinds kinds;
    if (counts[0])
        kinds |= Patients;
    if (counts[1])
        kinds |= Visits;
    if (counts[2])
        kinds |= Books;
    const bool first = !std::exchange(m_listening->primed, true);
    try {
        queue(); // the engine calls once per queueing
    } catch (const DbError &) {
        m_listening.reset(); // the connection is gone: whoever uses it finds out
        return;
    }
    if (!first && kinds)
        Q_EMIT changed(kinds);
}
