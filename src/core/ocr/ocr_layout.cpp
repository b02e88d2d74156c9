#include "core/ocr/ocr_layout.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <cctype>
#include <cstring>

#include "core/ocr/ocr_enlarging.hpp"
#include "core/ocr/ocr_ink.hpp"
#include "core/ocr/ocr_mending.hpp"
#include "core/foundation/text.hpp"
#include "core/reading/currency.hpp"

namespace kestrove {

namespace {

// A run this many times taller or shorter than its neighbour is read apart.
constexpr double heightStep = 2.0;
// Ink heights Tesseract reads best (its lines are normalised to about 36 px).
constexpr double smallestInk = 22, largestInk = 72;
// A bitmap font's one-pixel strokes read best a little larger (6x13: 3×).
constexpr double smallestBitmapInk = 34;
constexpr double mostEnlarged = 4;
// Ground round each run's ink in the stack.
constexpr int runPad = 2;

bool alike(int a, int b) { return std::max(a, b) <= heightStep * std::max(1, std::min(a, b)); }

// How tall each column of ink within `word` is.
void columnHeights(const Marks& m, const PixelBox& word, std::vector<int>& heights) {
    for (int x = word.left; x < word.right; ++x) {
        int top = word.bottom, bottom = word.top;
        for (int y = word.top; y < word.bottom; ++y)
            if (m.at(x, y)) {
                top = std::min(top, y);
                bottom = y + 1;
            }
        if (bottom > top) heights.push_back(bottom - top);
    }
}

// How tall letters of `inkHeight` are, leaving out what rises or hangs
// from a few of them (ascenders, descenders, the bar of a "$"): the column
// of ink a quarter from the tallest (the bars between an n's stems are
// low), never under three fifths of the ink (a sign, a T's or a 7's bar
// are low columns all).
int bodyOf(std::vector<int> heights, int inkHeight) {
    int body = 0;
    if (!heights.empty()) {
        const auto at = heights.begin() + static_cast<std::ptrdiff_t>(heights.size() * 3 / 4);
        std::nth_element(heights.begin(), at, heights.end());
        body = *at;
    }
    return std::max(body, 3 * inkHeight / 5);
}

// Ink of `inkHeight` and `columns` alike in height, and in their letters'
// (a small label's, beside a large number, are less than half as tall,
// though the bar of a "$" between them makes their ink alike).
bool sameSize(int inkHeight, const std::vector<int>& columns, int otherInk, const std::vector<int>& otherColumns) {
    return alike(inkHeight, otherInk) && alike(bodyOf(columns, inkHeight), bodyOf(otherColumns, otherInk));
}

// Small ink raised off the line after `before`: from near its top to well
// above its foot, at most two thirds its height but more than two fifths
// (a superscript's digit; a quote or a degree sign is smaller). Rising a
// fifth above its top, it may be nine tenths as tall (an exponent or a
// clock's minutes set larger than cents: a page's own superscript is five
// sixths of its line, a pixel more or less).
bool raisedAfter(const PixelBox& before, const PixelBox& ink) {
    const int h = before.height();
    const bool above = 5 * (before.top - ink.top) >= h;
    return (above ? 10 * ink.height() <= 9 * h : 3 * ink.height() <= 2 * h) && 5 * ink.height() > 2 * h &&
           4 * (ink.top - before.top) <= h && 3 * (before.bottom - ink.bottom) >= h;
}

// The words of a row: column runs of ink parted by gaps a quarter of the row
// tall, or a quarter of the smaller side's height where the size changes
// (a small label set close before a large price: the row's gap is the
// price's).
struct Word {
    PixelBox box;
    std::vector<int> columns;  // how tall each column of its ink is
};
std::vector<Word> wordsOf(const Marks& m, const Band& row) {
    std::vector<Word> words;
    const int gap = std::max(2, (row.bottom - row.top) / 4);
    auto inked = [&](int x) {
        for (int y = row.top; y < row.bottom; ++y)
            if (m.at(x, y)) return true;
        return false;
    };
    std::optional<Word> word;
    for (int x = 0; x < m.p.width;) {
        if (!inked(x)) {
            ++x;
            continue;
        }
        int end = x + 1;
        while (end < m.p.width && inked(end)) ++end;
        const PixelBox piece = inkWithin(m, {x, row.top, end, row.bottom});
        std::vector<int> columns;
        columnHeights(m, piece, columns);
        if (word) {
            const PixelBox& box = word->box;
            const int blank = x - box.right, smaller = std::min(box.height(), piece.height());
            if (blank > gap || raisedAfter(box, piece) ||
                (blank >= std::max(2, smaller / 4) && !sameSize(box.height(), word->columns, piece.height(), columns))) {
                words.push_back(std::move(*word));
                word.reset();
            }
        }
        if (!word) word = Word{piece, {}};
        else word->box = unite(word->box, piece);
        word->columns.insert(word->columns.end(), columns.begin(), columns.end());
        x = end;
    }
    if (word) words.push_back(std::move(*word));
    return words;
}

// A comma, point, dash or ellipsis parted from its word: small beside the
// run it stands by, narrow or very low.
bool punctuation(const PixelBox& word, int runHeight) {
    return 2 * word.height() < runHeight && (word.width() < 0.8 * runHeight || 5 * word.height() <= runHeight);
}

// A sign before a number (a minus, a plus) parted from it by a gap: one
// low mark no wider than the number is tall, standing alone before it.
bool leadingSign(const Marks& m, const InkRun& run, int words, const PixelBox& next) {
    if (words != 1 || 3 * run.ink.height() > next.height() || run.ink.width() > next.height() ||
        run.ink.top <= next.top || run.ink.bottom >= next.bottom)
        return false;
    int pieces = 0;
    for (const InkPiece& p : piecesOf(m, {run.ink.top, run.ink.bottom}))
        pieces += p.box.left >= run.ink.left && p.box.right <= run.ink.right;
    return pieces == 1;
}

bool digits(const std::string& read) {
    return !read.empty() && std::all_of(read.begin(), read.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool rankEnding(const std::string& read) { return read == "st" || read == "nd" || read == "rd" || read == "th"; }

bool cents(const std::string& read) { return read.size() == 2 && digits(read); }

bool endsInDigit(const std::string& read) { return !read.empty() && read.back() >= '0' && read.back() <= '9'; }

std::string superscript(const std::string& digits) {
    static const char* const raised[] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                         "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
    std::string out;
    for (char c : digits) out += raised[c - '0'];
    return out;
}

// The first group of `re`'s match in `s` is a currency code, and one that
// is also a word only where `row` speaks of prices.
bool codeIn(const text::Regex& re, const std::string& s, const std::string& row) {
    const std::optional<std::string> code = re.firstGroup(s, 1);
    return code && isCurrencyCode(*code) && (!isAlsoAWord(*code) || speaksOfPrices(row));
}

// A currency amount with no decimals yet: `before` ends in one ("$249",
// "¥ 1,299", "USD 80", "CHF 80"), or ends in a whole number and `after`
// opens with a sign or code ("249 €"). Any currency sign counts, and any
// ISO 4217 code in capitals (in small letters "top" or "all" is a word);
// one that is also a word in capitals ("TOP 10¹² SONGS") only where
// something else on the `row` says it is a price. Raised digits after
// anything else (an exponent, a footnote, a clock's minutes) are no cents.
bool amountWithoutCents(const std::string& before, const std::string& after, const std::string& row) {
    static const text::Regex amount(R"((?<![\d.,])\d{1,3}(?:[,.'\x{00A0}\x{202F}]?\d{3})*$)");
    static const text::Regex codeBefore(R"(\b([A-Za-z]{3}) ?$)");
    static const text::Regex whole(R"((?<![\d.,])\d+$)");
    static const text::Regex codeAfter(R"(^([A-Za-z]{3})\b)");
    auto signAt = [](std::string_view s, bool last) {
        const std::u16string u = text::toUtf16(s);
        if (u.empty()) return false;
        return isCurrencySign(last ? u.back() : u.front());
    };
    if (const std::optional<std::string> digits = amount.firstGroup(before, 0)) {
        std::string lead = before.substr(0, before.size() - digits->size());
        if (!lead.empty() && lead.back() == ' ') lead.pop_back();
        if (signAt(lead, true) || codeIn(codeBefore, lead, row)) return true;
    }
    return whole.matches(before) && (signAt(after, false) || codeIn(codeAfter, after, row));
}

int darkestIn(const GreyPicture& p, const PixelBox& area, int ground) {
    int darkest = ground;
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, p.height); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.right, p.width); ++x)
            darkest = std::min(darkest, int(p.pixels[static_cast<std::size_t>(y) * p.width + x]));
    return darkest;
}

// Tesseract takes one threshold over the whole stack: beside dark text it
// falls between the ground and that text, and a muted caption (grey on
// slate) drops out. A run whose ink (`drawn`) is under half as dark as the
// ground is deepened where it stands in the stack (`area`), its darkest
// to about a dark text's shade.
void deepenFaintInk(GreyPicture& p, const PixelBox& area, int ground, int drawn) {
    if (ground - drawn < markContrast || 2 * drawn < ground) return;
    const int darkest = darkestIn(p, area, ground);
    if (ground - darkest < markContrast) return;
    constexpr int deepest = 60;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            std::uint8_t& v = p.pixels[static_cast<std::size_t>(y) * p.width + x];
            v = static_cast<std::uint8_t>(std::clamp(ground - (ground - v) * (ground - deepest) / (ground - darkest), 0, 255));
        }
}

}  // namespace

std::vector<InkRun> textRuns(const GreyPicture& prepared) {
    std::vector<InkRun> runs;
    if (prepared.width < 1 || prepared.height < 1) return runs;
    const Marks m{prepared, groundOf(prepared)};
    const std::vector<Band> rows = rowsOf(m);
    // A long low run of one to three pieces is a bar or a rule (a progress
    // bar, a separator), not text: a line of text that long is many letters.
    auto drawing = [&](const InkRun& run) {
        if (run.ink.width() < 6 * run.ink.height()) return false;
        int pieces = 0;
        for (const InkPiece& p : piecesOf(m, {run.bandTop, run.bandBottom}))
            pieces += p.box.right > run.ink.left && p.box.left < run.ink.right;
        return pieces <= 3;
    };
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t first = runs.size();
        int words = 0;  // in the last run
        std::vector<int> letters;  // column heights of the last run's words that are no punctuation
        for (const auto& [word, columns] : wordsOf(m, rows[r])) {
            const bool mark = runs.size() > first && (punctuation(word, runs.back().ink.height()) ||
                                                      leadingSign(m, runs.back(), words, word));
            // Digits, not one narrow mark.
            const bool raised = runs.size() > first && raisedAfter(runs.back().ink, word) && word.width() >= word.height();
            // What comes down to the line again after raised cents (the
            // "€" of "249⁹⁹ €") is no part of them.
            const bool backOnLine = runs.size() > first + 1 && runs.back().raised &&
                                    3 * (runs[runs.size() - 2].ink.bottom - word.bottom) < runs[runs.size() - 2].ink.height();
            const bool joins = runs.size() > first && !raised && !backOnLine &&
                               (mark || sameSize(runs.back().ink.height(), letters, word.height(), columns));
            if (joins) {
                runs.back().ink = unite(runs.back().ink, word);
                ++words;
            } else {
                runs.push_back({static_cast<int>(r), word, rows[r].top, rows[r].bottom, raised});
                words = 1;
                letters.clear();
            }
            if (!mark) letters.insert(letters.end(), columns.begin(), columns.end());
        }
    }
    std::erase_if(runs, drawing);
    return runs;
}

std::vector<Band> clearCutRows(GreyPicture& prepared) {
    std::vector<Band> cut;
    const Marks m{prepared, groundOf(prepared)};
    const std::vector<Band> rows = rowsOf(m, false);
    if (rows.size() < 2) return cut;
    const int h = prepared.height;
    // A quarter of the band's inked columns have ink in the edge row: its
    // letters' stems run on past the edge (descenders touching it are few).
    auto runsInto = [&](const Band& b, int edge) {
        int columns = 0, reaching = 0;
        for (int x = 0; x < prepared.width; ++x) {
            bool any = false;
            for (int y = b.top; y < b.bottom && !any; ++y) any = m.at(x, y);
            columns += any;
            reaching += m.at(x, edge);
        }
        return columns > 0 && 4 * reaching >= columns;
    };
    // How thick the strokes of rows [top, bottom) are: the mean of the
    // stretches of ink along a row, leaving out bars (over twice the
    // median). Wherever a box cuts a letter its stems keep their width.
    auto stroke = [&](int top, int bottom) {
        std::vector<int> stretches;
        for (int y = top; y < bottom; ++y)
            for (int x = 0, start = -1; x <= prepared.width; ++x) {
                const bool mark = x < prepared.width && m.at(x, y);
                if (mark && start < 0) start = x;
                if (!mark && start >= 0) {
                    stretches.push_back(x - start);
                    start = -1;
                }
            }
        if (stretches.empty()) return 0.0;
        const int middle = median(stretches);
        double sum = 0;
        int n = 0;
        for (int s : stretches)
            if (s <= 2 * middle) sum += s, ++n;
        return sum / n;
    };
    // The foot of the letters of rows [top, bottom): the last row at least
    // half as full of ink as the fullest (descenders are few).
    auto foot = [&](int top, int bottom) {
        std::vector<int> ink;
        for (int y = top; y < bottom; ++y) {
            int n = 0;
            for (int x = 0; x < prepared.width; ++x) n += m.at(x, y);
            ink.push_back(n);
        }
        const int fullest = *std::max_element(ink.begin(), ink.end());
        int last = bottom;
        for (int y = top; y < bottom; ++y)
            if (2 * ink[static_cast<std::size_t>(y - top)] >= fullest) last = y + 1;
        return last;
    };
    // How tall the letters of rows of its size stand, from the top to their
    // foot: those of the other rows whose strokes are at most a quarter
    // thicker (a caption under a large price has thinner ones); a row cut at
    // the other edge is shorter still. With none the picture cannot tell,
    // and it stays.
    auto standing = [&](int top, int bottom) {
        const double own = stroke(top, bottom);
        int above = 0;
        for (const Band& r : rows)
            if ((r.bottom <= top || r.top >= bottom) && 4 * stroke(r.top, r.bottom) <= 5 * own)
                above = std::max(above, foot(r.top, r.bottom) - r.top);
        return above;
    };
    // From the edge inwards, the bands within half the tallest row (the
    // tops of a cut line's letters may part into several). At the top the
    // edge leaves a line's foot, at the bottom its top (when only
    // descenders touch the edge, the line is whole or cut at their tips):
    // its letters standing under half as high as whole rows' are cut
    // through, whatever they are, and go now; standing lower only by what
    // capitals, small letters or signs differ by, the reading judges them.
    std::vector<Band> surely;
    auto judge = [&](const Band& band, int stands, int whole) {
        if (2 * stands < whole) surely.push_back(band);
        else if (stands < whole) cut.push_back(band);
    };
    int tallest = 0;
    for (const Band& b : rows) tallest = std::max(tallest, b.bottom - b.top);
    if (const Band& first = rows.front(); first.top == 0) {
        int bottom = first.bottom;
        for (const Band& b : rows)
            if (b.bottom <= (tallest + 1) / 2) bottom = std::max(bottom, b.bottom);
        judge({0, bottom}, foot(0, bottom), standing(0, bottom));
    }
    if (const Band& last = rows.back(); last.bottom == h) {
        int top = last.top;
        for (const Band& b : rows)
            if (h - b.top <= (tallest + 1) / 2) top = std::min(top, b.top);
        if (runsInto(last, h - 1)) judge({top, h}, h - top, standing(top, h));
    }
    for (const Band& b : surely)
        std::fill(prepared.pixels.begin() + static_cast<std::ptrdiff_t>(b.top) * prepared.width,
                  prepared.pixels.begin() + static_cast<std::ptrdiff_t>(b.bottom) * prepared.width,
                  static_cast<std::uint8_t>(m.ground));
    return cut;
}

double runScale(int inkHeight, bool bitmap) {
    if (inkHeight <= 0) return 1;
    const double smallest = bitmap ? smallestBitmapInk : smallestInk;
    // Whole steps: bitmap fonts keep their shapes (a colon's two dots stay two).
    if (inkHeight < smallest) return std::min(std::ceil(smallest / inkHeight), mostEnlarged);
    if (inkHeight > largestInk) return largestInk / inkHeight;
    return 1;
}

Stacked stackRuns(const GreyPicture& prepared, const std::vector<InkRun>& runs, int step) {
    Stacked out;
    const auto ground = static_cast<std::uint8_t>(groundOf(prepared));
    constexpr int pad = runPad, margin = 8;
    std::vector<RunCut> cuts;
    int width = 0, height = margin;
    for (const InkRun& run : runs) {
        // Room round the ink even at the picture's edge (ground beyond it).
        RunCut cut{{run.ink.left - pad, run.ink.top - pad, run.ink.right + pad, run.ink.bottom + pad},
                   1, run.bandTop, run.bandBottom, drawnWithoutSmoothing(prepared, run.ink, ground), ground};
        cut.scale = runScale(run.ink.height(), cut.bitmap);
        if (cut.scale >= 2) cut.scale = std::max(1.0, cut.scale + step);
        cuts.push_back(cut);
        out.scales.push_back(cut.scale);
        out.bitmap.push_back(cut.bitmap);
        width = std::max(width, cut.width() + 2 * margin);
        height += cut.height() + std::max(margin, cut.height() / 2);
    }
    out.picture = {width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, ground)};
    int y = margin;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const RunCut& cut = cuts[i];
        drawEnlarged(prepared, cut, out.picture, margin, y);
        deepenFaintInk(out.picture, {margin, y, margin + cut.width(), y + cut.height()}, ground,
                       darkestIn(prepared, runs[i].ink, ground));
        // A run set close beside it on its row (cents raised after a price,
        // a label before it) reaches into the margin cut round its ink: not
        // its own, that ink goes.
        int clearLeft = cut.from.left, clearRight = cut.from.right;
        for (const InkRun& other : runs) {
            if (other.row != runs[i].row || &other == &runs[i]) continue;
            if (other.ink.right <= runs[i].ink.left) clearLeft = std::max(clearLeft, other.ink.right);
            if (other.ink.left >= runs[i].ink.right) clearRight = std::min(clearRight, other.ink.left);
        }
        auto clear = [&](int from, int to) {
            for (int yy = y; yy < y + cut.height(); ++yy)
                for (int x = from; x < to; ++x) out.picture.pixels[static_cast<std::size_t>(yy) * out.picture.width + margin + x] = ground;
        };
        clear(0, std::min(cut.width(), int(std::lround((clearLeft - cut.from.left) * cut.scale))));
        clear(std::max(0, int(std::lround((clearRight - cut.from.left) * cut.scale))), cut.width());
        out.placed.push_back({margin, y, margin + cut.width(), y + cut.height()});
        y += cut.height() + std::max(margin, cut.height() / 2);
    }
    return out;
}

int runOf(const Stacked& stacked, const PixelBox& b) {
    const int middle = (b.top + b.bottom) / 2;
    for (std::size_t i = 0; i < stacked.placed.size(); ++i)
        if (middle >= stacked.placed[i].top && middle < stacked.placed[i].bottom) return static_cast<int>(i);
    return -1;
}

namespace {

// A box found in run i's place in the stack, in the prepared picture's pixels.
PixelBox inPicture(const Stacked& stacked, const std::vector<InkRun>& runs, std::size_t i, const PixelBox& b) {
    const PixelBox& to = stacked.placed[i];
    const PixelBox& ink = runs[i].ink;
    const double scale = stacked.scales[i];
    auto x = [&](int v) { return int(std::lround((v - to.left) / scale)) + ink.left - runPad; };
    auto y = [&](int v) { return int(std::lround((v - to.top) / scale)) + ink.top - runPad; };
    return {x(b.left), y(b.top), x(b.right), y(b.bottom)};
}

// Where a character stands, by what it reads, in any font: a small letter
// between the base and x-height lines; a rising one (a capital, a digit,
// an ascender, a bracket, a "$") above them; a hanging one below the base
// line. J and Q hang in some fonts only.
bool smallLetter(const std::string& c) { return c.size() == 1 && std::strchr("acemnorsuvwxz", c[0]); }
bool rising(const std::string& c) {
    return c.size() == 1 && (std::isupper(static_cast<unsigned char>(c[0])) ||
                             std::isdigit(static_cast<unsigned char>(c[0])) || std::strchr("bdfhkl()[]{}|$", c[0]));
}
bool hanging(const std::string& c) { return c.size() == 1 && std::strchr("gpqy()[]{}|$,;", c[0]); }
bool onBaseline(const std::string& c) {
    return c.size() == 1 && std::isalnum(static_cast<unsigned char>(c[0])) && !hanging(c) && c != "J" && c != "Q" &&
           c != "j";
}

}  // namespace

void dropCutLines(std::vector<EngineLine>& found, const Stacked& stacked, const GreyPicture& prepared,
                  const std::vector<InkRun>& runs, const std::vector<Band>& mayBeCut) {
    if (mayBeCut.empty()) return;
    const Marks m{prepared, groundOf(prepared)};
    auto inBand = [&](const InkRun& r) {
        return std::any_of(mayBeCut.begin(), mayBeCut.end(),
                           [&](const Band& b) { return r.ink.top >= b.top && r.ink.bottom <= b.bottom; });
    };
    // Each character read of `line` (of run i) with the ink under the middle
    // half of its columns within rows [top, bottom).
    struct Read {
        const std::string& text;
        PixelBox ink;
        int width;
    };
    auto characters = [&](const EngineLine& line, std::size_t i, int top, int bottom) {
        std::vector<Read> out;
        for (const EngineWord& word : line.words)
            for (const EngineSymbol& c : word.symbols) {
                const PixelBox at = inPicture(stacked, runs, i, c.box);
                const int left = at.left, right = at.right, quarter = (right - left) / 4;
                out.push_back({c.text, inkWithin(m, {left + quarter, top, std::max(left + quarter + 1, right - quarter), bottom}),
                               right - left});
            }
        return out;
    };
    // How far small letters start below rising ones, for the x-height: the
    // most of whole rows'. A line the edge cuts between the two has less.
    double rise = 0;
    for (const EngineLine& line : found) {
        const int i = runOf(stacked, line.box);
        if (i < 0 || static_cast<std::size_t>(i) >= runs.size() || inBand(runs[static_cast<std::size_t>(i)])) continue;
        const InkRun& r = runs[static_cast<std::size_t>(i)];
        std::vector<int> smallTops, smallHeights, risingTops;
        for (const Read& c : characters(line, static_cast<std::size_t>(i), r.bandTop, r.bandBottom)) {
            if (c.ink.height() <= 0) continue;
            if (smallLetter(c.text)) smallTops.push_back(c.ink.top), smallHeights.push_back(c.ink.height());
            else if (rising(c.text) && !hanging(c.text)) risingTops.push_back(c.ink.top);
        }
        if (!smallTops.empty() && !risingTops.empty())
            rise = std::max(rise, double(median(smallTops) - median(risingTops)) / median(smallHeights));
    }
    for (const Band& band : mayBeCut) {
        const bool atTop = band.top == 0;
        std::vector<int> within;
        int inkWidth = 0;
        for (std::size_t i = 0; i < runs.size() && i < stacked.placed.size(); ++i)
            if (runs[i].ink.top >= band.top && runs[i].ink.bottom <= band.bottom) {
                within.push_back(static_cast<int>(i));
                inkWidth += runs[i].ink.width();
            }
        auto ofBand = [&](const EngineLine& l) {
            return std::find(within.begin(), within.end(), runOf(stacked, l.box)) != within.end();
        };
        // How far from the edge each character's ink starts (`gap`), and how
        // far from the edge it reaches (`reach`).
        std::vector<int> smallGaps, otherGaps, smallReach, risingReach;
        int covered = 0, count = 0;
        double confidence = 0;
        for (const EngineLine& line : found) {
            if (!ofBand(line)) continue;
            for (const EngineWord& word : line.words) confidence += word.confidence * double(word.symbols.size());
            for (const Read& c : characters(line, static_cast<std::size_t>(runOf(stacked, line.box)), band.top, band.bottom)) {
                ++count;
                covered += c.width;
                if (c.ink.height() <= 0) continue;
                const int gap = atTop ? c.ink.top : band.bottom - c.ink.bottom;
                const int reach = atTop ? c.ink.bottom : band.bottom - c.ink.top;
                // At the top small letters start below rising ones; at the
                // bottom what stands on the base line ends above what hangs.
                if (atTop ? smallLetter(c.text) : onBaseline(c.text)) smallGaps.push_back(gap);
                else if (atTop ? rising(c.text) : hanging(c.text)) otherGaps.push_back(gap);
                if (smallLetter(c.text)) smallReach.push_back(reach);
                else if (rising(c.text) && !hanging(c.text)) risingReach.push_back(reach);
            }
        }
        if (count == 0) continue;
        bool cut = false;
        // One rising letter is too few to tell: Tesseract may read an n
        // touching the top edge as an h.
        if (!smallGaps.empty() && otherGaps.size() >= (atTop ? 2u : 1u)) {
            const int apart = median(smallGaps) - median(otherGaps);
            cut = 8 * apart < band.bottom - band.top;
            // At the top, rising letters cut down towards the small ones.
            if (atTop && !smallReach.empty()) cut = cut || 5 * apart < 3 * rise * (median(smallReach) - median(smallGaps));
        }
        // At the bottom edge a line cut through its letters has lost their
        // feet, and its small letters their bodies.
        else if (!atTop && !smallReach.empty() && !risingReach.empty())
            cut = 3 * median(smallReach) <= 2 * median(risingReach);
        // Garbage read of a cut line is read unsure of, or leaves its ink unread.
        constexpr double wordsRead = 60;
        if (cut || confidence < wordsRead * count || 3 * covered < 2 * inkWidth) std::erase_if(found, ofBand);
    }
}

void mendBitmapLines(std::vector<EngineLine>& found, const Stacked& stacked) {
    // The stack's ground is counted only once a quote is to be judged:
    // most reads hold no bitmap line.
    std::optional<Marks> m;
    for (EngineLine& line : found) {
        const int i = runOf(stacked, line.box);
        if (i < 0 || !stacked.bitmap[static_cast<std::size_t>(i)]) continue;
        // An opening quote read before a word is a slash or a straight
        // quote: a quote's ticks stand in the top half of the line, a
        // slash runs down it.
        bool quoted = false;
        for (EngineWord& word : line.words) {
            if (word.symbols.size() < 2 || word.symbols.front().text != "\u201C") continue;
            const PixelBox& b = word.symbols.front().box;
            if (!m) m.emplace(Marks{stacked.picture, groundOf(stacked.picture)});
            const PixelBox mark = inkWithin(*m, {b.left, line.box.top, b.right, line.box.bottom});
            if (mark.height() <= 0 || 2 * mark.height() > line.box.height()) continue;
            word.symbols.front().text = std::string(1, '"');
            rejoinSymbols(word);
            quoted = true;
        }
        if (quoted) rejoinWords(line);
        mendBitmapLine(line);
    }
}

std::vector<EngineLine> unstack(const std::vector<EngineLine>& found, const std::vector<InkRun>& runs,
                                const Stacked& stacked) {
    auto runOf = [&](const PixelBox& b) { return kestrove::runOf(stacked, b); };
    auto back = [&](const PixelBox& b, int i) { return inPicture(stacked, runs, static_cast<std::size_t>(i), b); };
    // Lines by run, in the order found.
    std::map<int, std::vector<EngineLine>> byRun;
    for (const EngineLine& line : found) {
        const int i = runOf(line.box);
        if (i < 0) continue;
        EngineLine moved{line.text, back(line.box, i), line.confidence, {}};
        for (const EngineWord& word : line.words) moved.words.push_back({word.text, back(word.box, i), word.confidence, {}});
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
        // The row's words, which may say that it holds a price.
        std::string words;
        for (auto part = it; part != end; ++part) words += text::trimWhitespaceAndNewlines(part->second.front().text) + " ";
        EngineLine joined{"", it->second.front().box, 100, {}};
        for (; it != end; ++it) {
            const EngineLine& part = it->second.front();
            const std::string read = text::trimWhitespaceAndNewlines(part.text);
            const std::string after =
                std::next(it) == end ? std::string() : text::trimWhitespaceAndNewlines(std::next(it)->second.front().text);
            // Raised digits stay with the word they are set on: a price's
            // cents after its point, anything else as the superscript it is
            // ("10¹²"), no number of its own. A rank's raised letters after
            // its number are read on the line ("1st").
            const bool raised = runs[static_cast<std::size_t>(it->first)].raised && !joined.words.empty();
            const bool rank = raised && rankEnding(read) && endsInDigit(joined.text);
            if (raised && (digits(read) || rank)) {
                const std::string set = rank ? read
                                        : cents(read) && amountWithoutCents(joined.text, after, words) ? "." + read
                                                                                                : superscript(read);
                joined.text += set;
                EngineWord& word = joined.words.back();
                word.text += set;
                word.box = unite(word.box, part.box);
                joined.box = unite(joined.box, part.box);
                joined.confidence = std::min(joined.confidence, part.confidence);
                continue;
            }
            if (!joined.text.empty()) joined.text += ' ';
            joined.text += read;
            joined.box = unite(joined.box, part.box);
            joined.confidence = std::min(joined.confidence, part.confidence);
            joined.words.insert(joined.words.end(), part.words.begin(), part.words.end());
        }
        out.push_back(std::move(joined));
    }
    return out;
}

}  // namespace kestrove
