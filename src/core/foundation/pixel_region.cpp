#include "core/foundation/pixel_region.hpp"

#include <algorithm>

namespace kestrove {

PixelRect intersection(const PixelRect& a, const PixelRect& b) {
    // 64-bit edges: x + width must not overflow for any int input.
    const std::int64_t l = std::max(a.x, b.x), t = std::max(a.y, b.y);
    const std::int64_t r = std::min(std::int64_t{a.x} + a.width, std::int64_t{b.x} + b.width);
    const std::int64_t bottom = std::min(std::int64_t{a.y} + a.height, std::int64_t{b.y} + b.height);
    if (r <= l || bottom <= t) return {};
    return {static_cast<int>(l), static_cast<int>(t), static_cast<int>(r - l), static_cast<int>(bottom - t)};
}

void PixelRegion::add(const PixelRect& r) {
    if (isEmpty(r)) return;
    // What is already there stays; only the new part is kept beside it.
    PixelRegion fresh;
    fresh.rects_.push_back(r);
    for (const PixelRect& have : rects_) fresh.subtract(have);
    rects_.insert(rects_.end(), fresh.rects_.begin(), fresh.rects_.end());
}

void PixelRegion::add(const PixelRegion& other) {
    for (const PixelRect& r : other.rects_) add(r);
}

void PixelRegion::subtract(const PixelRect& cut) {
    if (isEmpty(cut)) return;
    std::vector<PixelRect> out;
    out.reserve(rects_.size() + 4);
    for (const PixelRect& r : rects_) {
        const PixelRect both = intersection(r, cut);
        if (isEmpty(both)) {
            out.push_back(r);
            continue;
        }
        // Above and below the cut span the whole width; left and right only its rows.
        const PixelRect pieces[] = {
            {r.x, r.y, r.width, both.y - r.y},
            {r.x, both.y + both.height, r.width, r.y + r.height - (both.y + both.height)},
            {r.x, both.y, both.x - r.x, both.height},
            {both.x + both.width, both.y, r.x + r.width - (both.x + both.width), both.height},
        };
        for (const PixelRect& p : pieces)
            if (!isEmpty(p)) out.push_back(p);
    }
    rects_ = std::move(out);
}

void PixelRegion::subtract(const PixelRegion& other) {
    for (const PixelRect& r : other.rects_) subtract(r);
}

void PixelRegion::clip(const PixelRect& to) {
    std::vector<PixelRect> out;
    for (const PixelRect& r : rects_)
        if (const PixelRect both = intersection(r, to); !isEmpty(both)) out.push_back(both);
    rects_ = std::move(out);
}

void PixelRegion::intersect(const PixelRegion& other) {
    // Both sides are disjoint, so their pieces' overlaps are too.
    std::vector<PixelRect> out;
    for (const PixelRect& r : rects_)
        for (const PixelRect& o : other.rects_)
            if (const PixelRect both = intersection(r, o); !isEmpty(both)) out.push_back(both);
    rects_ = std::move(out);
}

void PixelRegion::translate(int dx, int dy) {
    for (PixelRect& r : rects_) {
        r.x += dx;
        r.y += dy;
    }
}

bool PixelRegion::intersects(const PixelRect& r) const {
    return std::any_of(rects_.begin(), rects_.end(), [&](const PixelRect& have) { return !isEmpty(intersection(have, r)); });
}

std::int64_t PixelRegion::area() const {
    std::int64_t sum = 0;
    for (const PixelRect& r : rects_) sum += std::int64_t{r.width} * r.height;
    return sum;
}

}  // namespace kestrove
