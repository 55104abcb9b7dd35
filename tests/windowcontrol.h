#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// A named control of a window; a missing one ends the test.
template <typename T> T *control(QWidget *window, const char *name) {
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Runs `check` on the modal window that the next command opens, once it is up (a file dialog,
// a preview); the check closes it.
inline void whenModal(std::function<void(QWidget *)> check) {
    QTimer::singleShot(0, [check = std::move(check)] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        check(modal);
    });
}
