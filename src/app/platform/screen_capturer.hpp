#pragma once
// The picture of one watched box: from its display, or, for a box bound to a
// window, from that window even when something covers it. Every picture has
// the region's pixel size.

#include <optional>
#include <utility>
#include <variant>

#include "core/windows/capture_error.hpp"
#include "core/foundation/geometry.hpp"
#include "core/picture/image.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

// A picture or the reason there is none.
class Captured {
public:
    Captured(Image image) : value_(std::move(image)) {}
    Captured(CaptureError error) : value_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<Image>(value_); }
    const Image& image() const { return std::get<Image>(value_); }
    Image& image() { return std::get<Image>(value_); }
    const CaptureError& error() const { return std::get<CaptureError>(value_); }

private:
    std::variant<Image, CaptureError> value_;
};

// What the last successful window capture saw, for the developer checks.
struct WindowCaptureFacts {
    Size windowPoints;   // the window's size in points
    double scale = 1;    // picture pixels per point
    int imageWidth = 0;  // the whole window's picture, pixels
    int imageHeight = 0;
    PixelRect crop;      // the box inside that picture
    bool operator==(const WindowCaptureFacts&) const = default;
};

class ScreenCapturer {
public:
    virtual ~ScreenCapturer() = default;
    virtual Captured capture(const WatchRegion& region) = 0;
    virtual std::optional<WindowCaptureFacts> lastWindowCapture() const = 0;
};

}  // namespace kestrove
