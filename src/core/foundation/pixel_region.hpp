#pragma once
// A set of pixels as disjoint rectangles: which parts of a box lie under a
// window, which parts of a window have not been painted yet. Small by use
// (a few rectangles), so plain lists serve.

#include <cstdint>
#include <vector>

#include "core/foundation/geometry.hpp"

namespace kestrove {

class PixelRegion {
public:
    PixelRegion() = default;
    explicit PixelRegion(const PixelRect& r) { add(r); }

    void add(const PixelRect& r);
    void add(const PixelRegion& other);
    void subtract(const PixelRect& r);
    void subtract(const PixelRegion& other);
    // Keeps only what lies inside `r`.
    void clip(const PixelRect& r);
    // Keeps only what `other` holds too.
    void intersect(const PixelRegion& other);
    void translate(int dx, int dy);

    bool empty() const { return rects_.empty(); }
    bool intersects(const PixelRect& r) const;
    std::int64_t area() const;
    // Disjoint, none empty, in no particular order.
    const std::vector<PixelRect>& rects() const { return rects_; }

    bool operator==(const PixelRegion&) const = delete;  // same pixels, many splits: compare areas

private:
    std::vector<PixelRect> rects_;
};

// The shared part of two rectangles; a rectangle without area when none.
PixelRect intersection(const PixelRect& a, const PixelRect& b);
inline bool isEmpty(const PixelRect& r) { return r.width <= 0 || r.height <= 0; }

}  // namespace kestrove
