#pragma once
// Reading windows' facts over XCB, many windows in one round trip. Shared by
// the window list and the capturer (which checks one window before reading it).

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>
#include <xcb/xcb.h>

#include "app/platform/x11/xcb_connection.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove::xcbwindows {

struct Desk {
    bool hasWindowManager = false;
    xcb_window_t checkWindow = XCB_WINDOW_NONE;  // the manager's own, never listed
    std::optional<std::uint32_t> currentDesktop;
};

Desk desk(XcbConnection& x);

// One entry per window, none for a window that is gone or input-only.
// Rectangles are the client area in root pixels divided by `scale`.
std::vector<std::optional<WindowInfo>> describe(XcbConnection& x, const std::vector<xcb_window_t>& windows,
                                                const Desk& desk, double scale, pid_t self);

// The windows in stacking order, front to back: managed clients by the
// place of their frame, override-redirect windows where they lie.
std::vector<xcb_window_t> stacking(XcbConnection& x, const Desk& desk);

std::optional<std::string> bundleID(XcbConnection& x, xcb_window_t window);

}  // namespace kestrove::xcbwindows
