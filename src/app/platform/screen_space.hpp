#pragma once
// The screens: their frames in the one global space (points, origin at the
// top-left of the virtual screen, y down), their ids and the screen that
// shows most of a rectangle.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/geometry.hpp"

namespace kestrove {

struct ScreenInfo {
    std::string name;            // the RandR output name
    std::uint32_t displayID = 0;  // ScreenSpace::displayID(name)
    Rect frame;                   // points
    Rect visibleFrame;            // without panels and docks
    double scale = 1;             // device pixels per point
    bool operator==(const ScreenInfo&) const = default;
};

// The connected screens, the main one first.
class Screens {
public:
    virtual ~Screens() = default;
    virtual std::vector<ScreenInfo> screens() const = 0;
};

namespace ScreenSpace {

// 32-bit FNV-1a of the output name, never 0, so a saved watch finds its
// display again after a restart.
std::uint32_t displayID(std::string_view outputName);

std::vector<Rect> displays(const std::vector<ScreenInfo>& screens);

// The screen whose frame overlaps the rectangle most; on equal overlap (none
// at all included) the earlier screen. None only without screens.
std::optional<ScreenInfo> screenFor(const Rect& rect, const std::vector<ScreenInfo>& screens);

std::optional<ScreenInfo> screenWithID(std::uint32_t displayID, const std::vector<ScreenInfo>& screens);

// Device pixels per point where a rectangle of root pixels lies: the scale of
// the screen (its frame times its scale, in root pixels) that shows most of
// it; 1 without screens.
double scaleAtPixels(const Rect& pixels, const std::vector<ScreenInfo>& screens);

}  // namespace ScreenSpace
}  // namespace kestrove
