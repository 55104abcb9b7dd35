#include "app/mainwindowlayout.h"

#include <algorithm>

namespace mainlayout {

namespace {
constexpr int kMargin = 8;
constexpr int kSearchWidth = 241;
constexpr int kButtonHeight = 25;
constexpr int kAddRightGap = 85;
constexpr int kExitRightGap = 5;
constexpr int kListTop = 40;
} // namespace

Places placesFor(const QSize &clientArea, int searchHeight, int addWidth, int exitWidth) {
    const int width = clientArea.width();
    Places places;
    places.search = QRect(kMargin, kMargin, kSearchWidth, searchHeight);
    places.add = QRect(width - kAddRightGap - addWidth, kMargin, addWidth, kButtonHeight);
    places.exit = QRect(width - kExitRightGap - exitWidth, kMargin, exitWidth, kButtonHeight);
    places.list = QRect(0, kListTop, width, std::max(0, clientArea.height() - kListTop));
    const int searchEnd = places.search.x() + places.search.width() + 2;
    places.addVisible = searchEnd < places.add.x();
    places.exitVisible = searchEnd < places.exit.x();
    return places;
}

QPoint addressPosition(const QRect &cell, int nameWidth, const QSize &address) {
    const int right = cell.x() + cell.width();
    const int bottom = cell.y() + cell.height();
    const int x = cell.width() - nameWidth > address.width() + 2 ? right - address.width() - 2
                                                                 : cell.x() + nameWidth + 8;
    return QPoint(x, bottom - address.height() - 3);
}

} // namespace mainlayout
