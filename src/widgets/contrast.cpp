#include "widgets/contrast.h"

#include <algorithm>
#include <cmath>

namespace contrast {

namespace {

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &colour) {
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

QColor mixed(const QColor &from, const QColor &to, double share) {
    const auto channel = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

} // namespace

double ratio(const QColor &one, const QColor &other) {
    const double a = luminance(one);
    const double b = luminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor dimmedText(const QColor &text, const QColor &background, double minimum) {
    // Half way to the background at the most; less while that is too faint to read.
    for (int step = 10; step > 0; --step) {
        const QColor candidate = mixed(text, background, step * 0.05);
        if (ratio(candidate, background) >= minimum)
            return candidate;
    }
    return text;
}

QColor readableBackground(const QColor &text, const QColor &background, double minimum) {
    const QColor away = luminance(text) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    for (int step = 0; step <= 20; ++step) {
        const QColor candidate = step == 0 ? background : mixed(background, away, step * 0.05);
        if (ratio(text, candidate) >= minimum)
            return candidate;
    }
    return away;
}

QColor failedBackground(const QColor &text) {
    return readableBackground(text, Qt::red);
}

} // namespace contrast
