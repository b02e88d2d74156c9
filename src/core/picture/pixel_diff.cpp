#include "core/picture/pixel_diff.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
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

namespace {

// A channel as the coarse grid keeps it: premultiplied.
int premultipliedChannel(const std::uint8_t* px, int c) {
    const std::uint32_t a = px[3];
    return a == 255 ? px[c] : static_cast<int>((px[c] * a + 127) / 255);
}

}  // namespace

bool changedInDetail(const Image& a, const Image& b) {
    if (!a.isValid() || !b.isValid() || a.width != b.width || a.height != b.height) return true;
    constexpr int threshold = 28, fewest = 3;
    const std::size_t stride = static_cast<std::size_t>(a.width) * 4;
    // Taller than this, an upright strip is no caret.
    const int limit = 3 * a.height <= 11 ? 3 : (3 * a.height) / 4;
    int count = 0, minX = a.width, maxX = -1, minY = a.height, maxY = -1;
    for (int y = 0; y < a.height; ++y) {
        const std::uint8_t* pa = a.rgba.data() + y * stride;
        const std::uint8_t* pb = b.rgba.data() + y * stride;
        if (std::memcmp(pa, pb, stride) == 0) continue;
        for (int x = 0; x < a.width; ++x, pa += 4, pb += 4) {
            if (std::memcmp(pa, pb, 4) == 0) continue;
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(premultipliedChannel(pa, c) - premultipliedChannel(pb, c)));
            if (d <= threshold) continue;
            ++count;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
        // The box around the changes only grows: once too wide or too tall
        // for a strip, enough changes are a change whatever follows.
        if (count >= fewest && (maxX - minX + 1 > 2 || maxY - minY + 1 > limit)) return true;
    }
    if (count < fewest) return false;
    const int bw = maxX - minX + 1, bh = maxY - minY + 1;
    return !(bw <= 2 && bh >= 3 * bw && bh <= limit);
}

}  // namespace PixelDiff
}  // namespace kestrove
