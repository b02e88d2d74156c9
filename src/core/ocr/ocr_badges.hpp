#pragma once
// A badge: text knocked out of a filled box or pill ("68%" in white on a
// blue pill) on a light picture. Tesseract takes the box for one dark blob
// with holes and reads nothing; within its outline the box is turned over,
// so its text reads dark on light.

#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

// A pill of one flat shade round a line of text, of any hue, with light
// or dark letters, standing on a light page: within its outline its shade
// becomes the page's and its letters dark, as the same text set on the
// page reads; its smoothed rim and a border round it become page. A fill
// the line runs on past (a bar filled to mid-label, a selection) is one
// too, however tight round its part, unless a dark letter reaches its top
// or bottom (a selection as tight as its letters, whose letters cannot be
// told from the page: lightenDarkPanels takes it). Tesseract read dark
// letters on a light pill as nothing, and a mid-bright pill was turned over
// in part as a dark panel. A box drawn inside a pill, the page in its corners, is one
// too; a coloured ground reaching across the picture otherwise is left to
// lightenFilledBox, and a pill on a dark page to lightenBadges once the
// page is turned over. Run first: dark letters stand out from the page
// more than from their pill, and a bold 8 took a filled block's shape.
void flattenPills(GreyPicture& picture);

// Each filled piece of ink with two holes or more at least 30 % as tall as
// itself (letters knocked out of it, with room round them in a roomy pill;
// a bold letter's counters are smaller) becomes ground, and its holes ink,
// within its outline.
void lightenBadges(GreyPicture& picture);

// A box drawn tight round a badge, or within a coloured panel, has the
// badge's colour for its ground: light text on a ground of middle shade
// (orange, green, red, blue, purple) becomes dark text on white, and the
// light pieces the picture's edge cuts (the page in a pill's corners)
// become ground. Dark text on a light colour is left as it is.
void lightenFilledBox(GreyPicture& picture);

}  // namespace kestrove
