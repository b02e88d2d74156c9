#pragma once
// The engine on the desktop with our own windows over display boxes, and a
// second capturer to see the screen as it shows, ours included.

#include <string>

#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "engine/engine_desktop.hpp"

namespace kestrove::testing {

struct OwnWindowsDesktop : EngineOnDesktop {
    XcbScreenCapturer screen{*platform.screens};

    // Read afresh every time: a kept picture of this second capturer misses
    // what reaches the screen through the engine capturer's redirections.
    Image raw(const Rect& box) {
        const Captured c = screen.captureScreen(unbound(box));
        return c.ok() ? c.value() : Image{};
    }
    WatchSpec anyChange(const std::string& id, const Rect& box) const {
        return spec(id, "anything changes", WatchType::anyChange, WatchMode::everyTime, unbound(box), 2);
    }
    // Time for the other programs to draw between checks.
    void pause(int ms) { desktop::waitFor([] { return false; }, ms); }
};

}  // namespace kestrove::testing
