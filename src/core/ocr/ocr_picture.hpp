#pragma once
// The grey picture Tesseract reads, and what is done to it first. Tesseract
// reads dark text on a light ground best and takes any mark for a letter:
// light text on a dark ground (dark themes, dark web sections) is turned
// over, and thin lines that run along an edge of the box (a widget's border,
// a table rule, a progress bar the box touches) are painted over with the
// ground, so that they do not become "i", "l" or "-" beside the text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/picture/image.hpp"

namespace kestrove {

struct GreyPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // one byte a pixel, rows top to bottom
};

// Straight-alpha RGBA to grey, as if drawn over white.
GreyPicture toGrey(const Image& image);

// The ground: the commonest grey (the median of a picture that is mostly ground).
std::uint8_t groundOf(const GreyPicture& picture);

// The median shade of `total` pixels counted by shade.
std::uint8_t medianShade(const std::array<std::size_t, 256>& counts, std::size_t total);

// The middle value (the upper one of an even count); `values` not empty.
int median(std::vector<int> values);

// Light text on a dark ground becomes dark text on a light one.
void darkOnLight(GreyPicture& picture);

// A dark panel on a light picture (a page's dark section, a dark button):
// rows whose marks run unbroken across a quarter of the width, four or more
// with text between them, are turned over so its light text reads dark.
// A panel whose text is darker than it (a selection as tight as its
// letters) takes the page's shade instead, its text staying dark.
void lightenDarkPanels(GreyPicture& picture);

// Lines along the edges: within `depth` pixels of an edge, a row (or column)
// of which at least `cover` of the pixels stand out from the ground is a
// line, not text; it and whatever lies between it and the edge become ground.
void clearEdgeLines(GreyPicture& picture, int depth);

// All of these, and badges turned over (ocr_badges).
void prepareForRecognition(GreyPicture& picture);

// How far a pixel must stand from the ground to be a mark.
inline constexpr int markContrast = 48;

// The marks of a picture with the given ground.
struct Marks {
    const GreyPicture& p;
    int ground;
    bool at(int x, int y) const {
        return std::abs(int(p.pixels[static_cast<std::size_t>(y) * p.width + x]) - ground) >= markContrast;
    }
    // None outside the picture.
    bool within(int x, int y) const { return x >= 0 && y >= 0 && x < p.width && y < p.height && at(x, y); }
};


}  // namespace kestrove
