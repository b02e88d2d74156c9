#include "core/image.hpp"

#include <algorithm>
#include <cmath>

namespace kestrove {

namespace {

// How one source row (or column) spreads over the destination cells: all of
// its weight to `cell` but `next` (out of 256) to cell + 1. Shrinking only, so
// a source pixel never touches more than two cells.
struct Spread {
    int cell;
    std::uint32_t first;
    std::uint32_t next;
};

std::vector<Spread> spreads(int source, int dest, std::vector<std::uint64_t>& weightPerCell) {
    std::vector<Spread> out(static_cast<std::size_t>(source));
    weightPerCell.assign(static_cast<std::size_t>(dest), 0);
    const std::int64_t n = dest, N = source;
    for (std::int64_t i = 0; i < N; ++i) {
        // In units where a source pixel is n wide and a cell N wide.
        std::int64_t c = i * n / N;
        std::int64_t overlap = std::min((i + 1) * n, (c + 1) * N) - i * n;
        auto first = static_cast<std::uint32_t>((overlap * 256 + n / 2) / n);
        if (c + 1 >= n) first = 256;
        Spread s{static_cast<int>(c), first, 256 - first};
        weightPerCell[static_cast<std::size_t>(c)] += s.first;
        if (s.next) weightPerCell[static_cast<std::size_t>(c) + 1] += s.next;
        out[static_cast<std::size_t>(i)] = s;
    }
    return out;
}

Image premultiply(const Image& src) {
    Image out = src;
    for (std::size_t i = 0; i + 3 < out.rgba.size(); i += 4) {
        std::uint32_t a = out.rgba[i + 3];
        if (a == 255) continue;
        for (int c = 0; c < 3; ++c) out.rgba[i + c] = static_cast<std::uint8_t>((out.rgba[i + c] * a + 127) / 255);
    }
    return out;
}

bool opaque(const Image& img) {
    for (std::size_t i = 3; i < img.rgba.size(); i += 4)
        if (img.rgba[i] != 255) return false;
    return true;
}

}  // namespace

Image downscaleArea(const Image& source, int w, int h, bool premultiplied) {
    if (!source.isValid()) return {};
    const int W = source.width, H = source.height;
    w = std::clamp(w, 1, W);
    h = std::clamp(h, 1, H);

    const bool isOpaque = opaque(source);
    Image translucentCopy;
    if (!isOpaque) translucentCopy = premultiply(source);
    const std::uint8_t* px = isOpaque ? source.rgba.data() : translucentCopy.rgba.data();

    std::vector<std::uint64_t> rowWeight, colWeight;
    const std::vector<Spread> rows = spreads(H, h, rowWeight);
    const std::vector<Spread> cols = spreads(W, w, colWeight);

    // Rows first: whole source rows are summed into destination rows, a long
    // contiguous loop the compiler vectorises. A cell holds at most
    // 255 × 256 × (rows per cell), far below 2^32 for any screen.
    const std::size_t stride = static_cast<std::size_t>(W) * 4;
    std::vector<std::uint32_t> byRow(static_cast<std::size_t>(h) * stride, 0);
    for (int y = 0; y < H; ++y) {
        const Spread s = rows[static_cast<std::size_t>(y)];
        const std::uint8_t* in = px + static_cast<std::size_t>(y) * stride;
        std::uint32_t* a = byRow.data() + static_cast<std::size_t>(s.cell) * stride;
        for (std::size_t i = 0; i < stride; ++i) a[i] += in[i] * s.first;
        if (s.next) {
            std::uint32_t* b = a + stride;
            for (std::size_t i = 0; i < stride; ++i) b[i] += in[i] * s.next;
        }
    }

    Image out(w, h);
    std::vector<std::uint64_t> cell(static_cast<std::size_t>(w) * 4);
    for (int r = 0; r < h; ++r) {
        std::fill(cell.begin(), cell.end(), 0);
        const std::uint32_t* in = byRow.data() + static_cast<std::size_t>(r) * stride;
        for (int x = 0; x < W; ++x) {
            const Spread s = cols[static_cast<std::size_t>(x)];
            std::uint64_t* a = cell.data() + static_cast<std::size_t>(s.cell) * 4;
            const std::uint32_t* p = in + static_cast<std::size_t>(x) * 4;
            for (int c = 0; c < 4; ++c) a[c] += std::uint64_t{p[c]} * s.first;
            if (s.next)
                for (int c = 0; c < 4; ++c) a[4 + c] += std::uint64_t{p[c]} * s.next;
        }
        std::uint8_t* o = out.rgba.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(w) * 4;
        for (int x = 0; x < w; ++x) {
            const std::uint64_t total = rowWeight[static_cast<std::size_t>(r)] * colWeight[static_cast<std::size_t>(x)];
            for (int c = 0; c < 4; ++c) {
                std::uint64_t v = (cell[static_cast<std::size_t>(x) * 4 + c] + total / 2) / total;
                o[x * 4 + c] = static_cast<std::uint8_t>(std::min<std::uint64_t>(v, 255));
            }
            if (!premultiplied && !isOpaque) {
                std::uint32_t a = o[x * 4 + 3];
                for (int c = 0; c < 3; ++c)
                    o[x * 4 + c] = a == 0 ? 0 : static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (o[x * 4 + c] * 255u + a / 2) / a));
            }
        }
    }
    return out;
}

namespace {

// Where each destination column (or row) samples the source: between `lo`
// and `hi`, weight of `hi` in `t`. Pixel centres are aligned.
struct Tap {
    std::size_t lo;
    std::size_t hi;
    double t;
};

std::vector<Tap> taps(int source, int dest) {
    std::vector<Tap> out(static_cast<std::size_t>(dest));
    for (int i = 0; i < dest; ++i) {
        double f = (i + 0.5) * source / dest - 0.5;
        f = std::clamp(f, 0.0, static_cast<double>(source - 1));
        const int lo = static_cast<int>(std::floor(f));
        const int hi = std::min(lo + 1, source - 1);
        out[static_cast<std::size_t>(i)] = {static_cast<std::size_t>(lo), static_cast<std::size_t>(hi), f - lo};
    }
    return out;
}

void unpremultiply(Image& img) {
    for (std::size_t i = 0; i + 3 < img.rgba.size(); i += 4) {
        const std::uint32_t a = img.rgba[i + 3];
        if (a == 255) continue;
        for (int c = 0; c < 3; ++c)
            img.rgba[i + c] = a == 0 ? 0 : static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (img.rgba[i + c] * 255u + a / 2) / a));
    }
}

}  // namespace

Image resample(const Image& source, int w, int h, bool premultiplied) {
    if (!source.isValid() || w < 1 || h < 1) return {};
    if (w <= source.width && h <= source.height) return downscaleArea(source, w, h, premultiplied);
    // Shrink what shrinks first, then interpolate up what grows.
    const Image base = downscaleArea(source, std::min(w, source.width), std::min(h, source.height), true);
    const std::vector<Tap> cols = taps(base.width, w);
    const std::vector<Tap> rows = taps(base.height, h);
    const std::size_t stride = static_cast<std::size_t>(base.width) * 4;
    Image out(w, h);
    std::uint8_t* o = out.rgba.data();
    for (const Tap& r : rows) {
        const std::uint8_t* top = base.rgba.data() + r.lo * stride;
        const std::uint8_t* bottom = base.rgba.data() + r.hi * stride;
        for (const Tap& c : cols) {
            for (std::size_t k = 0; k < 4; ++k) {
                const double upper = top[c.lo * 4 + k] * (1 - c.t) + top[c.hi * 4 + k] * c.t;
                const double lower = bottom[c.lo * 4 + k] * (1 - c.t) + bottom[c.hi * 4 + k] * c.t;
                *o++ = static_cast<std::uint8_t>(std::lround(std::clamp(upper * (1 - r.t) + lower * r.t, 0.0, 255.0)));
            }
        }
    }
    if (!premultiplied) unpremultiply(out);
    return out;
}

std::optional<Image> cut(const Image& source, int x, int y, int w, int h) {
    if (!source.isValid() || w <= 0 || h <= 0) return std::nullopt;
    // 64-bit edges: x + w must not overflow for any int input.
    const std::int64_t l = std::max<std::int64_t>(x, 0), t = std::max<std::int64_t>(y, 0);
    const std::int64_t r = std::min<std::int64_t>(std::int64_t{x} + w, source.width);
    const std::int64_t b = std::min<std::int64_t>(std::int64_t{y} + h, source.height);
    if (r <= l || b <= t) return std::nullopt;
    Image out(static_cast<int>(r - l), static_cast<int>(b - t));
    const std::size_t inStride = static_cast<std::size_t>(source.width) * 4;
    const std::size_t outStride = static_cast<std::size_t>(out.width) * 4;
    for (std::int64_t row = t; row < b; ++row) {
        const std::uint8_t* from = source.rgba.data() + static_cast<std::size_t>(row) * inStride + static_cast<std::size_t>(l) * 4;
        std::copy(from, from + outStride, out.rgba.data() + static_cast<std::size_t>(row - t) * outStride);
    }
    return out;
}

void flattenOverBlack(Image& image, bool premultiplied) {
    for (std::size_t i = 0; i + 3 < image.rgba.size(); i += 4) {
        const std::uint32_t a = image.rgba[i + 3];
        if (a == 255) continue;
        if (!premultiplied)
            for (int c = 0; c < 3; ++c) image.rgba[i + c] = static_cast<std::uint8_t>((image.rgba[i + c] * a + 127) / 255);
        image.rgba[i + 3] = 255;
    }
}

}  // namespace kestrove
