#pragma once
// What the frame windows need to know of the desktop: whether a compositing
// manager blends translucent windows, and when another window may have come
// above them. Main thread only.

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
        // Some window other than ours was mapped or moved in the stacking order.
        std::function<void()> restacked;
    };
    virtual void setEvents(Events events) = 0;

    // Whether a window that is not one of `ours` shows above one of them.
    virtual bool anyAbove(const std::vector<std::uint32_t>& ours) = 0;
};

}  // namespace kestrove
