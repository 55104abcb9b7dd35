#pragma once

#include <QObject>

#include <memory>
#include <vector>

class Connection;

// What other workstations saved, as the register's triggers announce it through the engine's
// events: the patients (VENTREL_PATIENTS), the visits with their diagnosis and intervention
// rows (VENTREL_VISITS), and the reference books (VENTREL_BOOKS). The engine calls back on a
// thread of its own; the news arrives on the thread that made the listener, as a signal.
class RegisterEvents : public QObject {
    Q_OBJECT
public:
    enum Kind { Patients = 1, Visits = 2, Books = 4 };
    Q_DECLARE_FLAGS(Kinds, Kind)

    explicit RegisterEvents(QObject *parent = nullptr);
    ~RegisterEvents() override;

    // Starts listening on the connection's attachment; stops listening to an earlier one.
    // Raises DbError when the engine refuses.
    void listen(Connection &connection);
    // Stops listening (before the attachment goes, or when it is lost).
    void stop();
    bool isListening() const;

Q_SIGNALS:
    // Something of these kinds was saved in the register since the last news.
    void changed(RegisterEvents::Kinds kinds);

private:
    void arrived(quint64 listening, const std::vector<unsigned char> &news);
    void queue();

    struct Listening;
    std::unique_ptr<Listening> m_listening;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(RegisterEvents::Kinds)
