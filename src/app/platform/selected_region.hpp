#pragma once
// The box the user drew, as the region selector hands it over.

#include "app/platform/screen_space.hpp"
#include "core/foundation/geometry.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

struct SelectedRegion {
    ScreenInfo screen;   // the screen it was drawn on
    Rect rect;           // global points
    WatchRegion region;  // the box from the screen's top-left corner, with its id and scale

    static SelectedRegion make(const ScreenInfo& screen, const Rect& rect) {
        WatchRegion region;
        region.displayID = screen.displayID;
        region.x = rect.minX() - screen.frame.minX();
        region.y = rect.minY() - screen.frame.minY();
        region.w = rect.size().w;
        region.h = rect.size().h;
        region.scale = screen.scale;
        return {screen, rect, region};
    }
    bool operator==(const SelectedRegion&) const = default;
};

}  // namespace kestrove
