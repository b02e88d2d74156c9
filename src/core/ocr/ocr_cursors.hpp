#pragma once
// A text cursor is not text, whatever its state and wherever the box cuts
// it: filled and hollow blocks, bars taller than the line, and what the box
// cuts of a cursor on the line below are painted over before the picture is
// read.

#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

// Filled and hollow blocks painted over with the ground, as drawn: at least
// 75 % of their row's height (or the tallest mark of its band) and 0.4 to
// 1.1 times as wide as tall, or what the picture's edges leave of one (cut
// across, any narrower part; cut along, 3 pixels or more; beside letters,
// only a filled part that reaches below the line they stand on). Run before
// the picture is prepared: cleaning its edges would take a cut block's side.
void removeBlockCursors(GreyPicture& picture);

// Cursors painted over with the ground: in each row, the blocks above (a
// filled one also where it touches a letter), and a bar at most 2 pixels
// (or an eighth of its height) wide that stands at least 10 % taller than
// anything else in its row, before its text or after it (one with text on
// both sides is a glyph, "Tabs | 12", unless it rises clear above the
// ascenders or capitals of its row right against a letter, as a caret
// placed mid-line does); and whatever the box cuts at its top or bottom
// edge that lies beyond the rest of its band (a cursor's top on the line
// below).
void removeCursors(GreyPicture& prepared);

}  // namespace kestrove
