#pragma once

#include <QObject>
#include <QTimer>

// A timer that fires once the user has left the keyboard and the mouse alone for its interval,
// and again after every further interval of quiet: any key, click or turn of the wheel in any
// window of the program starts the wait afresh. For work that must not disturb someone who is
// reading or scrolling.
class QuietTimer : public QObject {
    Q_OBJECT
public:
    QuietTimer(int intervalMs, QObject *parent);
    ~QuietTimer() override;

Q_SIGNALS:
    void quiet();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTimer m_timer;
};
