#pragma once
// Binding a watched box to the window under it: which window a drawn box
// belongs to, where the box is now, whether something covers it, and which
// pixels of a window picture are the box. Pure functions on plain values.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/foundation/geometry.hpp"
#include "core/picture/image.hpp"
#include "core/picture/pixel_diff.hpp"
#include "core/foundation/raw_value.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

// Which life of a window a list entry shows, as the list that made it
// counts them: X11 hands a destroyed window's id to the next window made,
// and a list that heard the destroy notice gives the newcomer a new life.
// Only lives from the same list compare; a list that does not count gives 0.
struct WindowLife {
    std::uint32_t list = 0;
    std::uint64_t serial = 0;
    bool counted() const { return serial != 0; }
    bool operator==(const WindowLife&) const = default;
};

// One window of the system window list. Lists are front to back.
struct WindowInfo {
    std::uint32_t id = 0;
    std::string app;                      // "" when the list gives none
    std::optional<std::string> bundleID;  // filled in by the binder
    Rect frame;                           // global points
    int layer = 0;                        // 0 for ordinary application windows
    double alpha = 1;
    bool isOnScreen = true;
    bool isOwn = false;
    std::int32_t ownerPID = 0;
    WindowLife life;
    bool operator==(const WindowInfo&) const = default;
};

// Why a bound box lost its window.
enum class WindowLoss { closed, outside, notOnScreen };

template <> struct RawValues<WindowLoss> {
    static constexpr std::array<std::pair<WindowLoss, std::string_view>, 3> table{{
        {WindowLoss::closed, "closed"}, {WindowLoss::outside, "outside"}, {WindowLoss::notOnScreen, "notOnScreen"},
    }};
};

namespace WindowTracking {

// Where the frame around a bound box goes: shown at `box`, or hidden.
struct FramePlace {
    std::optional<Rect> box;

    static FramePlace show(const Rect& r) { return {r}; }
    static FramePlace hide() { return {}; }
    bool isShown() const { return box.has_value(); }
    bool operator==(const FramePlace&) const = default;
};

// Beyond this many pixels a side no real screen goes; larger products come
// only from a damaged region and are refused rather than allocated.
inline constexpr int maxPictureSide = 32767;

// How far the box may stick out of its window before it counts as outside.
inline constexpr double insideTolerance = 0.5;

// The window a drawn box binds to, or none. `usable` is the visible area of
// the screen the box was drawn on.
std::optional<WindowInfo> pick(const Rect& box, const std::vector<WindowInfo>& windows,
                               const std::vector<Rect>& displays, const std::optional<Rect>& usable = std::nullopt);

WindowAnchor anchor(const Rect& box, const WindowInfo& window);

// The box at the window's current place; its size never follows the window.
Rect box(const WindowAnchor& anchor, Size size, const Rect& windowFrame);

bool stillInside(const WindowAnchor& anchor, Size size, Size windowSize);

// Whether a listed window is the one the anchor was made from. X11 reuses
// window ids, so a known owner or app name that differs means another window.
bool isSameWindow(const WindowAnchor& anchor, const WindowInfo& window);

// The first window in front of the bound one that hides part of the box.
std::optional<WindowInfo> coverer(const Rect& box, std::uint32_t windowID, const std::vector<WindowInfo>& windows,
                                  const std::vector<Rect>& displays);
bool covered(const Rect& box, std::uint32_t windowID, const std::vector<WindowInfo>& windows,
             const std::vector<Rect>& displays);

FramePlace framePlace(const WindowAnchor& anchor, Size size, const std::vector<WindowInfo>& windows,
                      const std::vector<Rect>& displays);

// A window off screen whose picture went blank (and, with an earlier picture,
// changed from it) can no longer be seen.
bool cannotSee(bool onScreen, const DiffGrid& now, const std::optional<DiffGrid>& before);

// The box's pixels in a picture of the whole window, clipped to the picture;
// none when nothing of it is left or any input is not a usable number.
std::optional<PixelRect> cropRect(const WindowAnchor& anchor, Size size, Size windowSize, PixelSize imageSize);

// The pixel size of every picture of the region: at least 1 × 1. None for a
// region whose size or scale is not a number or absurdly large.
std::optional<PixelSize> pictureSize(const WatchRegion& region);

// The rectangle cut out of the picture and brought to width × height, opaque
// (translucent pixels are laid over black). Same size: an exact copy.
std::optional<Image> crop(const Image& picture, const PixelRect& rect, int width, int height);

}  // namespace WindowTracking
}  // namespace kestrove
