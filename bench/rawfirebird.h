#pragma once

#include <QByteArray>

namespace Firebird {
class IAttachment;
class ITransaction;
} // namespace Firebird

// The baseline of the benchmarks: the engine through its OO API in a plain loop, with no
// dataset, no conversion of values and no rows kept. What the program adds is measured
// against this.
class RawFirebird {
public:
    explicit RawFirebird(const QByteArray &path);
    ~RawFirebird();

    // Prepares and opens the statement, reads `rows` rows (all when negative) and closes it.
    // Returns the number of rows read.
    int select(const QByteArray &sql, int rows);
    // The engine's plan of the statement, as it would run it.
    QByteArray plan(const QByteArray &sql);

private:
    Firebird::IAttachment *m_attachment = nullptr;
    Firebird::ITransaction *m_transaction = nullptr;
};
