#include "widgets/quiettimer.h"

#include <QCoreApplication>
#include <QEvent>

QuietTimer::QuietTimer(int intervalMs, QObject *parent) : QObject(parent) {
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &QuietTimer::quiet);
    m_timer.start();
    QCoreApplication::instance()->installEventFilter(this);
}

QuietTimer::~QuietTimer() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool QuietTimer::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        m_timer.start(); // the wait begins again
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
