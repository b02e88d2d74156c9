#pragma once
// Where the frame window goes around a watched box, and where its parts sit
// inside it. Global points, origin at the top-left, y down. Pure functions,
// so the measures are tested without a display.

#include <vector>

#include "core/foundation/geometry.hpp"

namespace kestrove::FrameGeometry {

inline constexpr double margin = 5;      // window beyond the box, away from the tag
inline constexpr double tagBand = 23;    // window beyond the box on the tag's side
inline constexpr double minWidth = 190;  // room for the longest tag
inline constexpr double tagRoom = 25;    // room above the box that puts the tag on top
inline constexpr double tagHeight = 16;
inline constexpr double tagRings = 2;    // the tag's rings reach this far beyond its pill

struct Layout {
    Rect window;
    bool tagOnTop = true;
    bool operator==(const Layout&) const = default;
};

// The window around `box` on the screen whose frame is `screen`: the tag goes
// above the box when there is room for it below the screen's top edge.
Layout around(const Rect& box, const Rect& screen);

// The box inside the window.
Rect boxInView(Size regionSize, bool tagOnTop);
// The top-left corner of the tag's pill inside the window.
Point tagOrigin(Size regionSize, bool tagOnTop);

// What the frame paints on screen, in global points: the ring just outside
// the box, the tag with its rings, and the box itself while a flash runs.
std::vector<Rect> paintedAreas(const Rect& box, bool tagOnTop, Size tagSize, bool flashing);

}  // namespace kestrove::FrameGeometry
