#pragma once
// What the frame windows need to know of the desktop: whether a compositing
// manager blends translucent windows, and when another window may have come
// above them; and what they ask of it: their place in the stacking, and a
// window of one colour painted by the server.
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

    // The server paints `window` in `pixel` (a value of its visual) wherever
    // it shows, so the window needs no picture of its own.
    virtual void paintBackground(std::uint32_t window, std::uint32_t pixel) = 0;
};

}  // namespace kestrove
