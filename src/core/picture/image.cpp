#include "core/picture/image.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace kestrove {

namespace {

// How one source row (or column) spreads over the destination cells: `first`
// (out of 256) to `cell`, the rest to cell + 1. Shrinking only, so a source
// pixel never touches more than two cells.
struct Spread {
    int cell;
    std::uint32_t first;
    std::uint32_t next;
};

struct Axis {
    std::vector<Spread> spreads;      // per source index
    std::vector<double> weight;       // total weight per cell (exact: a tall cell passes 2^24)
    std::vector<int> begin, end;      // source indices touching each cell: [begin, end)
};

// Source columns of each cell with their weights, laid out flat.
struct Taps {
    std::vector<int> offset;          // into `index`/`weight`, one more than cells
    std::vector<std::size_t> index;   // float offset of the column in a row
    std::vector<float> weight;        // already divided by the cell's total
};

Axis axis(int source, int dest) {
    Axis a;
    a.spreads.resize(static_cast<std::size_t>(source));
    a.weight.assign(static_cast<std::size_t>(dest), 0);
    a.begin.assign(static_cast<std::size_t>(dest), source);
    a.end.assign(static_cast<std::size_t>(dest), 0);
    const std::int64_t n = dest, N = source;
    for (std::int64_t i = 0; i < N; ++i) {
        // In units where a source pixel is n wide and a cell N wide.
        const std::int64_t c = i * n / N;
        const std::int64_t overlap = std::min((i + 1) * n, (c + 1) * N) - i * n;
        auto first = static_cast<std::uint32_t>((overlap * 256 + n / 2) / n);
        if (c + 1 >= n) first = 256;
        const Spread s{static_cast<int>(c), first, 256 - first};
        a.spreads[static_cast<std::size_t>(i)] = s;
        for (int k = 0; k < (s.next ? 2 : 1); ++k) {
            const auto cell = static_cast<std::size_t>(c) + static_cast<std::size_t>(k);
            a.weight[cell] += k ? s.next : s.first;
            a.begin[cell] = std::min(a.begin[cell], static_cast<int>(i));
            a.end[cell] = std::max(a.end[cell], static_cast<int>(i) + 1);
        }
    }
    return a;
}

float weightIn(const Spread& s, int cell) { return static_cast<float>(s.cell == cell ? s.first : s.next); }

Taps taps(const Axis& a) {
    Taps t;
    const auto cells = static_cast<int>(a.weight.size());
    for (int c = 0; c < cells; ++c) {
        t.offset.push_back(static_cast<int>(t.index.size()));
        for (int x = a.begin[static_cast<std::size_t>(c)]; x < a.end[static_cast<std::size_t>(c)]; ++x) {
            t.index.push_back(static_cast<std::size_t>(x) * 4);
            t.weight.push_back(static_cast<float>(weightIn(a.spreads[static_cast<std::size_t>(x)], c) /
                                                  a.weight[static_cast<std::size_t>(c)]));
        }
    }
    t.offset.push_back(static_cast<int>(t.index.size()));
    return t;
}

// The hot loops, built twice so that machines with AVX2 use it.
__attribute__((target_clones("avx2", "default")))
void addRow(std::uint16_t* acc, const std::uint8_t* in, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) acc[i] = static_cast<std::uint16_t>(acc[i] + in[i]);
}

__attribute__((target_clones("avx2", "default")))
void addWeightedRow(std::uint32_t* acc, const std::uint8_t* in, std::uint32_t weight, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) acc[i] += in[i] * weight;
}

using Pixel = float __attribute__((vector_size(16)));  // four channels in one register

// Scales the sums of one destination row to 0…255 floats and clears them for
// the next row. Returns whether every alpha that went into the sums was 255:
// no value exceeds 255, so an alpha sum reaches 255 × the row's weight only
// if every term was 255.
__attribute__((target_clones("avx2", "default")))
bool foldRows(float* out, std::uint32_t* partial, std::uint16_t* full, float scale, std::size_t pixels,
              std::uint32_t opaqueSum) {
    std::uint32_t missing = 0;
    for (std::size_t p = 0; p < pixels; ++p) {
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t i = p * 4 + k;
            const std::uint32_t sum = partial[i] + (std::uint32_t{full[i]} << 8);
            out[i] = static_cast<float>(sum) * scale;
            if (k == 3) missing |= opaqueSum - sum;
            partial[i] = 0;
            full[i] = 0;
        }
    }
    return missing == 0;
}

// foldRows for a cell so tall that its sums spilled into `wide`.
bool foldWideRows(float* out, std::uint64_t* wide, std::uint32_t* partial, std::uint16_t* full, double scale,
                  std::size_t pixels, std::uint64_t opaqueSum) {
    bool opaque = true;
    for (std::size_t i = 0; i < pixels * 4; ++i) {
        const std::uint64_t sum = wide[i] + partial[i] + (std::uint64_t{full[i]} << 8);
        out[i] = static_cast<float>(static_cast<double>(sum) * scale);
        if (i % 4 == 3 && sum != opaqueSum) opaque = false;
        wide[i] = 0;
        partial[i] = 0;
        full[i] = 0;
    }
    return opaque;
}

// Area average of premultiplied (or opaque) pixels into `out`. Returns whether
// every pixel read was opaque.
bool reduce(const std::uint8_t* px, int W, int H, Image& out) {
    const int w = out.width, h = out.height;
    const Axis rows = axis(H, h);
    const Taps cols = taps(axis(W, w));
    const std::size_t stride = static_cast<std::size_t>(W) * 4;
    // Whole source rows go into 16-bit sums (a long contiguous loop the
    // compiler vectorises); the one or two rows a cell shares with its
    // neighbour into weighted 32-bit sums.
    std::vector<std::uint16_t> full(stride, 0);
    std::vector<std::uint32_t> partial(stride, 0);
    std::vector<float> row(stride);
    // The 32-bit sums hold 255 times this much weight, besides up to 255
    // whole rows still waiting in 16 bits. A cell of more rows (about
    // 65,000) spills them into 64-bit sums.
    constexpr std::uint64_t holdable = (std::uint64_t{UINT32_MAX} - 255u * 255u * 256u) / 255u;
    std::vector<std::uint64_t> wide;
    bool opaque = true;
    for (int r = 0; r < h; ++r) {
        std::uint32_t fullRows = 0;
        std::uint64_t held = 0;
        bool spilled = false;
        const auto makeRoom = [&](std::uint64_t weight) {
            held += weight;
            if (held <= holdable) return;
            if (wide.empty()) wide.assign(stride, 0);
            for (std::size_t i = 0; i < stride; ++i) wide[i] += std::exchange(partial[i], 0);
            held = weight;
            spilled = true;
        };
        for (int y = rows.begin[static_cast<std::size_t>(r)]; y < rows.end[static_cast<std::size_t>(r)]; ++y) {
            const Spread& s = rows.spreads[static_cast<std::size_t>(y)];
            const std::uint8_t* in = px + static_cast<std::size_t>(y) * stride;
            if (s.cell == r && s.next == 0) {
                addRow(full.data(), in, stride);
                // 16 bits hold 257 rows of 255; fold before they could overflow.
                if (++fullRows == 256) {
                    makeRoom(256 * 256);
                    for (std::size_t i = 0; i < stride; ++i) partial[i] += std::uint32_t{full[i]} << 8;
                    std::fill(full.begin(), full.end(), 0);
                    fullRows = 0;
                }
            } else {
                const auto weight = static_cast<std::uint32_t>(weightIn(s, r));
                makeRoom(weight);
                addWeightedRow(partial.data(), in, weight, stride);
            }
        }
        const double rowWeight = rows.weight[static_cast<std::size_t>(r)];
        if (spilled) {
            opaque &= foldWideRows(row.data(), wide.data(), partial.data(), full.data(), 1.0 / rowWeight,
                                   static_cast<std::size_t>(W), 255 * static_cast<std::uint64_t>(rowWeight));
        } else {
            opaque &= foldRows(row.data(), partial.data(), full.data(), 1.0f / static_cast<float>(rowWeight),
                               static_cast<std::size_t>(W), 255 * static_cast<std::uint32_t>(rowWeight));
        }

        // Each cell sums its own columns in registers; two sums in turn, so
        // one addition need not wait for the last.
        std::uint8_t* o = out.rgba.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(w) * 4;
        const auto tapAt = [&](int t) {
            Pixel p;
            std::memcpy(&p, row.data() + cols.index[static_cast<std::size_t>(t)], sizeof p);
            return p * cols.weight[static_cast<std::size_t>(t)];
        };
        for (int c = 0; c < w; ++c) {
            Pixel even{0, 0, 0, 0}, odd{0, 0, 0, 0};
            int t = cols.offset[static_cast<std::size_t>(c)];
            const int end = cols.offset[static_cast<std::size_t>(c) + 1];
            for (; t + 1 < end; t += 2) {
                even += tapAt(t);
                odd += tapAt(t + 1);
            }
            if (t < end) even += tapAt(t);
            const Pixel acc = even + odd + 0.5f;
            for (int k = 0; k < 4; ++k) o[c * 4 + k] = static_cast<std::uint8_t>(std::min(acc[k], 255.0f));
        }
    }
    return opaque;
}

// One pixel's colour scaled by its alpha, as drawn over black.
void premultiplyPixel(std::uint8_t* px) {
    const std::uint32_t a = px[3];
    for (int c = 0; c < 3; ++c) px[c] = static_cast<std::uint8_t>((px[c] * a + 127) / 255);
}

Image premultiplied(const Image& src) {
    Image out = src;
    for (std::size_t i = 0; i + 3 < out.rgba.size(); i += 4) premultiplyPixel(&out.rgba[i]);
    return out;
}

void unpremultiply(Image& img) {
    for (std::size_t i = 0; i + 3 < img.rgba.size(); i += 4) {
        const std::uint32_t a = img.rgba[i + 3];
        for (int c = 0; c < 3; ++c)
            img.rgba[i + c] = a == 0 ? 0 : static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (img.rgba[i + c] * 255u + a / 2) / a));
    }
}

}  // namespace

Image downscaleArea(const Image& source, int w, int h, bool keepPremultiplied) {
    if (!source.isValid()) return {};
    Image out(std::clamp(w, 1, source.width), std::clamp(h, 1, source.height));
    // Screen pictures are opaque: one pass. Only a translucent one pays for a
    // premultiplied copy and a second pass.
    if (reduce(source.rgba.data(), source.width, source.height, out)) return out;
    const Image pre = premultiplied(source);
    reduce(pre.rgba.data(), source.width, source.height, out);
    if (!keepPremultiplied) unpremultiply(out);
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

std::vector<Tap> linearTaps(int source, int dest) {
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

}  // namespace

Image resample(const Image& source, int w, int h, bool keepPremultiplied) {
    if (!source.isValid() || w < 1 || h < 1) return {};
    if (w <= source.width && h <= source.height) return downscaleArea(source, w, h, keepPremultiplied);
    // Shrink what shrinks first, then interpolate up what grows.
    const int bw = std::min(w, source.width), bh = std::min(h, source.height);
    const Image base = bw == source.width && bh == source.height ? premultiplied(source)
                                                                 : downscaleArea(source, bw, bh, true);
    const std::vector<Tap> cols = linearTaps(base.width, w);
    const std::vector<Tap> rows = linearTaps(base.height, h);
    const std::size_t stride = static_cast<std::size_t>(base.width) * 4;
    // Rows first into floats, so each source row is interpolated once per output row.
    std::vector<float> upper(static_cast<std::size_t>(w) * 4), lower(upper.size());
    auto across = [&](const std::uint8_t* row, std::vector<float>& into) {
        float* o = into.data();
        for (const Tap& c : cols) {
            const auto t = static_cast<float>(c.t);
            for (std::size_t k = 0; k < 4; ++k) *o++ = row[c.lo * 4 + k] * (1 - t) + row[c.hi * 4 + k] * t;
        }
    };
    Image out(w, h);
    std::uint8_t* o = out.rgba.data();
    for (const Tap& r : rows) {
        across(base.rgba.data() + r.lo * stride, upper);
        across(base.rgba.data() + r.hi * stride, lower);
        const auto t = static_cast<float>(r.t);
        // Weights sum to 1, so values stay within 0…255.
        for (std::size_t i = 0; i < upper.size(); ++i)
            *o++ = static_cast<std::uint8_t>(upper[i] * (1 - t) + lower[i] * t + 0.5f);
    }
    if (!keepPremultiplied) unpremultiply(out);
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
        if (!premultiplied) premultiplyPixel(&image.rgba[i]);
        image.rgba[i + 3] = 255;
    }
}

Image imageFromRows(const std::uint8_t* rows, int width, int height, std::size_t rowBytes) {
    Image out(width, height);
    const std::size_t packed = static_cast<std::size_t>(std::max(width, 0)) * 4;
    if (!rows || !out.isValid() || rowBytes < packed) return {};
    for (int y = 0; y < height; ++y)
        std::copy_n(rows + static_cast<std::size_t>(y) * rowBytes, packed,
                    out.rgba.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * packed));
    return out;
}

}  // namespace kestrove
