#pragma once
// Marks of a prepared picture as the layout and the cursor removal see
// them: rows of ink, and the connected pieces within a row.

#include <cstdlib>
#include <vector>

#include "core/ocr/ocr_line_split.hpp"
#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

struct Marks {
    const GreyPicture& p;
    int ground;
    bool at(int x, int y) const {
        return std::abs(int(p.pixels[static_cast<std::size_t>(y) * p.width + x]) - ground) >= markContrast;
    }
};

struct Band {
    int top = 0, bottom = 0;  // rows [top, bottom)
};

// Bands of ink parted by blank rows (bands under 3 pixels are no text);
// with `split`, two lines touching by a descender are parted too.
std::vector<Band> rowsOf(const Marks& m, bool split = true);

// One connected piece of ink (4-neighbours) within a row.
struct InkPiece {
    PixelBox box;
    int count = 0;
    std::vector<int> pixels;  // indices into the picture
};
std::vector<InkPiece> piecesOf(const Marks& m, const Band& row);

PixelBox unite(const PixelBox& a, const PixelBox& b);

}  // namespace kestrove
