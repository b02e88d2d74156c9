#pragma once
// What the frame windows need to know of the desktop: whether a compositing
// manager blends translucent windows, and when another window may have come
// above them; and the one thing they ask of it: their place in the stacking.
// Main thread only.

#include <cstdint>
#include <functional>
#include <vector>

namespace kestrove {

class FrameDesktop {
public:
    virtual ~FrameDesktop() = default;

    virtual bool compositing() const = 0;

    struct Events {
        std::function<void()> compositingChanged;
        // Some window other than the frames was mapped or moved in the stacking order.
        std::function<void()> restacked;
    };
    virtual void setEvents(Events events) = 0;

    // Keeps the shown `frames` above every other program's window and below
    // our own `floating` windows (panels, menus, overlays, alerts): right
    // under the lowest of those that shows, or on top when none does. Moves
    // nothing when they already are.
    virtual void stack(const std::vector<std::uint32_t>& frames, const std::vector<std::uint32_t>& floating) = 0;
};

}  // namespace kestrove
