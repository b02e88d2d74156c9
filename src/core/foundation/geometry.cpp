#include "core/foundation/geometry.hpp"

#include <algorithm>

namespace kestrove {

double Rect::minX() const { return std::min(x, x + width); }
double Rect::minY() const { return std::min(y, y + height); }
double Rect::maxX() const { return std::max(x, x + width); }
double Rect::maxY() const { return std::max(y, y + height); }
Size Rect::size() const { return {maxX() - minX(), maxY() - minY()}; }

bool Rect::isEmpty() const {
    // Written so that NaN anywhere counts as empty.
    const Size s = size();
    return !(s.w > 0 && s.h > 0);
}

std::optional<Rect> Rect::intersection(const Rect& other) const {
    // std::max and std::min would quietly drop a NaN edge.
    if (isEmpty() || other.isEmpty()) return std::nullopt;
    const double l = std::max(minX(), other.minX());
    const double t = std::max(minY(), other.minY());
    const double r = std::min(maxX(), other.maxX());
    const double b = std::min(maxY(), other.maxY());
    if (!(r > l) || !(b > t)) return std::nullopt;
    return fromEdges(l, t, r, b);
}

bool Rect::contains(const Rect& other) const {
    return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() && other.maxY() <= maxY();
}

Rect Rect::insetBy(double dx, double dy) const {
    double l = minX() + dx, r = maxX() - dx, t = minY() + dy, b = maxY() - dy;
    if (l > r) l = r = (minX() + maxX()) / 2;
    if (t > b) t = b = (minY() + maxY()) / 2;
    return fromEdges(l, t, r, b);
}

}  // namespace kestrove
