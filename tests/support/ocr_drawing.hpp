#pragma once
// Small grey pictures drawn from text for the recognition's unit tests.

#include <string>
#include <vector>

#include <algorithm>

#include "core/ocr/ocr_layout.hpp"
#include "core/ocr/ocr_picture.hpp"

namespace kestrove::drawing {

// '.' ground, '#' ink, ':' a half-tone (anti-aliased) pixel.
inline GreyPicture drawn(const std::vector<std::string>& rows) {
    GreyPicture p{static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), {}};
    for (const std::string& row : rows)
        for (char c : row) p.pixels.push_back(c == '#' ? 20 : c == ':' ? 130 : 250);
    return p;
}

// Back to rows: '#' where darker than mid-grey.
inline std::vector<std::string> rowsOf(const GreyPicture& p) {
    std::vector<std::string> out;
    for (int y = 0; y < p.height; ++y) {
        std::string row;
        for (int x = 0; x < p.width; ++x) row += p.pixels[static_cast<std::size_t>(y) * p.width + x] < 100 ? '#' : '.';
        out.push_back(row);
    }
    return out;
}

// A block of ink w × h at (x, y).
inline void ink(std::vector<std::string>& rows, int x, int y, int w, int h) {
    for (int r = y; r < y + h; ++r)
        for (int c = x; c < x + w; ++c) rows[r][c] = '#';
}

// A letter like an n: two stems and a bar across the top.
inline void letter(std::vector<std::string>& rows, int x, int y, int w, int h) {
    ink(rows, x, y, w, 1);
    ink(rows, x, y, 1, h);
    ink(rows, x + w - 1, y, 1, h);
}

// Rows the box's edge cuts painted over, and those it may cut as well (as
// the reading leaves them when it reads them cut).
inline void clearAllCutRows(GreyPicture& p) {
    const auto ground = static_cast<std::uint8_t>(groundOf(p));
    for (const Band& b : clearCutRows(p))
        std::fill(p.pixels.begin() + static_cast<std::ptrdiff_t>(b.top) * p.width,
                  p.pixels.begin() + static_cast<std::ptrdiff_t>(b.bottom) * p.width, ground);
}

inline std::vector<std::string> blank(int w, int h) { return std::vector<std::string>(h, std::string(w, '.')); }

}  // namespace kestrove::drawing
