#include "app/platform/ocr/ocr_layout.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "app/platform/ocr/ocr_mending.hpp"
#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

// Ink shorter than this is a rule, an underline or a speck, not a row of text.
constexpr int shortestRow = 3;
// A run this many times taller or shorter than its neighbour is read apart.
constexpr double heightStep = 2.0;
// Ink heights Tesseract reads best (its lines are normalised to about 36 px).
constexpr double smallestInk = 22, largestInk = 72;
// A bitmap font's one-pixel strokes read best a little larger (6x13: 3×).
constexpr double smallestBitmapInk = 34;
constexpr double mostEnlarged = 4;

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

int inkInRow(const Marks& m, int y) {
    int n = 0;
    for (int x = 0; x < m.p.width; ++x) n += m.at(x, y);
    return n;
}

// Two lines with no blank row between them (a descender touching the line
// below) part at the emptiest row of the band's middle, when that row holds
// a tenth of the ink of the band's fullest row or less.
void addBand(const Marks& m, const Band& band, std::vector<Band>& rows, int depth) {
    const int h = band.bottom - band.top;
    if (h < shortestRow) return;
    int peak = 0, emptiest = -1, least = 0;
    for (int y = band.top; y < band.bottom; ++y) peak = std::max(peak, inkInRow(m, y));
    for (int y = band.top + (3 * h) / 10; depth < 4 && y < band.bottom - (3 * h) / 10; ++y) {
        const int n = inkInRow(m, y);
        if (emptiest < 0 || n < least) emptiest = y, least = n;
    }
    // Each side must be a line of its own, not a line's descenders.
    const int upper = emptiest - band.top, lower = band.bottom - emptiest;
    if (emptiest < 0 || 10 * least > peak || 5 * std::min(upper, lower) < 3 * std::max(upper, lower)) {
        rows.push_back(band);
        return;
    }
    addBand(m, {band.top, emptiest}, rows, depth + 1);
    addBand(m, {emptiest, band.bottom}, rows, depth + 1);
}

// Bands of ink parted by blank rows; with `split`, parted further into lines.
std::vector<Band> rowsOf(const Marks& m, bool split = true) {
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

// The ink of columns [left, right) within a row.
PixelBox inkOf(const Marks& m, const Band& row, int left, int right) {
    PixelBox box{left, row.bottom, right, row.top};
    for (int y = row.top; y < row.bottom; ++y)
        for (int x = left; x < right; ++x)
            if (m.at(x, y)) {
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

// The words of a row: column runs of ink parted by gaps a quarter of the row tall.
std::vector<PixelBox> wordsOf(const Marks& m, const Band& row) {
    std::vector<PixelBox> words;
    const int gap = std::max(2, (row.bottom - row.top) / 4);
    int start = -1, lastInk = -1;
    for (int x = 0; x <= m.p.width; ++x) {
        bool any = false;
        for (int y = row.top; x < m.p.width && y < row.bottom && !any; ++y) any = m.at(x, y);
        if (any) {
            if (start >= 0 && x - lastInk > gap) {
                words.push_back(inkOf(m, row, start, lastInk + 1));
                start = -1;
            }
            if (start < 0) start = x;
            lastInk = x;
        }
    }
    if (start >= 0) words.push_back(inkOf(m, row, start, lastInk + 1));
    return words;
}

PixelBox unite(const PixelBox& a, const PixelBox& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// A comma, point, dash or ellipsis parted from its word: small beside the
// run it stands by, narrow or very low.
bool punctuation(const PixelBox& word, int runHeight) {
    return 2 * word.height() < runHeight && (word.width() < 0.8 * runHeight || 5 * word.height() <= runHeight);
}

bool alike(int a, int b) { return std::max(a, b) <= heightStep * std::max(1, std::min(a, b)); }

// One connected piece of ink (4-neighbours) within a row.
struct InkPiece {
    PixelBox box;
    int count = 0;
    std::vector<int> pixels;  // indices into the picture
};

std::vector<InkPiece> piecesOf(const Marks& m, const Band& row) {
    const int w = m.p.width;
    std::vector<char> seen(static_cast<std::size_t>(w) * (row.bottom - row.top), 0);
    auto seenAt = [&](int x, int y) -> char& { return seen[static_cast<std::size_t>(y - row.top) * w + x]; };
    std::vector<InkPiece> pieces;
    std::vector<std::pair<int, int>> stack;
    for (int y = row.top; y < row.bottom; ++y)
        for (int x = 0; x < w; ++x) {
            if (seenAt(x, y) || !m.at(x, y)) continue;
            InkPiece piece{{x, y, x + 1, y + 1}, 0, {}};
            stack.push_back({x, y});
            seenAt(x, y) = 1;
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                piece.box = unite(piece.box, {px, py, px + 1, py + 1});
                piece.pixels.push_back(py * w + px);
                for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const int nx = px + dx, ny = py + dy;
                    if (nx < 0 || nx >= w || ny < row.top || ny >= row.bottom || seenAt(nx, ny) || !m.at(nx, ny))
                        continue;
                    seenAt(nx, ny) = 1;
                    stack.push_back({nx, ny});
                }
            }
            piece.count = static_cast<int>(piece.pixels.size());
            pieces.push_back(std::move(piece));
        }
    return pieces;
}

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

// A bar cursor: one or two columns that run from the top of the line to
// below the line the text stands on, a tenth taller than any other stroke
// of the line. It may touch a letter (a serif), so columns are judged, not pieces.
void clearBars(const Marks& m, const Band& line, std::vector<int>& cleared) {
    const std::vector<Column> columns = columnsOf(m, line);
    std::map<int, int> bottoms;
    for (const Column& c : columns)
        if (c.length() > 0) ++bottoms[c.bottom];
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

}  // namespace

std::vector<TextRun> textRuns(const GreyPicture& prepared) {
    std::vector<TextRun> runs;
    if (prepared.width < 1 || prepared.height < 1) return runs;
    const Marks m{prepared, groundOf(prepared)};
    const std::vector<Band> rows = rowsOf(m);
    // A long low run of one to three pieces is a bar or a rule (a progress
    // bar, a separator), not text: a line of text that long is many letters.
    auto drawing = [&](const TextRun& run) {
        if (run.ink.width() < 6 * run.ink.height()) return false;
        int pieces = 0;
        for (const InkPiece& p : piecesOf(m, {run.bandTop, run.bandBottom}))
            pieces += p.box.right > run.ink.left && p.box.left < run.ink.right;
        return pieces <= 3;
    };
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t first = runs.size();
        for (const PixelBox& word : wordsOf(m, rows[r])) {
            const bool joins = runs.size() > first && (alike(runs.back().ink.height(), word.height()) ||
                                                       punctuation(word, runs.back().ink.height()));
            if (joins)
                runs.back().ink = unite(runs.back().ink, word);
            else
                runs.push_back({static_cast<int>(r), word, rows[r].top, rows[r].bottom});
        }
    }
    std::erase_if(runs, drawing);
    return runs;
}

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
    for (const Band& line : lines) clearBars(m, line, cleared);
    for (int i : cleared) prepared.pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ground);
}

bool drawnWithoutSmoothing(const GreyPicture& prepared, const TextRun& run) {
    const int ground = groundOf(prepared);
    int contrast = 0;
    for (int y = run.ink.top; y < run.ink.bottom; ++y)
        for (int x = run.ink.left; x < run.ink.right; ++x)
            contrast = std::max(contrast, std::abs(prepared.pixels[static_cast<std::size_t>(y) * prepared.width + x] - ground));
    int marks = 0, between = 0;
    for (int y = run.ink.top; y < run.ink.bottom; ++y)
        for (int x = run.ink.left; x < run.ink.right; ++x) {
            const int d = std::abs(prepared.pixels[static_cast<std::size_t>(y) * prepared.width + x] - ground);
            marks += d >= markContrast;
            between += d > 24 && d < contrast - 24;
        }
    return marks > 0 && between * 10 <= marks;
}

double runScale(int inkHeight, bool bitmap) {
    if (inkHeight <= 0) return 1;
    const double smallest = bitmap ? smallestBitmapInk : smallestInk;
    // Whole steps: bitmap fonts keep their shapes (a colon's two dots stay two).
    if (inkHeight < smallest) return std::min(std::ceil(smallest / inkHeight), mostEnlarged);
    if (inkHeight > largestInk) return largestInk / inkHeight;
    return 1;
}

Stacked stackRuns(const GreyPicture& prepared, const std::vector<TextRun>& runs, Sampling sampling) {
    Stacked out;
    const auto ground = static_cast<std::uint8_t>(groundOf(prepared));
    constexpr int pad = 2, margin = 8;
    struct Cut {
        PixelBox from;
        double scale;
        int w, h;
        int bandTop, bandBottom;
    };
    std::vector<Cut> cuts;
    int width = 0, height = margin;
    for (const TextRun& run : runs) {
        const PixelBox from{std::max(0, run.ink.left - pad), std::max(0, run.ink.top - pad),
                            std::min(prepared.width, run.ink.right + pad), std::min(prepared.height, run.ink.bottom + pad)};
        const double scale = runScale(run.ink.height(), drawnWithoutSmoothing(prepared, run));
        const int w = std::max(1, int(std::lround(from.width() * scale)));
        const int h = std::max(1, int(std::lround(from.height() * scale)));
        cuts.push_back({from, scale, w, h, run.bandTop, run.bandBottom});
        out.scales.push_back(scale);
        width = std::max(width, w + 2 * margin);
        height += h + std::max(margin, h / 2);
    }
    out.picture = {width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, ground)};
    int y = margin;
    for (const Cut& c : cuts) {
        // Bilinear sampling of the source at each pixel's centre.
        for (int dy = 0; dy < c.h; ++dy) {
            const double sy = std::clamp(c.from.top + (dy + 0.5) / c.scale - 0.5, 0.0, double(prepared.height - 1));
            // Only the run's own line: the next line's ascenders are not copied with it.
            if (sy < c.bandTop - 0.5 || sy > c.bandBottom - 0.5) continue;
            const int y0 = int(sy), y1 = std::min(y0 + 1, prepared.height - 1);
            const double fy = sy - y0;
            for (int dx = 0; dx < c.w; ++dx) {
                const double sx = std::clamp(c.from.left + (dx + 0.5) / c.scale - 0.5, 0.0, double(prepared.width - 1));
                const int x0 = int(sx), x1 = std::min(x0 + 1, prepared.width - 1);
                const double fx = sx - x0;
                auto px = [&](int xx, int yy) { return double(prepared.pixels[static_cast<std::size_t>(yy) * prepared.width + xx]); };
                if (sampling == Sampling::sharp) {
                    out.picture.pixels[static_cast<std::size_t>(y + dy) * width + margin + dx] =
                        static_cast<std::uint8_t>(px(int(std::lround(sx)), int(std::lround(sy))));
                    continue;
                }
                const double v = (px(x0, y0) * (1 - fx) + px(x1, y0) * fx) * (1 - fy) + (px(x0, y1) * (1 - fx) + px(x1, y1) * fx) * fy;
                out.picture.pixels[static_cast<std::size_t>(y + dy) * width + margin + dx] =
                    static_cast<std::uint8_t>(std::lround(v));
            }
        }
        out.placed.push_back({margin, y, margin + c.w, y + c.h});
        y += c.h + std::max(margin, c.h / 2);
    }
    return out;
}

namespace {

// Which run a box of the stack stands in: the placed run holding its middle.
int runOf(const Stacked& stacked, const PixelBox& b) {
    const int middle = (b.top + b.bottom) / 2;
    for (std::size_t i = 0; i < stacked.placed.size(); ++i)
        if (middle >= stacked.placed[i].top && middle < stacked.placed[i].bottom) return static_cast<int>(i);
    return -1;
}

}  // namespace

int unlikeliness(const std::string& text) {
    static const text::Regex odd(R"([“”‘’¢§¥©®«»|]|(?<=\d)[;a-gi-ln-rt-wyz](?=\d)|\d{3,}:\d\d)");
    return static_cast<int>(odd.allMatches(text::toUtf16(text)).size());
}

std::vector<EngineLine> likelierByRun(std::vector<EngineLine> smooth, std::vector<EngineLine> sharp,
                                      const std::vector<bool>& bitmap, const Stacked& stacked) {
    const std::size_t n = stacked.placed.size();
    for (std::vector<EngineLine>* reading : {&smooth, &sharp})
        for (EngineLine& line : *reading)
            if (const int i = runOf(stacked, line.box); i >= 0 && bitmap[static_cast<std::size_t>(i)]) mendBitmapLine(line);
    const std::vector<EngineLine>* readings[2] = {&smooth, &sharp};
    std::vector<int> odd[2] = {std::vector<int>(n), std::vector<int>(n)};
    std::vector<double> sure[2] = {std::vector<double>(n), std::vector<double>(n)};
    for (int k = 0; k < 2; ++k)
        for (const EngineLine& line : *readings[k])
            if (const int i = runOf(stacked, line.box); i >= 0) {
                odd[k][i] += unlikeliness(line.text);
                sure[k][i] += line.confidence;
            }
    std::vector<EngineLine> out;
    for (int k = 0; k < 2; ++k)
        for (const EngineLine& line : *readings[k]) {
            const int i = runOf(stacked, line.box);
            if (i < 0) continue;
            const bool sharper = bitmap[i] && (odd[1][i] < odd[0][i] || (odd[1][i] == odd[0][i] && sure[1][i] > sure[0][i]));
            if (sharper == (k == 1)) out.push_back(line);
        }
    return out;
}

std::vector<EngineLine> unstack(const std::vector<EngineLine>& found, const std::vector<TextRun>& runs,
                                const Stacked& stacked) {
    auto runOf = [&](const PixelBox& b) { return kestrove::runOf(stacked, b); };
    auto back = [&](const PixelBox& b, int i) {
        const PixelBox& to = stacked.placed[static_cast<std::size_t>(i)];
        const PixelBox& ink = runs[static_cast<std::size_t>(i)].ink;
        const double scale = stacked.scales[static_cast<std::size_t>(i)];
        const int padLeft = std::min(2, ink.left), padTop = std::min(2, ink.top);
        auto x = [&](int v) { return int(std::lround((v - to.left) / scale)) + ink.left - padLeft; };
        auto y = [&](int v) { return int(std::lround((v - to.top) / scale)) + ink.top - padTop; };
        return PixelBox{x(b.left), y(b.top), x(b.right), y(b.bottom)};
    };
    // Lines by run, in the order found.
    std::map<int, std::vector<EngineLine>> byRun;
    for (const EngineLine& line : found) {
        const int i = runOf(line.box);
        if (i < 0) continue;
        EngineLine moved{line.text, back(line.box, i), line.confidence, {}};
        for (const EngineWord& word : line.words) moved.words.push_back({word.text, back(word.box, i), word.confidence});
        byRun[i].push_back(std::move(moved));
    }
    std::vector<EngineLine> out;
    for (auto it = byRun.begin(); it != byRun.end();) {
        // The runs of one row, each read as one line, are that row's line.
        const int row = runs[static_cast<std::size_t>(it->first)].row;
        auto end = it;
        bool single = true;
        for (; end != byRun.end() && runs[static_cast<std::size_t>(end->first)].row == row; ++end)
            single &= end->second.size() == 1;
        if (!single || std::next(it) == end) {
            for (; it != end; ++it) out.insert(out.end(), it->second.begin(), it->second.end());
            continue;
        }
        EngineLine joined{"", it->second.front().box, 100, {}};
        for (; it != end; ++it) {
            const EngineLine& part = it->second.front();
            if (!joined.text.empty()) joined.text += ' ';
            joined.text += text::trimWhitespaceAndNewlines(part.text);
            joined.box = unite(joined.box, part.box);
            joined.confidence = std::min(joined.confidence, part.confidence);
            joined.words.insert(joined.words.end(), part.words.begin(), part.words.end());
        }
        out.push_back(std::move(joined));
    }
    return out;
}

}  // namespace kestrove
