#include "widgets/captionmessage.h"

#include <QAccessible>
#include <QWidget>

void showCaptionMessage(QWidget *window, const QString &text) {
    window->setWindowTitle(text);
    QAccessibleEvent nameChanged(window, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleEvent alert(window, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

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
    if (m_window)
        showCaptionMessage(m_window, text);
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
