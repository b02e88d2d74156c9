#pragma once
// The geometry of drawing a box: the pointer kept on the screen where the
// drag began, the box between two points, the smallest box that counts,
// the whole-point box handed on, and the size label beside the pointer.
// Global points, y down.

#include <string>

#include "core/foundation/geometry.hpp"

namespace kestrove::SelectionGeometry {

inline constexpr double minSide = 8;

Point clamp(Point p, const Rect& screen);
// The box between two corners, whichever way the drag went.
Rect box(Point start, Point end);
// Narrower or lower than 8 points is no box.
bool accepted(const Rect& box);
// The smallest box on whole points that contains `box`.
Rect integral(const Rect& box);

// "240 × 32": the sides rounded, halves away from zero.
std::string sizeText(Size size);
// Where the label goes in its view: right of and below the pointer, at
// least 4 points inside the view.
Point labelOrigin(Point pointer, Size label, Size view);

}  // namespace kestrove::SelectionGeometry
