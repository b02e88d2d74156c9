#pragma once
// The text colour an XEmbed tray publishes: `_NET_SYSTEM_TRAY_COLORS` on
// the window that owns the screen's tray selection, followed as it changes
// and as trays come and go. Runs on a thread of its own with its own
// connection, so nothing waits on the server on the main thread.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/platform/tray_look.hpp"
#include "app/platform/x11/xcb_follower.hpp"

namespace kestrove {

// The foreground of a `_NET_SYSTEM_TRAY_COLORS` value (twelve 16-bit
// channels: foreground, error, warning, success), when it has one.
std::optional<Rgb> trayTextOf(const std::vector<std::uint32_t>& words);

class XcbTrayColors {
public:
    // `changed` runs on the thread that makes this object, once per change;
    // the colour found at start counts as a change from none.
    using Changed = std::function<void(std::optional<Rgb> text)>;

    explicit XcbTrayColors(Changed changed);

private:
    void run(XcbFollower& thread);

    Changed changed_;
    XcbFollower thread_;  // last: it runs on the member above
};

}  // namespace kestrove
