#pragma once

#include <QPoint>
#include <QRect>

// The work-area edge rule: where a window proposed at `proposed` (its outer bounds) goes. An edge
// of the window that comes within 20 pixels of the matching edge of the work area lands on it;
// a window that snapped is then kept inside the area as far as its size allows, so a window
// wider (taller) than the area ends with its right (bottom) edge on the area's. Only the
// position changes, never the size.
QPoint snapToWorkArea(const QRect &proposed, const QRect &workArea);
