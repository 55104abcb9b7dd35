#include "app/mainwindowlayout.h"

#include <algorithm>

namespace mainlayout {

namespace {
constexpr int kMargin = 8;
constexpr int kButtonGap = 5;
constexpr int kListTop = 40;
constexpr int kListGap = 7;
} // namespace

Places placesFor(const QSize &clientArea, int searchHeight, int addWidth, int exitWidth,
                 int buttonHeight, int searchWidth) {
    const int width = clientArea.width();
    Places places;
    places.search = QRect(kMargin, kMargin, searchWidth, searchHeight);
    places.exit = QRect(width - kButtonGap - exitWidth, kMargin, exitWidth, buttonHeight);
    places.add = QRect(places.exit.x() - kButtonGap - addWidth, kMargin, addWidth, buttonHeight);
    const int listTop =
        std::max(kListTop, kMargin + std::max(searchHeight, buttonHeight) + kListGap);
    places.list = QRect(0, listTop, width, std::max(0, clientArea.height() - listTop));
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
