#include "core/ocr/ocr_ink.hpp"

#include <algorithm>
#include <cstdlib>

namespace kestrove {

namespace {

// Ink shorter than this is a rule, an underline or a speck, not a row of text.
constexpr int shortestRow = 3;

int inkInRow(const Marks& m, int y) {
    int n = 0;
    for (int x = 0; x < m.p.width; ++x) n += m.at(x, y);
    return n;
}

// Ink of row y that continues ink of the row above.
int joinedToRowAbove(const Marks& m, int y) {
    int n = 0;
    for (int x = 0; x < m.p.width; ++x) n += m.at(x, y) && m.at(x, y - 1);
    return n;
}

// Two lines with no blank row between them (a descender touching the line
// below, a terminal's block cursor right under it) part in the band's middle
// where the fewest strokes go on from one row to the next (the fewest ink
// rows first), when those are a tenth of the band's fullest row or less:
// the descenders stay with their line, the cursor with its own.
void addBand(const Marks& m, const Band& band, std::vector<Band>& rows, int depth) {
    const int h = band.bottom - band.top;
    if (h < shortestRow) return;
    int peak = 0, cut = -1, joined = 0, ink = 0;
    for (int y = band.top; y < band.bottom; ++y) peak = std::max(peak, inkInRow(m, y));
    // Never at the band's first row: there is no row above it to join
    // (a band of three rows starting at the picture's top).
    for (int y = band.top + std::max(1, (3 * h) / 10); depth < 4 && y < band.bottom - (3 * h) / 10; ++y) {
        const int j = joinedToRowAbove(m, y), n = inkInRow(m, y);
        if (cut < 0 || j < joined || (j == joined && n < ink)) cut = y, joined = j, ink = n;
    }
    // Each side must be a line of its own, not a line's descenders.
    const int upper = cut - band.top, lower = band.bottom - cut;
    if (cut < 0 || 10 * joined > peak || 5 * std::min(upper, lower) < 3 * std::max(upper, lower)) {
        rows.push_back(band);
        return;
    }
    addBand(m, {band.top, cut}, rows, depth + 1);
    addBand(m, {cut, band.bottom}, rows, depth + 1);
}

}  // namespace

std::vector<Band> rowsOf(const Marks& m, bool split) {
    std::vector<Band> rows;
    int start = -1;
    for (int y = 0; y <= m.p.height; ++y) {
        const bool any = y < m.p.height && inkInRow(m, y) > 0;
        if (any && start < 0) start = y;
        if (!any && start >= 0) {
            addBand(m, {start, y}, rows, split ? 0 : 4);
            start = -1;
        }
    }
    return rows;
}


std::vector<InkPiece> piecesOf(const Marks& m, const Band& row) {
    std::vector<int> label;
    return piecesWhere(m.p.width, {0, row.top, m.p.width, row.bottom}, [&](int x, int y) { return m.at(x, y); }, label);
}

PixelBox inkWithin(const Marks& m, const PixelBox& box) {
    PixelBox ink{box.right, box.bottom, box.left, box.top};
    for (int y = std::max(box.top, 0); y < std::min(box.bottom, m.p.height); ++y)
        for (int x = std::max(box.left, 0); x < std::min(box.right, m.p.width); ++x)
            if (m.at(x, y)) ink = unite(ink, {x, y, x + 1, y + 1});
    return ink;
}

}  // namespace kestrove
