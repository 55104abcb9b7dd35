#include "widgets/keypreview.h"

#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>
#include <QWidget>

KeyPreview::KeyPreview(QWidget *window, Handler handler)
    : QObject(window), m_window(window), m_handler(std::move(handler)) {
    watch(window);
    // A control's own filters (a grid's keys, a box's Enter rules) may be set after this one, and
    // Qt asks the filter set last first: the control that takes the focus, where every key
    // starts, and the window, where a key goes when no control has the focus, get this one in
    // front again.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && m_window && now->window() == m_window) {
            m_window->installEventFilter(this);
            now->installEventFilter(this);
        }
    });
}

void KeyPreview::watch(QWidget *widget) {
    widget->installEventFilter(this);
    for (QObject *child : widget->children()) {
        if (child->isWidgetType())
            watch(static_cast<QWidget *>(child));
    }
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event) {
    if (event == m_passedOn) {
        // Seen already: the handler left it to the controls. The window is its last stop.
        if (watched == m_window)
            m_passedOn = nullptr;
        return false;
    }
    m_passedOn = nullptr;
    if (event->type() == QEvent::ChildAdded) {
        // A control made or put into the window later (an editor a grid opens, say); it may
        // still be under construction, so only what QObject and QWidget know is asked of it.
        if (QObject *child = static_cast<QChildEvent *>(event)->child(); child->isWidgetType())
            watch(static_cast<QWidget *>(child));
        return false;
    }
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
