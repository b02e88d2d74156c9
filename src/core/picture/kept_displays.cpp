#include "core/picture/kept_displays.hpp"

#include <algorithm>

#include "core/foundation/pixel_region.hpp"

namespace kestrove {

void KeptDisplays::reading(const PixelRect& area) {
    reading_ = area;
    readingDrawnOver_ = false;
}

void KeptDisplays::drawn(const PixelRect& drawn) {
    for (Kept& k : kept_) k.drawnOver |= !isEmpty(intersection(drawn, k.area));
    if (reading_) readingDrawnOver_ |= !isEmpty(intersection(drawn, *reading_));
}

void KeptDisplays::keep(const PixelRect& area, Image picture, bool answers) {
    const bool drawnSinceRead = reading_ == area && readingDrawnOver_;
    reading_.reset();
    std::erase_if(kept_, [&](const Kept& k) { return k.area == area; });
    if (kept_.size() >= most) kept_.erase(kept_.begin());
    kept_.push_back({area, std::move(picture), drawnSinceRead || !answers});
}

const Image* KeptDisplays::find(const PixelRect& area) const {
    for (const Kept& k : kept_)
        if (k.area == area && !k.drawnOver) return &k.picture;
    return nullptr;
}

const Image* KeptDisplays::last(const PixelRect& area) const {
    for (const Kept& k : kept_)
        if (k.area == area) return &k.picture;
    return nullptr;
}

void KeptDisplays::clear() {
    kept_.clear();
    reading_.reset();
}

}  // namespace kestrove
