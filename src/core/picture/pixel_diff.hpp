#pragma once
// The coarse change test: a box's picture reduced to a small colour grid and
// compared cell by cell with the previous one.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/picture/image.hpp"

namespace kestrove {

// Cells row by row from the top; RGBA, premultiplied by alpha.
struct DiffGrid {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    // One colour within a small tolerance: a blank or uniformly filled box.
    bool isFlat() const;
    bool operator==(const DiffGrid&) const = default;
};

namespace PixelDiff {

inline constexpr int gridLongSide = 128;

struct Result {
    bool changed = false;
    int changedCells = 0;
    double ratio = 0;
    bool operator==(const Result&) const = default;
};

// No grid for a picture without pixels or whose buffer is too short.
std::optional<DiffGrid> grid(const Image& image, int longSide = gridLongSide);

Result compare(const DiffGrid& a, const DiffGrid& b, int channelThreshold, double minRatio, int minCells);

// The test the watch loop and the window rules use.
bool changed(const DiffGrid& a, const DiffGrid& b);

// Whether what a picture shows changed at all, pixel by pixel: three pixels
// or more, not a thin upright strip (a caret); pictures of other sizes, or
// without pixels, differ. The coarse test can miss one small digit turning
// into another; text read from a picture must come from that picture. Reads
// the two pictures in place: rows alike byte for byte cost a memcmp, and it
// stops as soon as the answer cannot change.
bool changedInDetail(const Image& a, const Image& b);

}  // namespace PixelDiff
}  // namespace kestrove
