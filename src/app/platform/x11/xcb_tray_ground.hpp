#pragma once
// What the screen shows where our tray icon is: the tray's ground with our
// mark on it, read from the root (what the user sees, composited or not)
// on a thread and connection of its own. It is read again once the X
// server tells of a change there: the tray drew over the icon's place,
// the icon or the tray moved, the icon changed trays, the desktop's
// background changed. Notices come in bursts, so a read waits for them to
// stop; nothing is read while nothing is told.

#include <cstdint>
#include <functional>

#include "app/platform/x11/xcb_follower.hpp"
#include "core/picture/image.hpp"

namespace kestrove {

class XcbTrayGround {
public:
    // `changed` runs on the thread that makes this object with each new
    // picture of the icon's window, in device pixels; none while the icon
    // is in no tray, hidden, or off the screen.
    using Changed = std::function<void(SharedImage shown)>;

    XcbTrayGround(std::uint32_t iconWindow, Changed changed);

private:
    void run(XcbFollower& thread);

    std::uint32_t icon_;
    Changed changed_;
    XcbFollower thread_;  // last: it runs on the members above
};

}  // namespace kestrove
