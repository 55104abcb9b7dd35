#include "service/backgroundwork.h"

#include <QThread>

BackgroundWork::BackgroundWork(QObject *parent) : QObject(parent) {}

BackgroundWork::~BackgroundWork() {
    wait();
    delete m_thread;
}

bool BackgroundWork::start(Work work) {
    if (isRunning())
        return false;
    delete m_thread;
    m_failure = nullptr;
    m_thread = QThread::create([this, work = std::move(work)] {
        try {
            work([this](const QString &line) { Q_EMIT lineRead(line); });
        } catch (...) {
            m_failure = std::current_exception();
        }
    });
    // The thread's end is told on this object's thread, after the failure is stored.
    connect(m_thread, &QThread::finished, this, &BackgroundWork::finished, Qt::QueuedConnection);
    m_thread->start();
    return true;
}

bool BackgroundWork::isRunning() const {
    return m_thread && m_thread->isRunning();
}

void BackgroundWork::wait() {
    if (m_thread)
        m_thread->wait();
}
