#include "widgets/fontgrowth.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace fontgrowth {

namespace {
constexpr double kOrdinaryPixels = 13.0;
}

double factor() {
    const int pixels = QFontInfo(QGuiApplication::font()).pixelSize();
    return std::max(1.0, pixels / kOrdinaryPixels);
}

int grown(int length) {
    const double growth = factor();
    return growth == 1.0 ? length : int(std::lround(length * growth));
}

QSize grown(const QSize &size) {
    return QSize(grown(size.width()), grown(size.height()));
}

QRect grown(const QRect &rect) {
    // The edges grow, so that neighbours that touched at design still touch.
    const int left = grown(rect.x());
    const int top = grown(rect.y());
    return QRect(left, top, grown(rect.x() + rect.width()) - left,
                 grown(rect.y() + rect.height()) - top);
}

QFont designFont(QFont font, int pixels) {
    font.setPixelSize(grown(pixels));
    return font;
}

QFont designPointFont(QFont font, double points) {
    font.setPointSizeF(points * factor());
    return font;
}

QSize layoutMinimum(const QWidget *window) {
    return window->layout() ? window->layout()->totalMinimumSize() : QSize(0, 0);
}

void growWindow(QWidget *window) {
    growWindow(window, window->size(), window->minimumSize());
}

void growWindow(QWidget *window, const QSize &designSize, const QSize &designMinimum) {
    // Once: a dialog grows as it is set up, and its window behaviour asks again.
    const char *const grownMark = "fontgrowth_grown";
    const bool first = !window->property(grownMark).toBool();
    window->setProperty(grownMark, true);
    const bool fixed = window->minimumSize() == window->maximumSize();
    const QSize minimum =
        (first ? grown(designMinimum) : window->minimumSize()).expandedTo(layoutMinimum(window));
    if (fixed)
        window->setFixedSize(minimum);
    else if (minimum != window->minimumSize())
        window->setMinimumSize(minimum);
    window->resize((first ? grown(designSize) : window->size()).expandedTo(minimum));
}

void growControlLimits(QWidget *window) {
    if (factor() == 1.0)
        return;
    const auto grownLimit = [](int limit) {
        return limit >= QWIDGETSIZE_MAX ? limit : grown(limit);
    };
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (control->isWindow())
            continue;
        const QSize least = control->minimumSize();
        const QSize greatest = control->maximumSize();
        control->setMinimumSize(grown(least));
        control->setMaximumSize(grownLimit(greatest.width()), grownLimit(greatest.height()));
    }
}

void growControls(QWidget *window) {
    if (factor() == 1.0)
        return;
    for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            child->setGeometry(grown(child->geometry()));
    }
}

} // namespace fontgrowth
