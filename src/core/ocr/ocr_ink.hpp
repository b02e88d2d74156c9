#pragma once
// Marks of a prepared picture as the layout and the cursor removal see
// them: rows of ink, and the connected pieces within a row.

#include <utility>
#include <vector>

#include "core/ocr/ocr_line_split.hpp"
#include "core/ocr/ocr_picture.hpp"

namespace kestrove {

struct Band {
    int top = 0, bottom = 0;  // rows [top, bottom)
};

// Bands of ink parted by blank rows (bands under 3 pixels are no text);
// with `split`, two lines touching by a descender are parted too.
std::vector<Band> rowsOf(const Marks& m, bool split = true);

// One connected piece (4-neighbours): of ink within a row, or as piecesWhere finds.
struct InkPiece {
    PixelBox box;
    std::vector<int> pixels;  // indices into the picture
    int count() const { return static_cast<int>(pixels.size()); }
};
std::vector<InkPiece> piecesOf(const Marks& m, const Band& row);

// The columns and rows holding ink within `box`; no height when none do.
PixelBox inkWithin(const Marks& m, const PixelBox& box);

// The 4-connected pieces, found row by row, of the pixels of `area` (of a
// picture `width` wide) for which `in(x, y)` holds; `label` gets each pixel
// of `area` the index of its piece, -1 for none, row by row.
template <typename In>
std::vector<InkPiece> piecesWhere(int width, const PixelBox& area, In in, std::vector<int>& label) {
    label.assign(static_cast<std::size_t>(area.width()) * area.height(), -1);
    auto at = [&](int x, int y) -> int& {
        return label[static_cast<std::size_t>(y - area.top) * area.width() + (x - area.left)];
    };
    std::vector<InkPiece> pieces;
    std::vector<std::pair<int, int>> stack;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            if (at(x, y) >= 0 || !in(x, y)) continue;
            const int own = static_cast<int>(pieces.size());
            InkPiece piece{{x, y, x + 1, y + 1}, {}};
            stack.push_back({x, y});
            at(x, y) = own;
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                piece.box = unite(piece.box, {px, py, px + 1, py + 1});
                piece.pixels.push_back(py * width + px);
                for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const int nx = px + dx, ny = py + dy;
                    if (nx < area.left || nx >= area.right || ny < area.top || ny >= area.bottom || at(nx, ny) >= 0 ||
                        !in(nx, ny))
                        continue;
                    at(nx, ny) = own;
                    stack.push_back({nx, ny});
                }
            }
            pieces.push_back(std::move(piece));
        }
    return pieces;
}

}  // namespace kestrove
