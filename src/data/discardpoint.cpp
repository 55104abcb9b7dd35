#include "data/discardpoint.h"

#include "data/shareddata.h"

DiscardPoint::DiscardPoint(SharedData &data, QObject *parent) : QObject(parent), m_data(data) {
    for (Dataset *dataset : data.datasets()) {
        if (&dataset->transaction() != &data.ibTrans)
            continue; // the books keep their entries in a transaction of their own
        connect(dataset, &Dataset::written, this, [this, dataset] {
            if (!m_savepoint)
                return;
            if (!m_written.contains(dataset))
                m_written << dataset;
            m_lastWriteEnds = m_data.ibTrans.ends();
        });
    }
}

DiscardPoint::~DiscardPoint() = default;

void DiscardPoint::set() {
    m_savepoint.reset();
    m_written.clear();
    m_savepoint = std::make_unique<Savepoint>(m_data.ibTrans);
}

bool DiscardPoint::hasWrites() const {
    return !m_written.isEmpty() && m_lastWriteEnds == m_data.ibTrans.ends();
}

void DiscardPoint::rollBack() {
    if (!m_savepoint)
        return;
    if (m_savepoint->isAlive())
        m_savepoint->rollBack();
    else if (hasWrites())
        m_data.ibTrans.rollbackRetaining();
    const QList<Dataset *> reread = toReread();
    m_written.clear();
    for (Dataset *dataset : reread)
        dataset->reread();
}

void DiscardPoint::release() {
    if (m_savepoint && m_savepoint->isAlive())
        m_savepoint->release();
    m_savepoint.reset();
    m_written.clear();
}

QList<Dataset *> DiscardPoint::toReread() const {
    QList<Dataset *> reread;
    for (Dataset *dataset : m_data.datasets()) { // masters come before their details
        if (!m_written.contains(dataset) || !dataset->isOpen())
            continue;
        bool followsMaster = false;
        for (Dataset *master = dataset->master(); master; master = master->master())
            followsMaster = followsMaster || reread.contains(master);
        if (!followsMaster)
            reread << dataset;
    }
    return reread;
}
