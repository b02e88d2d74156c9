#include "core/menu/menu_placement.hpp"

#include <algorithm>
#include <cmath>

#include "core/menu/menu_layout.hpp"

namespace kestrove::MenuPlacement {

namespace {

// What the panel takes besides the wall: its padding, the New Watch tile,
// the desk's rows, and the update row when there is one.
constexpr double rowsWithout = 244;
constexpr double rowsWith = 285;

}  // namespace

double wallLimit(double visibleHeight, bool updateRow) {
    return std::max(visibleHeight - 2 * hang - (updateRow ? rowsWith : rowsWithout), smallest);
}

Rect frame(const Rect& anchor, const Rect& visible, double contentHeight) {
    const double w = MenuLayout::width;
    const double h = std::min(visible.height - 2 * hang, std::ceil(contentHeight));
    double x = anchor.x + anchor.width / 2 - w / 2;
    x = std::max(x, visible.minX() + edge);
    x = std::min(x, visible.maxX() - w - edge);  // the right edge wins when both bite
    x = std::round(x);

    const bool trayBelow = anchor.y + anchor.height / 2 > visible.y + visible.height / 2;
    double y = trayBelow ? std::min(visible.maxY(), anchor.minY()) - hang - h
                         : std::max(visible.minY(), anchor.maxY()) + hang;
    // An icon inside the visible frame (a tray that reserves no room, or the
    // pointer) must not push the panel off it.
    y = std::min(y, visible.maxY() - hang - h);
    y = std::max(y, visible.minY() + hang);
    return {x, y, w, h};
}

}  // namespace kestrove::MenuPlacement
