#include "app/creation/selection_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace kestrove::SelectionGeometry {

Point clamp(Point p, const Rect& screen) {
    return {std::clamp(p.x, screen.minX(), screen.maxX()), std::clamp(p.y, screen.minY(), screen.maxY())};
}

Rect box(Point start, Point end) {
    return {std::min(start.x, end.x), std::min(start.y, end.y), std::abs(end.x - start.x), std::abs(end.y - start.y)};
}

bool accepted(const Rect& box) { return box.width >= minSide && box.height >= minSide; }

Rect integral(const Rect& box) {
    return Rect::fromEdges(std::floor(box.minX()), std::floor(box.minY()), std::ceil(box.maxX()), std::ceil(box.maxY()));
}

std::string sizeText(Size size) {
    const auto whole = [](double v) { return std::to_string(static_cast<long long>(std::round(v))); };
    return whole(size.w) + " \u00d7 " + whole(size.h);
}

Point labelOrigin(Point pointer, Size label, Size view) {
    const double x = std::min(view.w - label.w - 4, std::max(pointer.x + 14, 4.0));
    const double y = std::max(4.0, std::min(pointer.y + 14, view.h - label.h - 4));
    return {x, y};
}

}  // namespace kestrove::SelectionGeometry
