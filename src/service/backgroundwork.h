#pragma once

#include "service/engineservices.h"

#include <QObject>

#include <exception>
#include <functional>

class QThread;

// Runs one long piece of the engine's work (a backup, a restore, a check) on a thread of its
// own, so that the windows stay responsive meanwhile. Its lines and its end come back as
// signals on the owner's thread.
class BackgroundWork : public QObject {
    Q_OBJECT
public:
    // The work gets a sink for the engine's lines; what it throws is its failure.
    using Work = std::function<void(const engine::LineSink &onLine)>;

    explicit BackgroundWork(QObject *parent = nullptr);
    // Waits for work still running: the engine cannot be stopped half-way, and must not be
    // left working when the program ends.
    ~BackgroundWork() override;

    // Starts the work; false when other work is still running.
    bool start(Work work);
    bool isRunning() const;
    // Blocks until the work has ended; `finished` still comes through the event loop.
    void wait();
    // What the last work threw, or nothing when it went well.
    std::exception_ptr failure() const { return m_failure; }

Q_SIGNALS:
    void lineRead(const QString &line);
    void finished();

private:
    QThread *m_thread = nullptr;
    std::exception_ptr m_failure;
};
