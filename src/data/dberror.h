#pragma once

#include <QList>
#include <QString>

#include <stdexcept>

// The one error of the data layer: a statement the database refused, a file that cannot be
// opened, or a value the layer itself refuses before writing it. Carries the text to show the
// user, for database failures the database's own text as Firebird formats it, together with
// the engine's error codes, so that a caller can tell one cause from another without reading
// the text.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &message, QList<qint64> codes = {}, int systemError = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_codes(std::move(codes)),
          m_systemError(systemError) {}

    const QString &message() const { return m_message; }
    // The engine's error codes (isc_…), the main one first; empty when the layer itself refused.
    const QList<qint64> &codes() const { return m_codes; }
    // The operating system's error number the engine reported (errno), or 0.
    int systemError() const { return m_systemError; }

private:
    QString m_message;
    QList<qint64> m_codes;
    int m_systemError = 0;
};
