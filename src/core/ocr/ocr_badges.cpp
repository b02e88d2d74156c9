#include "core/ocr/ocr_badges.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/ocr/ocr_ink.hpp"

namespace kestrove {

namespace {

// A hole this tall against its piece is a letter knocked out of it.
constexpr double letterHole = 0.3;
// Light letters on a coloured box are drawn bolder than dark ones on white,
// the more so the lighter the box; turned over as they are, a bold D's
// smoothed edge fills a column more and the D reads as a cursor beside a
// bracket, a 6 reads as a 5. Their smoothed edges are lightened: not at all
// on a box this dark or darker...
constexpr int plainEdgesUpTo = 96;
// ...and as the square of their share of the letter from this shade up.
constexpr int lightestEdgesFrom = 160;
// On a pill, letters of either shade are drawn bolder still (two bold
// digits joined round their counters): their edges as their share to this
// power at least.
constexpr double pillEdges = 1.5;
// A ground darker than this is a dark theme's, turned over whole.
constexpr int darkGround = 64;

// Shades this close to a pill's first pixel are its flat ground.
constexpr int flatShade = 12;
// A pill this close to the page's shade needs nothing done.
constexpr int pageLike = 16;
// Its rim, smoothed into the page, this many pixels wide.
constexpr int rimWidth = 2;

// A shade from the box's (ground) to the letters' (dark), by how far it lies between them.
std::uint8_t turned(int shade, int box, int letter, int ground, double least = 1) {
    const double edges =
        letter < box ? least
                     : std::max(least, 1 + std::clamp(double(box - plainEdgesUpTo) / (lightestEdgesFrom - plainEdgesUpTo),
                                                      0.0, 1.0));
    const double t = std::clamp(double(shade - box) / (letter - box), 0.0, 1.0);
    return static_cast<std::uint8_t>(std::lround(ground * (1 - std::pow(t, edges))));
}

}  // namespace

void flattenPills(GreyPicture& picture) {
    const int w = picture.width, h = picture.height;
    if (w < 8 || h < 8) return;
    auto& px = picture.pixels;
    auto shade = [&](int i) { return int(px[static_cast<std::size_t>(i)]); };
    // Flat regions: each pixel joins the first region whose seed it is close to.
    struct Flat {
        PixelBox box;
        int count = 0;
    };
    std::vector<int> region(px.size(), -1);
    std::vector<Flat> flats;
    std::vector<int> stack;
    for (int start = 0; start < w * h; ++start) {
        if (region[static_cast<std::size_t>(start)] >= 0) continue;
        const int own = static_cast<int>(flats.size()), seed = shade(start);
        Flat flat{{start % w, start / w, start % w + 1, start / w + 1}};
        region[static_cast<std::size_t>(start)] = own;
        stack.push_back(start);
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            const int x = i % w, y = i / w;
            flat.box = unite(flat.box, {x, y, x + 1, y + 1});
            ++flat.count;
            for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                const int nx = x + dx, ny = y + dy, n = ny * w + nx;
                if (nx < 0 || ny < 0 || nx >= w || ny >= h || region[static_cast<std::size_t>(n)] >= 0 ||
                    std::abs(shade(n) - seed) > flatShade)
                    continue;
                region[static_cast<std::size_t>(n)] = own;
                stack.push_back(n);
            }
        }
        flats.push_back(flat);
    }
    // The picture's shades, kept as pills are flattened: without a pill's
    // own, their median is the page's shade round it.
    std::array<std::size_t, 256> shades{};
    for (const std::uint8_t v : px) ++shades[v];
    auto paint = [&](std::size_t i, std::uint8_t v) {
        --shades[px[i]];
        ++shades[v];
        px[i] = v;
    };
    std::vector<int> label;
    std::vector<bool> done(px.size(), false);  // within a pill already flattened
    for (std::size_t own = 0; own < flats.size(); ++own) {
        const PixelBox& b = flats[own].box;
        const int hh = b.height(), count = flats[own].count;
        // As wide as tall at least, mostly its own shade, and not the page:
        // a pill the box cuts is cut on one side, or on all four with the
        // page showing in its corners only (a box drawn inside it).
        const int cutSides = (b.left == 0) + (b.top == 0) + (b.right == w) + (b.bottom == h);
        if (hh < 8 || b.width() < hh || 2 * std::size_t(count) < std::size_t(b.width()) * hh ||
            (cutSides > 1 && cutSides < 4))
            continue;
        InkPiece pill{b, {}};
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x)
                if (region[static_cast<std::size_t>(y) * w + x] == int(own)) pill.pixels.push_back(y * w + x);
        if (done[static_cast<std::size_t>(pill.pixels.front())]) continue;
        auto ofPill = [&](int x, int y) { return region[static_cast<std::size_t>(y) * w + x] == int(own); };
        std::vector<int> inside;
        PixelBox text{b.right, b.bottom, b.left, b.top};
        int tall = 0, corners = 0;
        bool small = true, edgeOnly = true, runsLeft = false, runsRight = false, tight = false;
        std::vector<int> pillShades;
        for (int i : pill.pixels) pillShades.push_back(shade(i));
        const int box = median(pillShades);
        for (const InkPiece& gap : piecesWhere(w, b, [&](int x, int y) { return !ofPill(x, y); }, label)) {
            const PixelBox& g = gap.box;
            // Text running on past the fill's end (a progress bar's, a
            // selection's) is cut by its side alone; it reads on, turned.
            const bool onLeft = g.left == b.left && b.left > 0, onRight = g.right == b.right && b.right < w;
            const bool runsOn = onLeft != onRight && g.top > b.top && g.bottom < b.bottom;
            runsLeft = runsLeft || (runsOn && onLeft);
            runsRight = runsRight || (runsOn && onRight);
            if (!runsOn && (g.left == b.left || g.top == b.top || g.right == b.right || g.bottom == b.bottom)) {
                // A dark letter reaching the fill's top or bottom: a fill as
                // tight as its letters (a browser's selection), whose letters
                // cannot be told from the page; lightenDarkPanels takes it.
                // (The page in a round pill's corner is no darker.)
                if (g.height() >= letterHole * hh &&
                    ((g.top == b.top && b.top > 0) || (g.bottom == b.bottom && b.bottom < h))) {
                    int ink = 0;
                    for (int i : gap.pixels) ink += shade(i) <= box - markContrast;
                    tight = tight || 2 * ink >= gap.count();
                }
                const bool corner = (g.left == 0) != (g.right == w) && (g.top == 0) != (g.bottom == h) &&
                                    2 * g.width() <= hh + 2 && 2 * g.height() <= hh + 2;
                corners += corner;
                edgeOnly = edgeOnly && corner;
                continue;
            }
            // Letters are small against their pill; a pill within a flat page is not.
            small = small && 2 * gap.count() <= pill.count();
            inside.insert(inside.end(), gap.pixels.begin(), gap.pixels.end());
            text = unite(text, g);
            tall += g.height() >= letterHole * hh;
        }
        auto room = [&](int gap, bool cut) { return cut || 4 * gap >= hh; };
        if (tight || (cutSides == 4 && (corners < 2 || !edgeOnly)) || !small || (tall < 2 && (tall < 1 || 2 * b.width() < 3 * hh)))
            continue;
        std::vector<int> letters;
        std::array<std::size_t, 256> page = shades;
        for (int i : pill.pixels) --page[px[static_cast<std::size_t>(i)]];
        for (int i : inside) {
            --page[px[static_cast<std::size_t>(i)]];
            if (std::abs(shade(i) - box) >= markContrast) letters.push_back(shade(i));
        }
        const std::size_t rest = px.size() - pill.pixels.size() - inside.size();
        if (letters.empty() || rest == 0) continue;
        const int ground = medianShade(page, rest);
        const int letter = median(letters);
        // A dark page is turned over whole, and its badges after it.
        if (ground < 128 || std::abs(box - ground) < pageLike) continue;
        // A highlight drawn tight round part of a line has the line's ink
        // beside it, within half its height.
        auto beside = [&](int from, int to) {
            for (int y = text.top; y < text.bottom; ++y)
                for (int x = std::max(0, from); x < std::min(w, to); ++x)
                    if (std::abs(shade(y * w + x) - ground) >= markContrast) return true;
            return false;
        };
        // Part of a line on one side, it may end with its text on the other
        // (a selection to the line's end).
        const bool lineLeft = runsLeft || beside(b.left - hh / 2, b.left),
                   lineRight = runsRight || beside(b.right, b.right + hh / 2);
        if (!room(text.left - b.left, b.left == 0 || lineLeft || lineRight) ||
            !room(b.right - text.right, b.right == w || lineLeft || lineRight))
            continue;
        // The pill runs unbroken over the text above it and below it, or its
        // rim smoothed into the page does where tall letters reach it: two
        // bold digits joined round their counters, or bold letters on an
        // underline, break there.
        const int low = std::min(box, ground) - flatShade, high = std::max(box, ground) + flatShade;
        auto rim = [&](int x, int y) {
            const int v = shade(y * w + x);
            return v >= low && v <= high && std::abs(v - ground) > flatShade;
        };
        auto across = [&](int from, int to) {
            for (int y = from; y < to; ++y) {
                int x = text.left;
                while (x < text.right && (ofPill(x, y) || rim(x, y))) ++x;
                if (x == text.right) return true;
            }
            return false;
        };
        if (!across(b.top, text.top) || !across(text.bottom, b.bottom)) continue;
        // The pill and its letters, over its box.
        std::vector<bool> within(static_cast<std::size_t>(b.width()) * hh, false);
        auto at = [&](int i) { return static_cast<std::size_t>(i / w - b.top) * b.width() + i % w - b.left; };
        auto isWithin = [&](int x, int y) {
            return x >= b.left && y >= b.top && x < b.right && y < b.bottom &&
                   within[static_cast<std::size_t>(y - b.top) * b.width() + x - b.left];
        };
        for (const auto* part : {&pill.pixels, &inside})
            for (int i : *part) {
                within[at(i)] = done[static_cast<std::size_t>(i)] = true;
                paint(static_cast<std::size_t>(i), turned(shade(i), box, letter, ground, pillEdges));
            }
        // The rim: shades between the pill's and the page's just outside it.
        for (int i : pill.pixels) {
            const int x = i % w, y = i / w;
            for (int ny = std::max(0, y - rimWidth); ny <= std::min(h - 1, y + rimWidth); ++ny)
                for (int nx = std::max(0, x - rimWidth); nx <= std::min(w - 1, x + rimWidth); ++nx) {
                    const auto n = static_cast<std::size_t>(ny) * w + nx;
                    if (!isWithin(nx, ny) && px[n] >= low && px[n] <= high) paint(n, static_cast<std::uint8_t>(ground));
                }
        }
        // A border drawn round it (a button's, a cell's), its corners
        // touching diagonally, goes all round it within its rim: page too.
        // Text beside it does not go round, or reaches out further.
        const PixelBox around{std::max(0, b.left - rimWidth - 1), std::max(0, b.top - rimWidth - 1),
                              std::min(w, b.right + rimWidth + 1), std::min(h, b.bottom + rimWidth + 1)};
        std::vector<bool> seen(static_cast<std::size_t>(around.width()) * around.height(), false);
        auto seenAt = [&](int x, int y) { return seen[static_cast<std::size_t>(y - around.top) * around.width() + x - around.left]; };
        for (int y0 = around.top; y0 < around.bottom; ++y0)
            for (int x0 = around.left; x0 < around.right; ++x0) {
                auto border = [&](int x, int y) {
                    return x >= around.left && y >= around.top && x < around.right && y < around.bottom && !seenAt(x, y) &&
                           !isWithin(x, y) && std::abs(shade(y * w + x) - ground) > flatShade;
                };
                if (!border(x0, y0)) continue;
                std::vector<int> ring;
                PixelBox e{x0, y0, x0 + 1, y0 + 1};
                stack.push_back(y0 * w + x0);
                seenAt(x0, y0) = true;
                while (!stack.empty()) {
                    const int i = stack.back(), x = i % w, y = i / w;
                    stack.pop_back();
                    ring.push_back(i);
                    e = unite(e, {x, y, x + 1, y + 1});
                    for (int ny = y - 1; ny <= y + 1; ++ny)
                        for (int nx = x - 1; nx <= x + 1; ++nx)
                            if (border(nx, ny)) seenAt(nx, ny) = true, stack.push_back(ny * w + nx);
                }
                const bool round = (e.left < b.left || b.left == 0) && (e.top < b.top || b.top == 0) &&
                                   (e.right > b.right || b.right == w) && (e.bottom > b.bottom || b.bottom == h);
                const bool close = (e.left > around.left || around.left == 0) && (e.top > around.top || around.top == 0) &&
                                    (e.right < around.right || around.right == w) &&
                                    (e.bottom < around.bottom || around.bottom == h);
                if (round && close)
                    for (int i : ring) paint(static_cast<std::size_t>(i), static_cast<std::uint8_t>(ground));
            }
    }
}

void lightenBadges(GreyPicture& picture) {
    const int w = picture.width, h = picture.height;
    if (w < 8 || h < 8) return;
    const int ground = groundOf(picture);
    auto& px = picture.pixels;
    const Marks m{picture, ground};
    std::vector<int> label, around;
    for (const InkPiece& piece : piecesWhere(w, {0, 0, w, h}, [&](int x, int y) { return m.at(x, y); }, label)) {
        const PixelBox& b = piece.box;
        // A box or pill round a line of text: as wide as tall at least, and
        // mostly ink.
        if (b.height() < 8 || b.width() < b.height() || 3 * piece.pixels.size() < 2 * std::size_t(b.width()) * b.height())
            continue;
        const int own = label[static_cast<std::size_t>(piece.pixels.front())];
        auto ofPiece = [&](int x, int y) { return label[static_cast<std::size_t>(y) * w + x] == own; };
        // What is not the piece within its box: outside where the box's
        // edge reaches it, else a hole.
        const std::vector<InkPiece> gaps = piecesWhere(w, b, [&](int x, int y) { return !ofPiece(x, y); }, around);
        std::vector<int> inside, letters;
        std::vector<bool> outside(around.size(), false);  // within its box, row by row
        int tall = 0;
        PixelBox text{b.right, b.bottom, b.left, b.top};
        for (const InkPiece& gap : gaps) {
            const PixelBox& g = gap.box;
            if (g.left == b.left || g.top == b.top || g.right == b.right || g.bottom == b.bottom) {
                for (int i : gap.pixels) outside[static_cast<std::size_t>((i / w - b.top) * b.width() + i % w - b.left)] = true;
                continue;
            }
            inside.insert(inside.end(), gap.pixels.begin(), gap.pixels.end());
            text = unite(text, g);
            if (g.height() < letterHole * b.height()) continue;
            ++tall;
            for (int i : gap.pixels) letters.push_back(px[static_cast<std::size_t>(i)]);
        }
        // The box stands round its text with room to spare on every side
        // (letters touching by their serifs close holes with none) but one
        // the picture's edge cuts.
        const int hh = b.height();
        auto room = [&](int gap, bool cut, int part) { return cut || part * gap >= hh; };
        if ((tall < 2 && (tall < 1 || 2 * b.width() < 3 * hh)) || !room(text.left - b.left, b.left == 0, 4) ||
            !room(b.right - text.right, b.right == w, 4) || !room(text.top - b.top, b.top == 0, 8) ||
            !room(b.bottom - text.bottom, b.bottom == h, 8))
            continue;
        std::vector<int> shades;
        for (int i : piece.pixels) shades.push_back(px[static_cast<std::size_t>(i)]);
        const int box = median(shades), letter = median(letters);
        if (std::abs(letter - box) < markContrast) continue;
        auto turn = [&](int i) { px[static_cast<std::size_t>(i)] = turned(px[static_cast<std::size_t>(i)], box, letter, ground); };
        // Its edge, where it meets what lies outside, is the box's, shaded
        // towards the ground by smoothing: no letter's.
        auto edge = [&](int i) {
            const int x = i % w, y = i / w;
            for (int ny = y - 1; ny <= y + 1; ++ny)
                for (int nx = x - 1; nx <= x + 1; ++nx)
                    if (nx < b.left || ny < b.top || nx >= b.right || ny >= b.bottom ||
                        outside[static_cast<std::size_t>((ny - b.top) * b.width() + nx - b.left)])
                        return true;
            return false;
        };
        for (int i : piece.pixels) {
            if (edge(i)) px[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ground);
            else turn(i);
        }
        for (int i : inside) turn(i);
    }
}

void lightenFilledBox(GreyPicture& picture) {
    const int w = picture.width, h = picture.height;
    if (w < 8 || h < 8) return;
    const int box = groundOf(picture);
    // Room for light text above the box's shade.
    if (box < darkGround || box > 255 - markContrast) return;
    auto& px = picture.pixels;
    auto light = [&](int x, int y) { return px[static_cast<std::size_t>(y) * w + x] >= box + markContrast; };
    // Light pieces the picture's edge cuts are what lies round the box (the
    // page in a pill's corners); the others are its letters.
    std::vector<int> label, letters, outside;
    for (const InkPiece& piece : piecesWhere(w, {0, 0, w, h}, light, label)) {
        const PixelBox& b = piece.box;
        const bool cut = b.left == 0 || b.top == 0 || b.right == w || b.bottom == h;
        for (int i : piece.pixels) (cut ? outside : letters).push_back(i);
    }
    const auto darker = std::count_if(px.begin(), px.end(), [&](std::uint8_t g) { return g + markContrast <= box; });
    // Dark text on a light colour reads as it is, whatever page lies round it.
    if (letters.empty() || std::ptrdiff_t(letters.size()) <= darker) return;
    std::vector<int> shades;
    for (int i : letters) shades.push_back(px[static_cast<std::size_t>(i)]);
    const int letter = median(shades);
    for (int i : outside) px[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(box);
    // The page in its corners makes it a pill, its letters drawn as on one.
    const double least = outside.empty() ? 1 : pillEdges;
    for (std::uint8_t& g : px) g = turned(g, box, letter, 255, least);
}

}  // namespace kestrove
