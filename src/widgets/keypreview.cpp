#include "widgets/keypreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

KeyPreview::KeyPreview(QWidget *window, Handler handler)
    : QObject(window), m_window(window), m_handler(std::move(handler)) {
    qApp->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event) {
    if (event == m_passedOn)
        return false; // seen already: the handler left it to the controls
    m_passedOn = nullptr;
    if (event->type() != QEvent::KeyPress || !m_window)
        return false;
    // A key event travels from the focused control up to the window: look at it once, when it
    // reaches the control, and only for controls of this window.
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    QWidget *focus = QApplication::focusWidget();
    if (!focus || focus->window() != m_window)
        focus = m_window;
    if (widget != focus)
        return false;
    if (!m_handler)
        return false;
    // The handler may change the focus (a window it opens takes it, and gives it back to no
    // control when it closes): the key travelling on up must not look new to the window then.
    if (m_handler(static_cast<QKeyEvent *>(event)))
        return true;
    m_passedOn = event;
    return false;
}

bool isEnter(const QKeyEvent *event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool isCtrlEnter(const QKeyEvent *event) {
    return isEnter(event) && (event->modifiers() & Qt::ControlModifier);
}

bool withoutModifiers(const QKeyEvent *event) {
    return !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
}
