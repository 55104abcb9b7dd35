#pragma once

#include <QString>

#include <stdexcept>

// The one error of the data layer: a statement the database refused, a file that cannot be
// opened, or a value the layer itself refuses before writing it. Carries the text to show the
// user, for database failures the database's own text as Firebird formats it.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    const QString &message() const { return m_message; }

private:
    QString m_message;
};
