#include "widgets/captionmessage.h"

#include <QAccessible>
#include <QWidget>

namespace {

// A screen reader does not read a caption that changes by itself: it is told that the window's
// name changed, and given an alert.
void announce(QWidget *window) {
    QAccessibleEvent nameChanged(window, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleEvent alert(window, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

} // namespace

CaptionMessage::CaptionMessage(QWidget *window, std::function<QString()> normalCaption)
    : QObject(window), m_window(window), m_normalCaption(std::move(normalCaption)) {
    m_timer.setObjectName(QStringLiteral("tmCap"));
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CaptionMessage::tick);
    m_timer.start();
}

void CaptionMessage::show(const QString &text, int ticks) {
    m_ticks = ticks;
    m_timer.start();
    if (m_window) {
        m_window->setWindowTitle(text);
        announce(m_window);
    }
}

void CaptionMessage::tick() {
    if (m_ticks > 0)
        --m_ticks;
    if (m_ticks > 0)
        return;
    m_timer.stop();
    const QString caption = m_normalCaption ? m_normalCaption() : QString();
    if (m_window && !caption.isNull())
        m_window->setWindowTitle(caption);
}
