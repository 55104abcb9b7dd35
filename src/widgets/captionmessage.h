#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

// Puts a message into the window's caption in place of its title ("Заполните Ф.И.О."), and tells
// a screen reader of it: the window's name changes, with an alert, as a screen reader would not
// read the caption by itself.
void showCaptionMessage(QWidget *window, const QString &text);

// A short message shown as a window's caption for a number of one-second ticks, after which the
// window's normal caption comes back. The timer `tmCap` starts with the window and a count of 0,
// so its first tick puts the normal caption once. Every message is shown by showCaptionMessage.
class CaptionMessage : public QObject {
    Q_OBJECT
public:
    // `normalCaption` gives the caption to come back to; a null text leaves the caption as it is.
    CaptionMessage(QWidget *window, std::function<QString()> normalCaption);

    // Shows the text for `ticks` seconds; a message already showing is replaced and counted anew.
    void show(const QString &text, int ticks);

    // One tick of `tmCap`: counts down and puts the normal caption back at 0.
    void tick();

    int remainingTicks() const { return m_ticks; }
    bool isRunning() const { return m_timer.isActive(); }

private:
    QPointer<QWidget> m_window;
    std::function<QString()> m_normalCaption;
    QTimer m_timer{this}; // a child, so that the window finds its timer by name
    int m_ticks = 0;
};
