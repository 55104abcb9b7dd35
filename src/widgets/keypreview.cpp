#include "widgets/keypreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

KeyPreview::KeyPreview(QWidget *window, Handler handler)
    : QObject(window), m_window(window), m_handler(std::move(handler)) {
    // A key goes to the control that has the focus, and to the window when none has it; it looks
    // no further than those. Qt asks the filter set last first, and a control's own filters (a
    // grid's keys, a box's Enter rules) may come after this one: the control that takes the
    // focus, and the window, get this one in front again then.
    window->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && m_window && now->window() == m_window) {
            m_window->installEventFilter(this);
            now->installEventFilter(this);
        }
    });
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event) {
    if (event == m_passedOn) {
        // Seen already: the handler left it to the controls. The window is its last stop.
        if (watched == m_window)
            m_passedOn = nullptr;
        return false;
    }
    m_passedOn = nullptr;
    if (event->type() != QEvent::KeyPress || !m_window)
        return false;
    // A key event travels from the focused control up to the window: look at it once, when it
    // reaches the control, and only for controls of this window (not of a dialog or a popup
    // that belongs to it but is a window of its own).
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
