#include "core/ocr/ocr_cursors.hpp"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>

#include "core/ocr/ocr_ink.hpp"

namespace kestrove {

namespace {

// The value counted most often (the lowest of a tie); `counts` holds one at least.
int mostCommon(const std::map<int, int>& counts) {
    return std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
               return a.second < b.second;
           })->first;
}

// The sides of a piece that the picture's edges cut off: a box drawn
// through a cursor leaves part of it, its cut sides open.
struct Cut {
    bool left = false, right = false, top = false, bottom = false;
};

Cut cutOf(const Marks& m, const PixelBox& b) {
    return {b.left == 0, b.right == m.p.width, b.top == 0, b.bottom == m.p.height};
}

// The line the text stands on: where most columns' lowest ink ends (not
// their longest stroke's end: a thin o's longest stroke is its top).
int baselineOf(const Marks& m, const Band& line) {
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
    return baseline;
}

// A filled or hollow block at least three quarters as tall as its line (or
// the tallest mark of its band: the line above may touch it) and
// 0.4 to 1.1 times as wide as tall, or what the picture's edges leave of
// one: cut across, any narrower part; cut along, a part at least 3 pixels
// tall. A hollow one has every side the edges left inked and nothing inside.
// What the edges leave of a block looks like what they leave of a letter:
// beside other marks of its line it counts only filled and as tall as the
// line, from its top to below the line the text stands on.
bool blockShape(const Marks& m, const InkPiece& p, const Band& line, bool alone, bool tallest, int baseline,
                const Cut& cut) {
    const int w = p.box.width(), h = p.box.height(), lineHeight = line.bottom - line.top;
    const bool across = cut.left || cut.right, along = cut.top || cut.bottom;
    // One line's cell at most (a frame around many lines is none); cut
    // along, the cell was taller than what is left of it.
    if (h > 1.5 * lineHeight || w > (along ? 2.2 : 1.1) * std::max(h, lineHeight)) return false;
    if (h < (along ? 3 : 6) || (h < 0.75 * lineHeight && !tallest)) return false;
    if ((!across && w < 0.4 * h) || (!along && w > 1.1 * h)) return false;
    const bool filled = p.count() >= 0.9 * w * h;
    if ((across || along) && !alone && !(filled && p.box.top <= line.top + 1 && p.box.bottom >= baseline + 2))
        return false;
    if (filled) return true;
    int sides = 0, length = 0;
    auto row = [&](int y) {
        for (int x = p.box.left; x < p.box.right; ++x) sides += m.at(x, y);
        length += w;
    };
    auto column = [&](int x) {
        for (int y = p.box.top; y < p.box.bottom; ++y) sides += m.at(x, y);
        length += h;
    };
    if (!cut.top) row(p.box.top);
    if (!cut.bottom) row(p.box.bottom - 1);
    if (!cut.left) column(p.box.left);
    if (!cut.right) column(p.box.right - 1);
    // Inside: two pixels in from each side that is there.
    const int left = p.box.left + (cut.left ? 0 : 2), right = p.box.right - (cut.right ? 0 : 2);
    const int top = p.box.top + (cut.top ? 0 : 2), bottom = p.box.bottom - (cut.bottom ? 0 : 2);
    int inside = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) inside += m.at(x, y);
    const int room = std::max(1, (right - left) * (bottom - top));
    return length > 0 && sides >= 0.95 * length && inside <= 0.05 * room;
}

// A piece may be whole or cut at each edge of the picture it touches.
bool isBlock(const Marks& m, const InkPiece& p, const Band& line, bool alone, bool tallest, int baseline) {
    const Cut touching = cutOf(m, p.box);
    for (int sides = 0; sides < 16; ++sides) {
        const Cut cut{(sides & 1) != 0, (sides & 2) != 0, (sides & 4) != 0, (sides & 8) != 0};
        if ((cut.left && !touching.left) || (cut.right && !touching.right) || (cut.top && !touching.top) ||
            (cut.bottom && !touching.bottom))
            continue;
        if (blockShape(m, p, line, alone, tallest, baseline, cut)) return true;
    }
    return false;
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
// tall, together 0.4 to 1.1 times as wide as tall, and reaching below the
// line the other columns' text stands on, as a cursor fills its cell (a
// bold r's or 6's stem stands on it).
void clearFilledBlocks(const Marks& m, const Band& line, const std::vector<Column>& columns, std::vector<int>& cleared) {
    const int lineHeight = line.bottom - line.top;
    auto tall = [&](const Column& c) { return c.length() >= 6 && c.length() >= 0.75 * lineHeight; };
    auto same = [](const Column& a, const Column& b) {
        return std::abs(a.top - b.top) <= 1 && std::abs(a.bottom - b.bottom) <= 1;
    };
    const int w = m.p.width;
    // Below each column's lowest ink.
    std::vector<int> lowest(static_cast<std::size_t>(w), -1);
    for (int x = 0; x < w; ++x)
        for (int y = line.bottom - 1; y >= line.top && lowest[static_cast<std::size_t>(x)] < 0; --y)
            if (m.at(x, y)) lowest[static_cast<std::size_t>(x)] = y + 1;
    auto standsBelow = [&](int x, int end, int bottom) {
        std::map<int, int> feet;
        for (int i = 0; i < w; ++i)
            if ((i < x || i >= end) && lowest[static_cast<std::size_t>(i)] >= 0) ++feet[lowest[static_cast<std::size_t>(i)]];
        if (feet.empty()) return true;
        return bottom >= mostCommon(feet) + 2;
    };
    for (int x = 0; x < w;) {
        const Column& first = columns[static_cast<std::size_t>(x)];
        int end = x + 1;
        while (tall(first) && end < w && same(first, columns[static_cast<std::size_t>(end)])) ++end;
        const int h = first.length();
        if (tall(first) && end - x >= 0.4 * h && end - x <= 1.1 * h && standsBelow(x, end, first.bottom))
            for (int i = x; i < end; ++i)
                for (int y = columns[static_cast<std::size_t>(i)].top; y < columns[static_cast<std::size_t>(i)].bottom; ++y)
                    cleared.push_back(y * w + i);
        x = end;
    }
}

// A caret standing between letters, told from a "|" by its top and its
// place: the glyph rises no higher than the line's ascenders (a pixel at
// most; a typewriter face's rises more, but stands mid-cell, clear of its
// neighbours), a caret to the top of the font's whole line, clear above
// them, right against a letter. A line without small letters (digits,
// capitals) shows no ascenders, but a "|" rises hardly above its capitals
// and a caret a fifth of their height or more (the font's line holds
// accents). On a line of small letters only ("x | y") that tells nothing:
// the bar stays unless it stands right against a letter.
bool caretAmidText(const Marks& m, const Band& line, const std::vector<Column>& columns, int x, int end) {
    int top = line.bottom, bottom = line.top;
    for (int i = x; i < end; ++i) {
        top = std::min(top, columns[static_cast<std::size_t>(i)].top);
        bottom = std::max(bottom, columns[static_cast<std::size_t>(i)].bottom);
    }
    const double h = bottom - top;
    // The small letters' top (where most columns' highest ink starts) and
    // the tallest letter's stem (not a speck the box cuts off the line
    // above), the bar's own columns and their edges aside.
    std::map<int, int> tops;
    int tallest = line.bottom;
    auto beside = [&](int i) { return i < x - 2 || i >= end + 2; };
    for (int i = 0; i < m.p.width; ++i) {
        if (!beside(i)) continue;
        const Column& c = columns[static_cast<std::size_t>(i)];
        if (c.length() >= 0.25 * h) tallest = std::min(tallest, c.top);
        for (int y = line.top; y < line.bottom; ++y)
            if (m.at(i, y)) {
                ++tops[y];
                break;
            }
    }
    if (tops.empty()) return false;
    const int small = mostCommon(tops);
    // Blank columns between it and the nearest ink beside it.
    auto gap = [&](int from, int step) {
        int n = 0;
        for (int i = from; i >= 0 && i < m.p.width; i += step, ++n)
            for (int y = top; y < bottom; ++y)
                if (m.at(i, y)) return n;
        return n;
    };
    const bool against = std::min(gap(x - 1, -1), gap(end, 1)) <= std::max(1.0, h / 20);
    if (small - tallest >= 0.1 * h) return against && tallest - top >= std::max(2.0, 0.08 * h);
    // No ascenders: the capitals' height is their stems', from their top to
    // where most of them end (a "|" beside them hangs lower).
    std::map<int, int> feet;
    for (int i = 0; i < m.p.width; ++i) {
        const Column& c = columns[static_cast<std::size_t>(i)];
        if (beside(i) && std::abs(c.top - small) <= 1 && c.length() >= 0.5 * h) ++feet[c.bottom];
    }
    if (feet.empty()) return false;
    const int foot = mostCommon(feet);
    const int capitals = foot - small;
    // A typewriter face leaves room within its cells: beside a letter
    // means a quarter of the capitals' height off, unless stems hang from
    // their top below them (a p: these were small letters, and a "|" rises
    // as far above them).
    bool descenders = false;
    for (int i = 0; i < m.p.width; ++i) {
        const Column& c = columns[static_cast<std::size_t>(i)];
        descenders |= beside(i) && c.top >= small && c.length() >= capitals && c.bottom >= foot + 0.15 * capitals;
    }
    const bool near = std::min(gap(x - 1, -1), gap(end, 1)) <= std::max(1.0, 0.25 * capitals);
    return (descenders ? against : near) && small - top >= std::max(2.0, 0.2 * capitals);
}

// A bar cursor: one or two columns that run from the top of the line to
// below the line the text stands on, a tenth taller than any other stroke
// of the line. It may touch a letter (a serif), so columns are judged, not pieces.
void clearBars(const Marks& m, const Band& line, int baseline, const std::vector<Column>& columns,
               std::vector<int>& cleared) {
    const int w = m.p.width;
    // The line's first and last inked columns.
    int first = w, last = -1;
    for (int i = 0; i < w; ++i)
        if (columns[static_cast<std::size_t>(i)].length() > 0) first = std::min(first, i), last = i;
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
        // Strokes reaching out on both sides of it at two places or more
        // (a $'s S) make it a glyph's stem; a letter's serif touches once.
        int crossings = 0;
        bool crossing = false;
        for (int y = line.top; y < line.bottom; ++y) {
            const bool both = x > 0 && end < w && m.at(x - 1, y) && m.at(end, y);
            crossings += both && !crossing;
            crossing = both;
        }
        // Text on both sides makes it a glyph ("Tabs | 12", "A|B"): a cursor
        // stands before a line's text or after it, unless it is a caret
        // placed in the middle of the line, which may touch letters on both
        // sides and is told by its top.
        const bool amid = first < x && last >= end;
        if (end - x <= std::max(2, tallest / 8) && tallest >= 1.1 * others && others > 0 &&
            (amid ? caretAmidText(m, line, columns, x, end) : crossings < 2))
            for (int i = x; i < end; ++i)
                for (int y = columns[static_cast<std::size_t>(i)].top; y < columns[static_cast<std::size_t>(i)].bottom; ++y)
                    cleared.push_back(y * w + i);
        x = end;
    }
}

// A bar cursor on a line of its own (a prompt line holding only the
// cursor): the line's one mark, filled, at most 2 pixels (or an eighth of
// its height) wide, and a fifth taller than any stroke of the other lines
// (it spans a line's ascenders and descenders; a letter I or l alone is
// hardly taller than the capitals of the line above).
void clearLoneBars(const Marks& m, const std::vector<Band>& lines, const std::vector<std::vector<Column>>& columns,
                   std::vector<int>& cleared) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<InkPiece> pieces = piecesOf(m, lines[i]);
        if (pieces.size() != 1) continue;
        const InkPiece& p = pieces.front();
        const int w = p.box.width(), h = p.box.height();
        int others = 0;
        for (std::size_t j = 0; j < lines.size(); ++j)
            if (j != i)
                for (const Column& c : columns[j]) others = std::max(others, c.length());
        if (h >= 6 && w <= std::max(2, h / 8) && p.count() >= 0.9 * w * h && h >= 1.2 * others)
            cleared.insert(cleared.end(), p.pixels.begin(), p.pixels.end());
    }
}

// The pieces of each band of ink, lines touching by a descender not
// parted: a cursor cut by a line's parting stays whole.
struct BandPieces {
    Band band;
    std::vector<InkPiece> pieces;
};

std::vector<BandPieces> bandPiecesOf(const Marks& m) {
    std::vector<BandPieces> out;
    for (const Band& band : rowsOf(m, false)) out.push_back({band, piecesOf(m, band)});
    return out;
}

// A mark diagonal to one of the piece's pixels that is no part of it.
bool touchesAtACorner(const Marks& m, const InkPiece& piece) {
    std::vector<int> own = piece.pixels;
    std::sort(own.begin(), own.end());
    for (const int i : own) {
        const int x = i % m.p.width, y = i / m.p.width;
        for (const int dy : {-1, 1})
            for (const int dx : {-1, 1})
                if (m.within(x + dx, y + dy) && !std::binary_search(own.begin(), own.end(), (y + dy) * m.p.width + x + dx))
                    return true;
    }
    return false;
}

// Something the box cuts at its top or bottom edge (the top of a cursor on
// the line below, the feet of the line above) that stands wholly beyond
// everything else of its band, descenders too, is not of this line.
void clearCutPieces(const Marks& m, const std::vector<BandPieces>& bands, std::vector<int>& cleared) {
    for (const auto& [band, pieces] : bands) {
        const bool atTop = band.top == 0, atBottom = band.bottom == m.p.height;
        if (!atTop && !atBottom) continue;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const PixelBox& b = pieces[i].box;
            const bool cutBelow = atBottom && b.bottom == m.p.height, cutAbove = atTop && b.top == 0;
            if (!cutBelow && !cutAbove) continue;
            bool beyond = pieces.size() > 1;
            for (std::size_t j = 0; j < pieces.size() && beyond; ++j)
                if (j != i) beyond = cutBelow ? pieces[j].box.bottom <= b.top : pieces[j].box.top >= b.bottom;
            // A comma's tail or a bitmap g's, touching its glyph at a corner, is its own.
            if (beyond && !touchesAtACorner(m, pieces[i]))
                cleared.insert(cleared.end(), pieces[i].pixels.begin(), pieces[i].pixels.end());
        }
    }
}

// Filled and hollow blocks, whole or cut. Linear in a band's pieces but
// for the few shaped as a block: a noisy picture makes one band of
// thousands of pieces.
void clearBlocks(const Marks& m, const std::vector<Band>& lines, const std::vector<int>& baselines,
                 const std::vector<BandPieces>& bands, std::vector<int>& cleared) {
    auto lineOf = [&](const InkPiece& p) {
        const int middle = (p.box.top + p.box.bottom) / 2;
        const auto after = std::upper_bound(lines.begin(), lines.end(), middle,
                                            [](int y, const Band& line) { return y < line.top; });
        if (after == lines.begin() || middle >= std::prev(after)->bottom) return -1;
        return static_cast<int>(std::prev(after) - lines.begin());
    };
    for (const BandPieces& band : bands) {
        const std::vector<InkPiece>& pieces = band.pieces;
        std::vector<int> line(pieces.size());
        std::vector<int> onLine(lines.size());
        int tallestHeight = 0;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            line[i] = lineOf(pieces[i]);
            if (line[i] >= 0) ++onLine[static_cast<std::size_t>(line[i])];
            tallestHeight = std::max(tallestHeight, pieces[i].box.height());
        }
        auto within = [](const PixelBox& a, const PixelBox& b) {
            return a.left >= b.left && a.right <= b.right && a.top >= b.top && a.bottom <= b.bottom;
        };
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (line[i] < 0) continue;
            const auto own = static_cast<std::size_t>(line[i]);
            const bool alone = onLine[own] == 1, tallest = pieces[i].box.height() == tallestHeight;
            if (!isBlock(m, pieces[i], lines[own], alone, tallest, baselines[own])) continue;
            // A frame around text (a view's border) holds marks; a cursor holds none.
            bool holds = false;
            for (std::size_t j = 0; j < pieces.size() && !holds; ++j)
                holds = j != i && within(pieces[j].box, pieces[i].box);
            if (!holds) cleared.insert(cleared.end(), pieces[i].pixels.begin(), pieces[i].pixels.end());
        }
    }
}

std::vector<int> baselinesOf(const Marks& m, const std::vector<Band>& lines) {
    std::vector<int> out;
    for (const Band& line : lines) out.push_back(baselineOf(m, line));
    return out;
}

}  // namespace

void removeBlockCursors(GreyPicture& picture) {
    if (picture.width < 1 || picture.height < 1) return;
    const int ground = groundOf(picture);
    const Marks m{picture, ground};
    const std::vector<Band> lines = rowsOf(m);
    std::vector<int> cleared;
    clearBlocks(m, lines, baselinesOf(m, lines), bandPiecesOf(m), cleared);
    for (int i : cleared) picture.pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ground);
}

void removeCursors(GreyPicture& prepared) {
    if (prepared.width < 1 || prepared.height < 1) return;
    const int ground = groundOf(prepared);
    const Marks m{prepared, ground};
    const std::vector<Band> lines = rowsOf(m);
    const std::vector<int> baselines = baselinesOf(m, lines);
    const std::vector<BandPieces> bands = bandPiecesOf(m);
    std::vector<std::vector<Column>> columns;
    for (const Band& line : lines) columns.push_back(columnsOf(m, line));
    std::vector<int> cleared;
    clearBlocks(m, lines, baselines, bands, cleared);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        clearFilledBlocks(m, lines[i], columns[i], cleared);
        clearBars(m, lines[i], baselines[i], columns[i], cleared);
    }
    clearLoneBars(m, lines, columns, cleared);
    clearCutPieces(m, bands, cleared);
    for (int i : cleared) prepared.pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ground);
}

}  // namespace kestrove
