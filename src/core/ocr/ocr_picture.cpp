#include "core/ocr/ocr_picture.hpp"

#include "core/ocr/ocr_badges.hpp"

#include <algorithm>
#include <array>

namespace kestrove {

namespace {

// A row or column this full of marks is a line; a row of text has gaps.
constexpr double lineCover = 0.8;
// Within this many pixels of an edge (before enlargement).
constexpr int edgeDepth = 6;

}  // namespace

GreyPicture toGrey(const Image& image) {
    GreyPicture out{image.width, image.height, {}};
    out.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    const std::uint8_t* p = image.rgba.data();
    for (std::uint8_t& g : out.pixels) {
        const unsigned luma = (p[0] * 299u + p[1] * 587u + p[2] * 114u + 500u) / 1000u;
        const unsigned alpha = p[3];
        g = static_cast<std::uint8_t>(alpha == 255 ? luma : (luma * alpha + 255u * (255u - alpha) + 127u) / 255u);
        p += 4;
    }
    return out;
}

std::uint8_t groundOf(const GreyPicture& picture) {
    std::array<std::size_t, 256> count{};
    for (std::uint8_t g : picture.pixels) ++count[g];
    return medianShade(count, picture.pixels.size());
}

std::uint8_t medianShade(const std::array<std::size_t, 256>& counts, std::size_t total) {
    std::size_t seen = 0;
    for (int g = 0; g < 256; ++g)
        if ((seen += counts[static_cast<std::size_t>(g)]) > total / 2) return static_cast<std::uint8_t>(g);
    return 255;
}

int median(std::vector<int> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

void darkOnLight(GreyPicture& picture) {
    if (picture.pixels.empty() || groundOf(picture) >= 128) return;
    for (std::uint8_t& g : picture.pixels) g = static_cast<std::uint8_t>(255 - g);
}

void clearEdgeLines(GreyPicture& picture, int depth) {
    const int w = picture.width, h = picture.height;
    if (w < 3 || h < 3) return;
    const int ground = groundOf(picture);
    auto at = [&](int x, int y) -> std::uint8_t& { return picture.pixels[static_cast<std::size_t>(y) * w + x]; };
    const Marks m{picture, ground};
    auto marked = [&](int x, int y) { return m.at(x, y); };
    auto rowIsLine = [&](int y) {
        int n = 0;
        for (int x = 0; x < w; ++x) n += marked(x, y);
        return n >= lineCover * w;
    };
    auto columnIsLine = [&](int x) {
        int n = 0;
        for (int y = 0; y < h; ++y) n += marked(x, y);
        return n >= lineCover * h;
    };
    auto rowIsBlank = [&](int y) {
        for (int x = 0; x < w; ++x)
            if (marked(x, y)) return false;
        return true;
    };
    auto columnIsBlank = [&](int x) {
        for (int y = 0; y < h; ++y)
            if (marked(x, y)) return false;
        return true;
    };
    const auto g = static_cast<std::uint8_t>(ground);
    // From each edge inwards: the innermost line within reach, or a sliver
    // (the cut-off foot of a line above, a cursor's top) that a blank row
    // parts from the rest; that and everything outside it become ground.
    auto reach = [&](int size, auto isLine, auto isBlank, auto index) {
        int last = -1;
        bool marks = false;
        for (int i = 0; i < std::min(depth, size / 3); ++i) {
            if (isLine(index(i))) last = i;
            else if (isBlank(index(i))) {
                if (marks) last = std::max(last, i);
                marks = false;
                continue;
            }
            marks = true;
        }
        return last;
    };
    const int top = reach(h, rowIsLine, rowIsBlank, [](int i) { return i; });
    const int bottom = h - 1 - reach(h, rowIsLine, rowIsBlank, [&](int i) { return h - 1 - i; });
    const int left = reach(w, columnIsLine, columnIsBlank, [](int i) { return i; });
    const int right = w - 1 - reach(w, columnIsLine, columnIsBlank, [&](int i) { return w - 1 - i; });
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (y <= top || y >= bottom || x <= left || x >= right) at(x, y) = g;
}

namespace {

// A panel's text lighter than its fill is turned over. Darker text (on a
// selection or a light highlight the line touches, too tight for a pill)
// stays dark: the fill becomes the page's shade and the letters keep theirs.
void turnPanel(GreyPicture& picture, int left, int top, int right, int bottom, int ground) {
    std::vector<int> shades;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) shades.push_back(picture.pixels[static_cast<std::size_t>(y) * picture.width + x]);
    const int fill = median(shades);
    std::vector<int> letters;
    for (const int v : shades)
        if (std::abs(v - fill) >= markContrast) letters.push_back(v);
    const bool darkText = !letters.empty() && median(letters) < fill;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            std::uint8_t& v = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
            v = darkText ? static_cast<std::uint8_t>(std::clamp(v * ground / std::max(fill, 1), 0, 255))
                         : static_cast<std::uint8_t>(255 - v);
        }
}

}  // namespace

void lightenDarkPanels(GreyPicture& picture) {
    const int w = picture.width, h = picture.height;
    if (w < 8 || h < 8) return;
    const int ground = groundOf(picture);
    const Marks m{picture, ground};
    // The longest stretch of marks in each row, where it lies.
    struct Stretch {
        int left = 0, right = 0;
    };
    std::vector<Stretch> longest(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        Stretch best, run{-1, -1};
        for (int x = 0; x <= w; ++x) {
            const bool mark = x < w && m.at(x, y);
            if (mark && run.left < 0) run.left = x;
            if (!mark && run.left >= 0) {
                run.right = x;
                if (run.right - run.left > best.right - best.left) best = run;
                run.left = -1;
            }
        }
        longest[static_cast<std::size_t>(y)] = best;
    }
    // A panel: rows whose stretch reaches across a quarter of the picture
    // (at least 40 pixels), four rows or more.
    const int reach = std::max(40, w / 4);
    auto panelRow = [&](int y) {
        const Stretch& s = longest[static_cast<std::size_t>(y)];
        return s.right - s.left >= reach;
    };
    for (int y = 0; y < h;) {
        if (!panelRow(y)) {
            ++y;
            continue;
        }
        int end = y, left = w, right = 0;
        // Rows of text inside the panel part its stretch: a gap of a few rows is bridged.
        for (int last = y; end < h && end - last <= 3 + (end - y) / 2; ++end)
            if (panelRow(end)) {
                last = end;
                left = std::min(left, longest[static_cast<std::size_t>(end)].left);
                right = std::max(right, longest[static_cast<std::size_t>(end)].right);
            }
        int bottom = end;
        while (bottom > y && !panelRow(bottom - 1)) --bottom;
        if (bottom - y >= 4) turnPanel(picture, left, y, right, bottom, ground);
        y = std::max(bottom, y + 1);
    }
}

void prepareForRecognition(GreyPicture& picture) {
    lightenFilledBox(picture);
    darkOnLight(picture);
    lightenBadges(picture);
    lightenDarkPanels(picture);
    clearEdgeLines(picture, edgeDepth);
}

}  // namespace kestrove
