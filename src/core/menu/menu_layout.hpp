#pragma once
// Every size of the tray panel's wall of monitors, and the arithmetic that
// turns picture sizes into monitor and wall heights. The panel sizes its
// window from these before any view exists, and the views draw at exactly
// these sizes, so the two always agree. Points throughout.

#include <optional>
#include <vector>

#include "core/foundation/geometry.hpp"

namespace kestrove::MenuLayout {

inline constexpr double width = 372;  // the panel's content width
inline constexpr double padding = 10;  // the wall's inset from the panel's edges
inline constexpr double gap = 8;       // between monitors, both ways
inline constexpr double largeTop = 36;
inline constexpr double largeFeedGap = 10;
inline constexpr double largeCaption = 43;
inline constexpr Size largeFeed{320, 120};
inline constexpr double smallTop = 30;
inline constexpr double smallMatGap = 6;
inline constexpr double smallMat = 62;
inline constexpr double smallCaption = 50;
inline constexpr Size smallFeed{144, 50};
inline constexpr double updateRow = 40;  // what the desk's update row takes
inline constexpr double slot = 56;       // the New Watch tile
inline constexpr double free = 252;      // the wall with no watch: the free monitor

inline constexpr double wallWidth = width - 2 * padding;                          // 352
inline constexpr double smallWidth = (wallWidth - gap) / 2;                       // 172
inline constexpr double smallHeight = smallTop + smallMatGap + smallMat + smallCaption;  // 148

// Three watches or more show as a grid of small monitors; fewer as large ones.
bool usesGrid(int count);

// The size a picture of `picture` points is drawn at in a monitor: fitted
// into the monitor's box, enlarged at most twice (large) or not at all
// (small), never below 8 on a side. No picture, or an empty one, gives the
// placeholder (320 × 64 large, 144 × 40 small).
Size feedSize(std::optional<Size> picture, bool small);

// One large monitor whose picture is drawn at `feed`.
double largeHeight(Size feed);

// The whole wall for the watches in display order, each given by its
// picture size (none: no picture).
double wallHeight(const std::vector<std::optional<Size>>& pictures);

// The wall scrolls once it is taller than `limit`.
bool scrolls(double wallHeight, double limit);

}  // namespace kestrove::MenuLayout
