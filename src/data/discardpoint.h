#pragma once

#include <QList>
#include <QObject>

#include <memory>

class Dataset;
class Savepoint;
class SharedData;

// The point of the shared transaction that a window's "discard" goes back to: what was written
// after it, by any dataset, can be undone without touching what was written before (a new
// patient written so that its first visit can refer to it, say). Afterwards the datasets that
// wrote show what the database holds again.
class DiscardPoint : public QObject {
    Q_OBJECT
public:
    explicit DiscardPoint(SharedData &data, QObject *parent = nullptr);
    ~DiscardPoint() override;

    // Sets the point now, forgetting the one before. Raises DbError when the database refuses.
    void set();
    // True when a dataset wrote a row since the point was set that no commit has kept since:
    // what rolling back would undo.
    bool hasWrites() const;
    // Undoes what was written since the point, and reads the datasets that wrote again, each
    // staying on its current row when that is still there; the point stays, to come back to
    // again. When a commit has ended the point, what is not committed was all written after it
    // and goes the same way. Pending changes of those datasets are dropped.
    void rollBack();
    // Keeps what was written since the point, and lets the point go.
    void release();

private:
    // The datasets that wrote, masters before their details; a detail whose master is read
    // again follows it by itself.
    QList<Dataset *> toReread() const;

    SharedData &m_data;
    std::unique_ptr<Savepoint> m_savepoint;
    QList<Dataset *> m_written;
    int m_lastWriteEnds = 0; // the transaction's count of ends at the last write
};
