#pragma once
// The window a frame draws in, as its controller drives it. The real one is
// FrameWindow (a widget); tests use a fake that records what was asked.

#include <chrono>
#include <functional>
#include <vector>

#include "core/foundation/geometry.hpp"

namespace kestrove {

struct FrameModel;

class FrameSurface {
public:
    virtual ~FrameSurface() = default;

    // The window's rectangle as last set, in global points.
    virtual Rect geometry() const = 0;
    virtual void setGeometry(const Rect& window) = 0;
    // Measures the drawing for a box of this size with the tag on this side.
    virtual void layOut(Size regionSize, bool tagOnTop) = 0;
    // The model changed: draw again.
    virtual void redraw() = 0;
    // In front of every other window, never focused.
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
    // What it paints on screen now (none while hidden), in global points.
    virtual std::vector<Rect> shownAreas() const = 0;
};

// Runs `then` once after `wait` on the main thread, telling it how much later
// than that it came. The flash takes its steps through it, so tests step
// through virtual time.
using FrameDelay =
    std::function<void(std::chrono::milliseconds wait, std::function<void(std::chrono::milliseconds late)> then)>;

}  // namespace kestrove
