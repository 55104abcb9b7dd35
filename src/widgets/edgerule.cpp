#include "widgets/edgerule.h"

namespace {
constexpr int kSnapDistance = 20;
}

QPoint snapToWorkArea(const QRect &proposed, const QRect &workArea) {
    // Right and bottom are the first pixel past the area, as the window's own edges are.
    const int left = workArea.left();
    const int top = workArea.top();
    const int right = workArea.left() + workArea.width();
    const int bottom = workArea.top() + workArea.height();
    const int cx = proposed.width();
    const int cy = proposed.height();
    int x = proposed.x();
    int y = proposed.y();
    bool changed = false;

    if (x <= left + kSnapDistance) {
        x = left;
        changed = true;
    }
    if (x + cx >= right - kSnapDistance) {
        x = right - cx;
        changed = true;
    }
    if (y <= top + kSnapDistance) {
        y = top;
        changed = true;
    }
    if (y + cy >= bottom - kSnapDistance) {
        y = bottom - cy;
        changed = true;
    }
    if (changed) {
        if (x < left)
            x = left;
        if (x + cx > right)
            x = right - cx;
        if (y < top)
            y = top;
        if (y + cy > bottom)
            y = bottom - cy;
    }
    return QPoint(x, y);
}
