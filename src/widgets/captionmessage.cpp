#include "widgets/captionmessage.h"

#include <QWidget>

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
        m_window->setWindowTitle(text);
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
