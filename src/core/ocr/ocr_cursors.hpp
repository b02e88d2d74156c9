#pragma once
// A text cursor is not text: filled and hollow blocks, bars taller than the
// line, and what the box cuts of a cursor on the line below are painted
// over before the picture is read.

#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

// Cursors painted over with the ground: in each row, a filled or hollow
// block at least 75 % of the row's height and 0.4 to 1.1 times as wide as
// tall (a filled one also where it touches a letter), and a bar at most 2
// pixels (or an eighth of its height) wide that stands at least 10 % taller
// than anything else in its row; and whatever the box cuts at its top or
// bottom edge that lies beyond the rest of its band (a cursor's top on the
// line below).
void removeCursors(GreyPicture& prepared);

}  // namespace kestrove
