#include "core/picture/pixel_diff.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kestrove {

bool DiffGrid::isFlat() const {
    if (rgba.size() < 4) return true;
    std::uint8_t lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], rgba[i + c]);
            hi[c] = std::max(hi[c], rgba[i + c]);
        }
    }
    return hi[0] - lo[0] < 8 && hi[1] - lo[1] < 8 && hi[2] - lo[2] < 8;
}

namespace PixelDiff {

namespace {

// Hand-made grids may promise more cells than an int counts.
std::int64_t cellCount(const DiffGrid& g) {
    return std::int64_t{std::max(0, g.width)} * std::int64_t{std::max(0, g.height)};
}

}  // namespace

std::optional<DiffGrid> grid(const Image& image, int longSide) {
    // A buffer shorter than its size promises is refused, never read past its end.
    if (!image.isValid() || longSide < 1) return std::nullopt;
    const double s = std::min(static_cast<double>(longSide) / std::max(image.width, image.height), 1.0);
    const int w = std::max(1, static_cast<int>(std::round(s * image.width)));
    const int h = std::max(1, static_cast<int>(std::round(s * image.height)));
    Image reduced = downscaleArea(image, w, h, /*keepPremultiplied=*/true);
    return DiffGrid{reduced.width, reduced.height, std::move(reduced.rgba)};
}

Result compare(const DiffGrid& a, const DiffGrid& b, int channelThreshold, double minRatio, int minCells) {
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) {
        return {true, static_cast<int>(std::min<std::int64_t>(cellCount(a), std::numeric_limits<int>::max())), 1.0};
    }
    const std::size_t n = std::min(static_cast<std::size_t>(cellCount(a)), a.rgba.size() / 4);
    int count = 0;
    int minX = a.width, maxX = -1, minY = a.height, maxY = -1;
    const std::uint8_t* pa = a.rgba.data();
    const std::uint8_t* pb = b.rgba.data();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t o = i * 4;
        int d = std::max({std::abs(pa[o] - pb[o]), std::abs(pa[o + 1] - pb[o + 1]), std::abs(pa[o + 2] - pb[o + 2])});
        if (d <= channelThreshold) continue;
        ++count;
        const int x = static_cast<int>(i % static_cast<std::size_t>(a.width));
        const int y = static_cast<int>(i / static_cast<std::size_t>(a.width));
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    Result r{false, count, n == 0 ? 0.0 : static_cast<double>(count) / static_cast<double>(n)};
    if (count == 0 || count < minCells || r.ratio < minRatio) return r;

    // A change confined to a thin vertical strip (a blinking caret, a
    // scrollbar) is not counted.
    const int bw = maxX - minX + 1;
    const int bh = maxY - minY + 1;
    const std::int64_t limit = 3 * std::int64_t{a.height} <= 11 ? 3 : (3 * std::int64_t{a.height}) / 4;
    const bool thinStrip = bw <= 2 && bh >= 3 * bw && bh <= limit;
    r.changed = !thinStrip;
    return r;
}

bool changed(const DiffGrid& a, const DiffGrid& b) { return compare(a, b, 28, 0.004, 2).changed; }

std::optional<DiffGrid> detail(const Image& image) { return grid(image, std::max(image.width, image.height)); }

bool changedInDetail(const DiffGrid& a, const DiffGrid& b) { return compare(a, b, 28, 0, 3).changed; }

}  // namespace PixelDiff
}  // namespace kestrove
