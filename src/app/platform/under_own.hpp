#pragma once
// Where a display box's pixels come from when some of our own windows lie
// over it. Each pixel is decided by the windows over it, top to bottom: the
// first opaque window of another program that shows there gives it (read
// from the screen when none of ours lies above it, else from that window's
// own picture); with none, the root's background does. A pixel where one of
// ours shows and a translucent window of another program blends with it, or
// with what lies under ours, cannot be rebuilt: it is unknown, as is one of
// ours inside another program's window (the tray icon, which that window's
// picture holds too). The capturer takes the unknown from the last picture
// in which it showed. Under a compositing manager, ours may also only shade
// what lies below (a shadow drawn around it, a see-through inside): that is
// rebuilt alike, but where only the bare root lies below and its background
// is not known, the screen's own pixels are the nearest to the truth.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/foundation/pixel_region.hpp"
#include "core/picture/image.hpp"

namespace kestrove {

struct StackedLayer {
    std::uint32_t id = 0;
    PixelRegion shows;                // root pixels it puts on screen (its shape)
    std::optional<PixelRegion> ours;  // ours: where it paints; none for another program's
    bool translucent = false;         // blends with what lies below it
    PixelRegion shades;               // ours: where it only shades what lies below
    PixelRegion embedded;             // another program's: where ours lies inside it (the tray icon)
};

struct UnderOwnPlan {
    struct FromWindow {
        std::uint32_t id = 0;
        PixelRegion part;
    };
    std::vector<FromWindow> windows;  // from each window's own picture
    PixelRegion background;           // the bare root under ours
    PixelRegion shadedBackground;     // the bare root under nothing of ours but shade
    PixelRegion unknown;              // nothing honest to rebuild it from
    bool empty() const {
        return windows.empty() && background.empty() && shadedBackground.empty() && unknown.empty();
    }
};

namespace UnderOwn {

// `layers` bottom to top; only what lies inside `area` is planned. Parts
// not named in the plan are the screen's own pixels.
UnderOwnPlan plan(const PixelRect& area, const std::vector<StackedLayer>& layers);

// `part` of `picture` (which shows `area`, root pixels) taken from `last`,
// an earlier picture of the same area.
void takeFrom(Image& picture, const Image& last, const PixelRect& area, const PixelRegion& part);

// Pixels never seen, filled from the nearest seen ones (along the row, else
// the column): flat, steady ground the rest is judged against, no invented
// ink. False when nothing of the picture was seen.
bool fillUnseen(Image& picture, const PixelRect& area, const PixelRegion& unseen);

}  // namespace UnderOwn

}  // namespace kestrove
