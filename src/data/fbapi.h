#pragma once

// Internal to the data layer: the Firebird OO API and the one way this layer calls it.

#include "data/dberror.h"

#include <firebird/Interface.h>

#include <QString>

namespace fb {

Firebird::IMaster *master();
Firebird::IUtil *util();

// The database's own text for a failed call, as Firebird formats it.
QString statusText(const Firebird::IStatus *status);
// The error for a failed call: the database's text with the engine's error codes.
DbError errorOf(const Firebird::IStatus *status);

// Runs `work(status)` and turns any refusal of the database into a DbError carrying its text.
template <typename Work> auto call(Work &&work) {
    struct Status : Firebird::ThrowStatusWrapper {
        Status() : ThrowStatusWrapper(master()->getStatus()) {}
        ~Status() { dispose(); }
    } status;
    try {
        return work(&status);
    } catch (const Firebird::FbException &error) {
        throw errorOf(error.getStatus());
    }
}

// A status kept for a path that calls the database many times in a row (reading rows); the
// wrapper clears itself before every call.
class ReusableStatus {
public:
    ReusableStatus() : m_wrapper(master()->getStatus()) {}
    ~ReusableStatus() { m_wrapper.dispose(); }
    ReusableStatus(const ReusableStatus &) = delete;
    ReusableStatus &operator=(const ReusableStatus &) = delete;

    template <typename Work> auto call(Work &&work) {
        try {
            return work(&m_wrapper);
        } catch (const Firebird::FbException &error) {
            throw errorOf(error.getStatus());
        }
    }

private:
    Firebird::ThrowStatusWrapper m_wrapper;
};

// Sets FIREBIRD_LOCK to a lock folder no other user can reach (see lockfolder.h) and checks it
// again; throws a DbError that names the folder and the fault when there is none. Runs before
// every attach and create.
void ensureUsableLockFolder();

// Runs `work(status, provider, dpb)` with the dispatcher and an attachment's parameter block that
// `fill(status, dpb)` wrote, releasing both whatever happens; a refusal becomes a DbError.
template <typename Fill, typename Work> auto withDispatcher(Fill &&fill, Work &&work) {
    return call([&](Firebird::ThrowStatusWrapper *status) {
        Firebird::IXpbBuilder *dpb =
            util()->getXpbBuilder(status, Firebird::IXpbBuilder::DPB, nullptr, 0);
        Firebird::IProvider *provider = master()->getDispatcher();
        struct Cleanup {
            Firebird::IXpbBuilder *dpb;
            Firebird::IProvider *provider;
            ~Cleanup() {
                dpb->dispose();
                provider->release();
            }
        } cleanup{dpb, provider};
        fill(status, dpb);
        return work(status, provider, dpb);
    });
}

// Releases an interface pointer and clears it.
template <typename Interface> void release(Interface *&object) {
    if (object) {
        object->release();
        object = nullptr;
    }
}

} // namespace fb
