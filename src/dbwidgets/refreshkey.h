#pragma once

#include "data/shareddata.h"
#include "widgets/guarded.h"

#include <QWidget>

#include <functional>

// What F5 does in a window that shows the register's lists (WindowTraits::refresh): every list
// read again, a failure told over the window.
inline std::function<void()> refreshingLists(QWidget *window, SharedData &data) {
    return [window, &data] { runGuarded(window, [&data] { data.refreshByHand(); }); };
}
