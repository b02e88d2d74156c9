#include "core/ocr/ocr_cursors.hpp"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "core/ocr/ocr_ink.hpp"

namespace kestrove {

namespace {

bool isBlock(const Marks& m, const InkPiece& p, int rowHeight) {
    const int w = p.box.width(), h = p.box.height();
    if (h < 6 || h < 0.75 * rowHeight || w < 0.4 * h || w > 1.1 * h) return false;
    if (p.count >= 0.9 * w * h) return true;  // filled
    // Hollow: every side and corner inked, nothing inside.
    int sides = 0, inside = 0;
    for (int x = p.box.left; x < p.box.right; ++x) sides += m.at(x, p.box.top) + m.at(x, p.box.bottom - 1);
    for (int y = p.box.top; y < p.box.bottom; ++y) sides += m.at(p.box.left, y) + m.at(p.box.right - 1, y);
    for (int y = p.box.top + 2; y < p.box.bottom - 2; ++y)
        for (int x = p.box.left + 2; x < p.box.right - 2; ++x) inside += m.at(x, y);
    return sides >= 0.95 * 2 * (w + h) && inside <= 0.05 * std::max(1, (w - 4) * (h - 4));
}

// The longest run of ink in each column of a band.
struct Column {
    int top = 0, bottom = 0;  // rows [top, bottom); empty when equal
    int length() const { return bottom - top; }
};

std::vector<Column> columnsOf(const Marks& m, const Band& band) {
    std::vector<Column> out(static_cast<std::size_t>(m.p.width));
    for (int x = 0; x < m.p.width; ++x) {
        Column& best = out[static_cast<std::size_t>(x)];
        for (int y = band.top, start = -1; y <= band.bottom; ++y) {
            const bool ink = y < band.bottom && m.at(x, y);
            if (ink && start < 0) start = y;
            if (!ink && start >= 0) {
                if (y - start > best.length()) best = {start, y};
                start = -1;
            }
        }
    }
    return out;
}

// A filled block touching a letter (its anti-aliased edge) is one piece
// with it: such a block is found by its columns, side by side, each inked
// from the block's top to its bottom, at least three quarters of the line
// tall, together 0.4 to 1.1 times as wide as tall.
void clearFilledBlocks(const Marks& m, const Band& line, const std::vector<Column>& columns, std::vector<int>& cleared) {
    const int lineHeight = line.bottom - line.top;
    auto tall = [&](const Column& c) { return c.length() >= 6 && c.length() >= 0.75 * lineHeight; };
    auto same = [](const Column& a, const Column& b) {
        return std::abs(a.top - b.top) <= 1 && std::abs(a.bottom - b.bottom) <= 1;
    };
    const int w = m.p.width;
    for (int x = 0; x < w;) {
        const Column& first = columns[static_cast<std::size_t>(x)];
        int end = x + 1;
        while (tall(first) && end < w && same(first, columns[static_cast<std::size_t>(end)])) ++end;
        const int h = first.length();
        if (tall(first) && end - x >= 0.4 * h && end - x <= 1.1 * h)
            for (int i = x; i < end; ++i)
                for (int y = columns[static_cast<std::size_t>(i)].top; y < columns[static_cast<std::size_t>(i)].bottom; ++y)
                    cleared.push_back(y * w + i);
        x = end;
    }
}

// A bar cursor: one or two columns that run from the top of the line to
// below the line the text stands on, a tenth taller than any other stroke
// of the line. It may touch a letter (a serif), so columns are judged, not pieces.
void clearBars(const Marks& m, const Band& line, const std::vector<Column>& columns, std::vector<int>& cleared) {
    // The line the text stands on: where most columns' lowest ink ends (not
    // their longest stroke's end: a thin o's longest stroke is its top).
    std::map<int, int> bottoms;
    for (int x = 0; x < m.p.width; ++x)
        for (int y = line.bottom - 1; y >= line.top; --y)
            if (m.at(x, y)) {
                ++bottoms[y + 1];
                break;
            }
    int baseline = 0;
    for (const auto& [bottom, n] : bottoms)
        if (n > bottoms[baseline]) baseline = bottom;
    const int w = m.p.width;
    for (int x = 0; x < w;) {
        auto bar = [&](int at) {
            const Column& c = columns[static_cast<std::size_t>(at)];
            return c.length() >= 8 && c.top <= line.top + 1 && c.bottom >= baseline + 2;
        };
        if (!bar(x)) {
            ++x;
            continue;
        }
        int end = x;
        while (end < w && bar(end)) ++end;
        int tallest = 0, others = 0;
        for (int i = x; i < end; ++i) tallest = std::max(tallest, columns[static_cast<std::size_t>(i)].length());
        for (int i = 0; i < w; ++i)
            if (i < x - 2 || i >= end + 2) others = std::max(others, columns[static_cast<std::size_t>(i)].length());
        if (end - x <= std::max(2, tallest / 8) && tallest >= 1.1 * others && others > 0)
            for (int i = x; i < end; ++i)
                for (int y = columns[static_cast<std::size_t>(i)].top; y < columns[static_cast<std::size_t>(i)].bottom; ++y)
                    cleared.push_back(y * w + i);
        x = end;
    }
}

// Something the box cuts at its top or bottom edge (the top of a cursor on
// the line below, the feet of the line above) that stands wholly beyond
// everything else of its band, descenders too, is not of this line.
void clearCutPieces(const Marks& m, std::vector<int>& cleared) {
    for (const Band& band : rowsOf(m, false)) {
        const bool atTop = band.top == 0, atBottom = band.bottom == m.p.height;
        if (!atTop && !atBottom) continue;
        const std::vector<InkPiece> pieces = piecesOf(m, band);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const PixelBox& b = pieces[i].box;
            const bool cutBelow = atBottom && b.bottom == m.p.height, cutAbove = atTop && b.top == 0;
            if (!cutBelow && !cutAbove) continue;
            bool beyond = pieces.size() > 1;
            for (std::size_t j = 0; j < pieces.size() && beyond; ++j)
                if (j != i) beyond = cutBelow ? pieces[j].box.bottom <= b.top : pieces[j].box.top >= b.bottom;
            if (beyond) cleared.insert(cleared.end(), pieces[i].pixels.begin(), pieces[i].pixels.end());
        }
    }
}


}  // namespace

void removeCursors(GreyPicture& prepared) {
    if (prepared.width < 1 || prepared.height < 1) return;
    const int ground = groundOf(prepared);
    const Marks m{prepared, ground};
    const std::vector<Band> lines = rowsOf(m);
    auto lineOf = [&](const InkPiece& p) {
        const int middle = (p.box.top + p.box.bottom) / 2;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (middle >= lines[i].top && middle < lines[i].bottom) return static_cast<int>(i);
        return -1;
    };
    std::vector<int> cleared;
    // Pieces are found in whole bands, so a cursor cut by a line's parting stays whole.
    for (const Band& band : rowsOf(m, false)) {
        const std::vector<InkPiece> pieces = piecesOf(m, band);
        std::vector<int> line(pieces.size());
        for (std::size_t i = 0; i < pieces.size(); ++i) line[i] = lineOf(pieces[i]);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (line[i] < 0) continue;
            const Band& own = lines[static_cast<std::size_t>(line[i])];
            if (isBlock(m, pieces[i], own.bottom - own.top))
                cleared.insert(cleared.end(), pieces[i].pixels.begin(), pieces[i].pixels.end());
        }
    }
    for (const Band& line : lines) {
        const std::vector<Column> columns = columnsOf(m, line);
        clearFilledBlocks(m, line, columns, cleared);
        clearBars(m, line, columns, cleared);
    }
    clearCutPieces(m, cleared);
    for (int i : cleared) prepared.pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ground);
}


}  // namespace kestrove
