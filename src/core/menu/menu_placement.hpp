#pragma once
// Where the tray panel goes and how tall its wall may grow, from the
// visible part of the screen (without the desktop's panels) and the tray
// icon's place. Pure, so it is tested without a display.
//
// The panel hangs 6 points under an icon near the top of the screen, as a
// menu would; a tray at the bottom (the icon in the lower half) gets it
// 6 points above instead. Either way it stays inside the visible frame,
// 8 points in from its left and right edges.

#include "core/foundation/geometry.hpp"

namespace kestrove::MenuPlacement {

inline constexpr double edge = 8;      // from the visible frame's sides
inline constexpr double hang = 6;      // between the icon and the panel
inline constexpr double smallest = 148;  // the wall's least height when it scrolls

// The greatest height of the wall before it scrolls: what the visible
// frame leaves after the panel's fixed rows (with or without the update row).
double wallLimit(double visibleHeight, bool updateRow);

// The panel's frame for content `contentHeight` high; `anchor` is the
// icon's rectangle, or a point-sized one at the pointer.
Rect frame(const Rect& anchor, const Rect& visible, double contentHeight);

}  // namespace kestrove::MenuPlacement
