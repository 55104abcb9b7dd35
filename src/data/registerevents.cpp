#include "data/registerevents.h"

#include "data/connection.h"
#include "data/dberror.h"
#include "data/fbapi.h"

#include <ibase.h>

#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <cstring>
#include <vector>

using namespace Firebird;

namespace {

constexpr unsigned short kEventCount = 3;

// The engine's call on its own thread: the news is copied and handed to the listener's thread.
class Callback : public IEventCallbackImpl<Callback, ThrowStatusWrapper> {
public:
    Callback(RegisterEvents *owner, std::function<void(const unsigned char *, unsigned)> arrived)
        : m_owner(owner), m_arrived(std::move(arrived)) {}

    void addRef() override { ++m_references; }
    int release() override { return --m_references; }

    void eventCallbackFunction(unsigned length, const unsigned char *events) override {
        std::vector<unsigned char> copy(events, events + length);
        QMetaObject::invokeMethod(
            m_owner,
            [arrived = m_arrived, copy = std::move(copy)] {
                arrived(copy.data(), unsigned(copy.size()));
            },
            Qt::QueuedConnection);
    }

private:
    QPointer<RegisterEvents> m_owner;
    std::function<void(const unsigned char *, unsigned)> m_arrived;
    std::atomic<int> m_references{1};
};

} // namespace

struct RegisterEvents::Listening {
    Connection *connection = nullptr;
    unsigned char *eventBlock = nullptr;
    unsigned char *resultBlock = nullptr;
    long length = 0;
    std::unique_ptr<Callback> callback;
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
                                        kEventCount, kPatientsEvent, kVisitsEvent, kBooksEvent);
    listening->callback =
        std::make_unique<Callback>(this, [this](const unsigned char *events, unsigned length) {
            if (!m_listening)
                return;
            std::memcpy(m_listening->resultBlock, events,
                        std::min<size_t>(length, size_t(m_listening->length)));
            arrived();
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
            status, listening.callback.get(), unsigned(listening.length), listening.eventBlock);
    });
}

void RegisterEvents::arrived() {
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
