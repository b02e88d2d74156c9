#include "app/creation/panel_placement.hpp"

#include <algorithm>
#include <cmath>

namespace kestrove::PanelPlacement {

bool placeAbove(const Rect& box, const Rect& visible) {
    return visible.maxY() - box.maxY() < roomNeeded && box.minY() - visible.minY() >= roomNeeded;
}

Rect frame(const Rect& box, const Rect& visible, bool above, double height) {
    const double h = std::ceil(height);
    // On a screen too small the right edge wins across and the top edge down.
    double x = std::max(box.minX(), visible.minX() + margin);
    x = std::min(x, visible.maxX() - width - margin);
    double y = above ? box.minY() - gap - h : box.maxY() + gap;
    y = std::min(y, visible.maxY() - h - margin);
    y = std::max(y, visible.minY() + margin);
    return {x, y, width, h};
}

}  // namespace kestrove::PanelPlacement
