#include "core/windows/window_binding.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kestrove::WindowTracking {

namespace {

bool visible(const WindowInfo& w) { return w.isOnScreen && w.alpha > 0; }

// A raised window spanning a whole display (a dimming layer, a screen-wide
// panel) sits above everything and decides nothing about one box.
bool isFullDisplayOverlay(const WindowInfo& w, const std::vector<Rect>& displays) {
    if (w.layer <= 0) return false;
    return std::any_of(displays.begin(), displays.end(),
                       [&](const Rect& d) { return w.frame.contains(d.insetBy(1, 1)); });
}

bool allFinite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

std::optional<WindowInfo> pick(const Rect& box, const std::vector<WindowInfo>& windows,
                               const std::vector<Rect>& displays, const std::optional<Rect>& usable) {
    if (!(box.width > 0 && box.height > 0)) return std::nullopt;
    if (usable && !usable->contains(box)) return std::nullopt;
    for (const WindowInfo& w : windows) {
        if (!visible(w) || !w.frame.intersects(box)) continue;
        if (w.isOwn) {
            // Our own panel or frame over the box means the user drew on us.
            if (w.layer == 0) return std::nullopt;
            continue;
        }
        if (w.layer < 0) return std::nullopt;
        if (w.layer == 0) {
            // A box straddling the window's edge belongs to no window.
            if (w.frame.contains(box)) return w;
            return std::nullopt;
        }
        if (isFullDisplayOverlay(w, displays)) continue;
        return std::nullopt;
    }
    return std::nullopt;
}

WindowAnchor anchor(const Rect& box, const WindowInfo& window) {
    const Size s = window.frame.size();
    return {window.id, window.app, window.bundleID, box.minX() - window.frame.minX(),
            box.minY() - window.frame.minY(), s.w, s.h, std::max(window.ownerPID, 0)};
}

Rect box(const WindowAnchor& anchor, Size size, const Rect& windowFrame) {
    return {windowFrame.minX() + anchor.x, windowFrame.minY() + anchor.y, size.w, size.h};
}

bool stillInside(const WindowAnchor& anchor, Size size, Size windowSize) {
    const double t = insideTolerance;
    return anchor.x >= -t && anchor.y >= -t && anchor.x + size.w <= windowSize.w + t &&
           anchor.y + size.h <= windowSize.h + t;
}

bool isSameWindow(const WindowAnchor& anchor, const WindowInfo& window) {
    if (window.id != anchor.id) return false;
    if (anchor.ownerPID > 0 && window.ownerPID > 0 && anchor.ownerPID != window.ownerPID) return false;
    return anchor.app.empty() || window.app.empty() || anchor.app == window.app;
}

std::optional<WindowInfo> coverer(const Rect& box, std::uint32_t windowID, const std::vector<WindowInfo>& windows,
                                  const std::vector<Rect>& displays) {
    for (const WindowInfo& w : windows) {
        // Only windows in front of the bound one can cover it.
        if (w.id == windowID) return std::nullopt;
        if (!visible(w) || w.isOwn || w.layer < 0 || !w.frame.intersects(box)) continue;
        if (w.layer > 0 && isFullDisplayOverlay(w, displays)) continue;
        return w;
    }
    return std::nullopt;
}

bool covered(const Rect& box, std::uint32_t windowID, const std::vector<WindowInfo>& windows,
             const std::vector<Rect>& displays) {
    return coverer(box, windowID, windows, displays).has_value();
}

FramePlace framePlace(const WindowAnchor& anchor, Size size, const std::vector<WindowInfo>& windows,
                      const std::vector<Rect>& displays) {
    auto it = std::find_if(windows.begin(), windows.end(),
                           [&](const WindowInfo& w) { return isSameWindow(anchor, w) && w.isOnScreen; });
    if (it == windows.end()) return FramePlace::hide();
    if (!stillInside(anchor, size, it->frame.size())) return FramePlace::hide();
    const Rect place = box(anchor, size, it->frame);
    if (covered(place, anchor.id, windows, displays)) return FramePlace::hide();
    return FramePlace::show(place);
}

bool cannotSee(bool onScreen, const DiffGrid& now, const std::optional<DiffGrid>& before) {
    if (onScreen || !now.isFlat()) return false;
    if (!before) return true;
    return PixelDiff::changed(*before, now);
}

std::optional<PixelRect> cropRect(const WindowAnchor& anchor, Size size, Size windowSize, PixelSize imageSize) {
    if (!allFinite({anchor.x, anchor.y, size.w, size.h, windowSize.w, windowSize.h})) return std::nullopt;
    if (!(windowSize.w > 0 && windowSize.h > 0) || imageSize.width <= 0 || imageSize.height <= 0) return std::nullopt;
    const double sx = imageSize.width / windowSize.w;
    const double sy = imageSize.height / windowSize.h;
    // Each edge rounded by itself, so neighbouring boxes share their pixel edges.
    const double left = std::round(sx * anchor.x);
    const double top = std::round(sy * anchor.y);
    const double right = std::round(sx * (anchor.x + size.w));
    const double bottom = std::round(sy * (anchor.y + size.h));
    if (!allFinite({left, top, right, bottom})) return std::nullopt;
    const Rect picture{0, 0, static_cast<double>(imageSize.width), static_cast<double>(imageSize.height)};
    const auto cut = Rect{left, top, right - left, bottom - top}.intersection(picture);
    if (!cut) return std::nullopt;
    const Size s = cut->size();
    if (s.w < 1 || s.h < 1) return std::nullopt;
    // Clipped to the picture, so every edge fits an int.
    return PixelRect{static_cast<int>(cut->minX()), static_cast<int>(cut->minY()), static_cast<int>(s.w),
                     static_cast<int>(s.h)};
}

std::optional<PixelSize> pictureSize(const WatchRegion& region) {
    const double w = std::round(region.w * region.scale);
    const double h = std::round(region.h * region.scale);
    if (!allFinite({w, h})) return std::nullopt;
    if (w > maxPictureSide || h > maxPictureSide) return std::nullopt;
    return PixelSize{std::max(1, static_cast<int>(std::max(w, 0.0))), std::max(1, static_cast<int>(std::max(h, 0.0)))};
}

std::optional<Image> crop(const Image& picture, const PixelRect& rect, int width, int height) {
    if (width < 1 || height < 1 || width > maxPictureSide || height > maxPictureSide) return std::nullopt;
    std::optional<Image> piece = cut(picture, rect.x, rect.y, rect.width, rect.height);
    if (!piece) return std::nullopt;
    // Resampling works on premultiplied colours; a same-size copy is untouched.
    const bool sameSize = piece->width == width && piece->height == height;
    Image out = sameSize ? std::move(*piece) : resample(*piece, width, height, /*premultiplied=*/true);
    if (!out.isValid()) return std::nullopt;
    flattenOverBlack(out, /*premultiplied=*/!sameSize);
    return out;
}

}  // namespace kestrove::WindowTracking
