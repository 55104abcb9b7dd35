#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QKeyEvent;
class QWidget;

// Lets a window see every key pressed in any of its controls before the control does, as the
// window's own key handler; the handler returns true to consume the key. It watches the window
// and the controls of the window that take the focus, those made later included; a key in
// another window, or in a dialog or a popup opened over this one, is none of its business.
class KeyPreview : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(QKeyEvent *)>;

    KeyPreview(QWidget *window, Handler handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    Handler m_handler;
    // The key the handler saw and left to the controls, while it travels on up to the window;
    // forgotten once it has reached the window, or as soon as any other event comes by.
    const QEvent *m_passedOn = nullptr;
};

// What the windows' key handlers ask of a key.
bool isEnter(const QKeyEvent *event); // Return, or Enter of the keypad
bool isCtrlEnter(const QKeyEvent *event);
bool withoutModifiers(const QKeyEvent *event); // none of Shift, Ctrl and Alt held
