#pragma once

#include <QWidget>

// A named control of a window; a missing one ends the test.
template <typename T> T *control(QWidget *window, const char *name) {
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}
