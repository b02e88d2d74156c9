#pragma once
// The picture of one watched box: from its display, or, for a box bound to a
// window, from that window even when something covers it. Every picture has
// the region's pixel size; a picture of a display leaves our own windows out.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/foundation/geometry.hpp"
#include "core/foundation/pending.hpp"
#include "core/foundation/result.hpp"
#include "core/picture/image.hpp"
#include "core/picture/pixel_diff.hpp"
#include "core/watch/watch_spec.hpp"
#include "core/windows/capture_error.hpp"

namespace kestrove {

// A picture or the reason there is none.
using Captured = Result<Image, CaptureError>;

// A watched box's picture with the coarse change grid the watch loop
// compares, both made on the capturer's thread: for a screen-sized box the
// grid is milliseconds of reading the whole picture.
struct BoxShot {
    Image image;
    std::optional<DiffGrid> grid;  // none for a picture without pixels
    bool operator==(const BoxShot&) const = default;
};
using CapturedBox = Result<BoxShot, CaptureError>;

// The picture and its grid, or the reason there is none.
CapturedBox withGrid(Captured captured);
// The picture alone, for callers that compare nothing.
Captured pictureOf(CapturedBox captured);

// What the last successful window capture saw, for the developer checks.
struct WindowCaptureFacts {
    Size windowPoints;   // the window's size in points
    double scale = 1;    // picture pixels per point
    int imageWidth = 0;  // the whole window's picture, pixels
    int imageHeight = 0;
    PixelRect crop;      // the box inside that picture
    bool operator==(const WindowCaptureFacts&) const = default;
};

// For main-thread callers. Answers arrive through the main-thread executor
// the capturer was made with, never inside the call, only while the handle
// is held.
class ScreenCapturer {
public:
    using Done = std::function<void(Captured)>;
    using BoxDone = std::function<void(CapturedBox)>;

    virtual ~ScreenCapturer() = default;

    // `owner`: the watch asking. Its newer capture replaces one still
    // waiting; an empty owner is a one-off. The answer carries the
    // picture's change grid.
    [[nodiscard]] virtual Pending capture(const std::string& owner, const WatchRegion& region, BoxDone done) = 0;
    // The display area as it shows, our own windows included: what the user
    // sees (the selection's still picture). A one-off; the region's window is
    // not looked at.
    [[nodiscard]] virtual Pending captureScreen(const WatchRegion& region, Done done) = 0;
    // The owner is gone: its waiting captures are dropped, and a window no
    // other owner reads is let go.
    virtual void forget(const std::string& owner) = 0;
    virtual std::optional<WindowCaptureFacts> lastWindowCapture() const = 0;

    // Whether this session lets us read the screen, as last found out (by a
    // capture or a refresh); false until the first answer. Never blocks.
    virtual bool allowed() const = 0;
    // Looks again, off the main thread; `done` gets the fresh answer.
    [[nodiscard]] virtual Pending refreshAllowed(std::function<void(bool)> done) = 0;
};

// The capturer a worker owns: one blocking capture at a time, on the thread
// that made it.
class BlockingCapturer {
public:
    virtual ~BlockingCapturer() = default;
    virtual Captured capture(const WatchRegion& region) = 0;
    // The display area with our own windows in it.
    virtual Captured captureScreen(const WatchRegion& region) = 0;
    // No watch reads this window any more: undo what reading it set up.
    virtual void release(std::uint32_t window) = 0;
    virtual std::optional<WindowCaptureFacts> lastWindowCapture() const = 0;
    virtual bool allowed() const = 0;
};

}  // namespace kestrove
