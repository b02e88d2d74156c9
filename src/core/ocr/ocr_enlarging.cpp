#include "core/ocr/ocr_enlarging.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace kestrove {

namespace {

// How much a bitmap font's strokes are thickened and its edges blurred, in
// its own pixels: measured on the crops of bench/data/ocr (xterm's fixed,
// 6x13 and 9x15), where thinner strokes lose the c and the colon and a
// wider blur closes the rings of a percent sign.
constexpr double thickening = 0.75;
constexpr double blur = 0.6;

std::uint8_t at(const GreyPicture& p, int x, int y) { return p.pixels[static_cast<std::size_t>(y) * p.width + x]; }

// The source row or column an enlarged one is sampled from.
double sourceOf(int out, int start, double scale) { return start + (out + 0.5) / scale - 0.5; }

// Past the picture's edges lies ground: a line on the edge is drawn as
// with a row of room beyond it.
int sample(const GreyPicture& p, const RunCut& cut, int x, int y) {
    return x < 0 || y < 0 || x >= p.width || y >= p.height ? cut.ground : at(p, x, y);
}

bool outsideBand(double sy, const RunCut& cut) { return sy < cut.bandTop - 0.5 || sy > cut.bandBottom - 0.5; }

void drawSmooth(const GreyPicture& from, const RunCut& cut, GreyPicture& to, int left, int top) {
    for (int dy = 0; dy < cut.height(); ++dy) {
        const double sy = sourceOf(dy, cut.from.top, cut.scale);
        // Only the run's own line: the next line's ascenders are not copied with it.
        if (outsideBand(sy, cut)) continue;
        const int y0 = int(std::floor(sy)), y1 = y0 + 1;
        const double fy = sy - y0;
        for (int dx = 0; dx < cut.width(); ++dx) {
            const double sx = sourceOf(dx, cut.from.left, cut.scale);
            const int x0 = int(std::floor(sx)), x1 = x0 + 1;
            const double fx = sx - x0;
            auto v0 = [&](int y) { return sample(from, cut, x0, y) * (1 - fx) + sample(from, cut, x1, y) * fx; };
            const double v = v0(y0) * (1 - fy) + v0(y1) * fy;
            to.pixels[static_cast<std::size_t>(top + dy) * to.width + left + dx] = static_cast<std::uint8_t>(std::lround(v));
        }
    }
}

// A separable Gaussian over a w × h area, its edges repeated.
void gaussian(std::vector<float>& area, int w, int h, double sigma) {
    const int r = int(std::ceil(2.5 * sigma));
    std::vector<float> k(static_cast<std::size_t>(2 * r + 1));
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += k[static_cast<std::size_t>(i + r)] = float(std::exp(-i * i / (2 * sigma * sigma)));
    for (float& v : k) v /= sum;
    std::vector<float> across(area.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = 0;
            for (int i = -r; i <= r; ++i) v += k[static_cast<std::size_t>(i + r)] * area[static_cast<std::size_t>(y * w + std::clamp(x + i, 0, w - 1))];
            across[static_cast<std::size_t>(y * w + x)] = v;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = 0;
            for (int i = -r; i <= r; ++i) v += k[static_cast<std::size_t>(i + r)] * across[static_cast<std::size_t>(std::clamp(y + i, 0, h - 1) * w + x)];
            area[static_cast<std::size_t>(y * w + x)] = v;
        }
}

// Ground with ink on all four sides.
bool hole(const Marks& m, int x, int y) {
    return !m.within(x, y) && m.within(x - 1, y) && m.within(x + 1, y) && m.within(x, y - 1) && m.within(x, y + 1);
}

void drawBitmap(const GreyPicture& from, const RunCut& cut, GreyPicture& to, int left, int top) {
    const int w = cut.width(), h = cut.height();
    const int ground = cut.ground;
    const Marks marks{from, ground};
    std::vector<float> area(static_cast<std::size_t>(w) * h, float(ground));
    const int spread = int(std::lround(thickening * cut.scale));
    std::vector<int> column(static_cast<std::size_t>(w));  // the source column of each one drawn
    for (int dx = 0; dx < w; ++dx)
        column[static_cast<std::size_t>(dx)] = int(std::lround(sourceOf(dx, cut.from.left, cut.scale)));
    for (int dy = 0; dy < h; ++dy) {
        const double sy = sourceOf(dy, cut.from.top, cut.scale);
        if (outsideBand(sy, cut)) continue;
        const int y = int(std::lround(sy));
        auto source = [&](int dx) { return sample(from, cut, column[static_cast<std::size_t>(dx)], y); };
        for (int dx = 0; dx < w; ++dx) {
            int v = source(dx);
            // Ink spreads to the right, each pixel taking the inkiest of those
            // just left of it; a one-pixel hole (a percent sign's ring, a small
            // e's eye) stays open.
            if (!hole(marks, column[static_cast<std::size_t>(dx)], y))
                for (int b = 1; b <= spread && dx - b >= 0; ++b)
                    if (std::abs(source(dx - b) - ground) > std::abs(v - ground)) v = source(dx - b);
            area[static_cast<std::size_t>(dy * w + dx)] = float(v);
        }
    }
    gaussian(area, w, h, blur * cut.scale);
    for (int dy = 0; dy < h; ++dy)
        for (int dx = 0; dx < w; ++dx)
            to.pixels[static_cast<std::size_t>(top + dy) * to.width + left + dx] =
                static_cast<std::uint8_t>(std::clamp(std::lround(area[static_cast<std::size_t>(dy * w + dx)]), 0L, 255L));
}

}  // namespace

int RunCut::width() const { return std::max(1, int(std::lround(from.width() * scale))); }
int RunCut::height() const { return std::max(1, int(std::lround(from.height() * scale))); }

void drawEnlarged(const GreyPicture& from, const RunCut& cut, GreyPicture& to, int left, int top) {
    if (cut.bitmap) drawBitmap(from, cut, to, left, top);
    else drawSmooth(from, cut, to, left, top);
}

bool drawnWithoutSmoothing(const GreyPicture& prepared, const PixelBox& ink) {
    return drawnWithoutSmoothing(prepared, ink, groundOf(prepared));
}

bool drawnWithoutSmoothing(const GreyPicture& prepared, const PixelBox& ink, int ground) {
    // The pixels of `area` outside `besides`; empty when they tell nothing:
    // no ink, or nothing but ink.
    auto judged = [&](const PixelBox& area, const PixelBox& besides) -> std::optional<bool> {
        auto counted = [&](int x, int y) { return x < besides.left || x >= besides.right || y < besides.top || y >= besides.bottom; };
        int contrast = 0, pixels = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (counted(x, y)) {
                    contrast = std::max(contrast, std::abs(at(prepared, x, y) - ground));
                    ++pixels;
                }
        int marks = 0, between = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (counted(x, y)) {
                    const int d = std::abs(at(prepared, x, y) - ground);
                    marks += d >= markContrast;
                    between += d > 24 && d < contrast - 24;
                }
        if (marks == 0 || marks == pixels) return std::nullopt;
        return between * 10 <= marks;
    };
    // A filled rectangle on whole pixels (an I, a bar, a dash, a point)
    // looks the same smoothed or not: the rest of the picture tells.
    if (const std::optional<bool> own = judged(ink, {})) return *own;
    return judged({0, 0, prepared.width, prepared.height}, ink).value_or(false);
}

void mendCrossDots(GreyPicture& prepared, const PixelBox& area) { mendCrossDots(prepared, area, groundOf(prepared)); }

void mendCrossDots(GreyPicture& prepared, const PixelBox& area, int ground) {
    const Marks marks{prepared, ground};
    auto mark = [&](int x, int y) { return marks.within(x, y); };
    for (int y = std::max(area.top, 1); y < std::min(area.bottom, prepared.height - 1); ++y)
        for (int x = std::max(area.left, 1); x < std::min(area.right, prepared.width - 1); ++x) {
            // A plus of five pixels touching nothing else.
            const bool cross = mark(x, y) && mark(x - 1, y) && mark(x + 1, y) && mark(x, y - 1) && mark(x, y + 1) &&
                               !mark(x - 1, y - 1) && !mark(x + 1, y - 1) && !mark(x - 1, y + 1) && !mark(x + 1, y + 1) &&
                               !mark(x - 2, y) && !mark(x + 2, y) && !mark(x, y - 2) && !mark(x, y + 2);
            if (cross) prepared.pixels[static_cast<std::size_t>(y + 1) * prepared.width + x] = static_cast<std::uint8_t>(ground);
        }
}

}  // namespace kestrove
