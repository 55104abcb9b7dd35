#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

// A TCP relay between a client and a server on this machine that makes the way between them as
// long as a network's: every piece of data is passed on a chosen delay after it arrived, in each
// direction, and the relay counts the round trips the client waits for. It runs on a thread of
// its own, so a program that talks to the server through it and blocks meanwhile (the database
// client library) may use it in its own process.
//
// A round trip is counted, on each connection, when the server sends something after the client
// has sent something since the server last sent: the client's request, in as many packets as it
// takes (the client library sends deferred requests together with the next one), and then the
// server's answer, in as many packets as it takes. So a statement that the client library
// prepares, runs and fetches in three exchanges counts three.
//
// The TCP handshake of a new connection is not delayed; what crosses it afterwards is. The
// engine's event notices travel on a connection of their own that the client opens straight to
// the server's port, not through the relay.
class DelayProxy {
public:
    DelayProxy();
    ~DelayProxy();
    DelayProxy(const DelayProxy &) = delete;
    DelayProxy &operator=(const DelayProxy &) = delete;

    // Listens on 127.0.0.1:listenPort (a free port when 0, see port()) and relays every
    // connection to targetHost:targetPort, holding each piece of data back `oneWayDelayMs` in
    // each direction: a round trip then takes twice that longer. False, with errorString()
    // telling why, when it cannot listen.
    bool start(quint16 listenPort, const QString &targetHost, quint16 targetPort,
               double oneWayDelayMs);
    // Closes every connection and stops listening.
    void stop();

    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }

    // The delay for what arrives from now on.
    void setDelay(double oneWayDelayMs);
    // Round trips counted since the start or the last reset, over every connection.
    qint64 roundTrips() const { return m_roundTrips.load(); }
    void reset() { m_roundTrips = 0; }

private:
    struct Loop;
    void run();

    std::unique_ptr<Loop> m_loop;
    std::thread m_thread;
    quint16 m_port = 0;
    QString m_error;
    std::atomic<qint64> m_delayNs{0};
    std::atomic<qint64> m_roundTrips{0};
};
