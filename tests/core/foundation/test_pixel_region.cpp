#include <gtest/gtest.h>

#include <random>

#include "core/foundation/pixel_region.hpp"

using kestrove::PixelRect;
using kestrove::PixelRegion;

namespace {

// The same operations on a plain bitmap, pixel by pixel.
struct Bitmap {
    static constexpr int size = 40;
    bool on[size][size] = {};
    void set(const PixelRect& r, bool v) {
        for (int y = std::max(0, r.y); y < std::min(size, r.y + r.height); ++y)
            for (int x = std::max(0, r.x); x < std::min(size, r.x + r.width); ++x) on[y][x] = v;
    }
    void keepOnly(const Bitmap& other) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) on[y][x] = on[y][x] && other.on[y][x];
    }
    void clip(const PixelRect& r) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (x < r.x || x >= r.x + r.width || y < r.y || y >= r.y + r.height) on[y][x] = false;
    }
};

bool samePixels(const PixelRegion& region, const Bitmap& bitmap) {
    Bitmap drawn;
    std::int64_t area = 0;
    for (const PixelRect& r : region.rects()) {
        if (r.width <= 0 || r.height <= 0) return false;
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x) {
                if (drawn.on[y][x]) return false;  // rectangles overlap
                drawn.on[y][x] = true;
                ++area;
            }
    }
    if (area != region.area()) return false;
    for (int y = 0; y < Bitmap::size; ++y)
        for (int x = 0; x < Bitmap::size; ++x)
            if (drawn.on[y][x] != bitmap.on[y][x]) return false;
    return true;
}

}  // namespace

TEST(PixelRegion, AgreesWithABitmapOverRandomOperations) {
    std::mt19937 random(27);
    std::uniform_int_distribution<int> at(0, Bitmap::size - 13), side(0, 12), op(0, 10);
    for (int round = 0; round < 200; ++round) {
        PixelRegion region;
        Bitmap bitmap;
        for (int step = 0; step < 12; ++step) {
            const PixelRect r{at(random), at(random), side(random), side(random)};
            const int o = op(random);
            if (o < 5) {
                region.add(r);
                bitmap.set(r, true);
            } else if (o < 9) {
                region.subtract(r);
                bitmap.set(r, false);
            } else if (o < 10) {
                region.clip(r);
                bitmap.clip(r);
            } else {
                // A second region of three pieces, two of them overlapping before they are added.
                PixelRegion other(r);
                Bitmap otherBitmap;
                otherBitmap.set(r, true);
                for (int k = 0; k < 2; ++k) {
                    const PixelRect more{at(random), at(random), side(random) * 2, side(random) * 2};
                    other.add(more);
                    otherBitmap.set(more, true);
                }
                region.intersect(other);
                bitmap.keepOnly(otherBitmap);
            }
            ASSERT_TRUE(samePixels(region, bitmap)) << "round " << round << " step " << step;
            int hits = 0;
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x) hits += bitmap.on[y][x];
            ASSERT_EQ(region.intersects(r), hits > 0) << "round " << round << " step " << step;
        }
    }
}

TEST(PixelRegion, EdgesThatOnlyTouchDoNotMeet) {
    PixelRegion region(PixelRect{10, 10, 10, 10});
    struct Case { PixelRect other; bool meets; const char* why; } cases[] = {
        {{20, 10, 5, 5}, false, "right edge"},
        {{10, 20, 5, 5}, false, "bottom edge"},
        {{19, 19, 1, 1}, true, "the last pixel"},
        {{12, 12, 0, 5}, false, "no width"},
        {{-2147483647, 12, 2147483647, 5}, false, "far left, no overflow"},
    };
    for (const Case& c : cases) EXPECT_EQ(region.intersects(c.other), c.meets) << c.why;
    region.translate(-10, 5);
    EXPECT_TRUE(region.intersects({0, 15, 1, 1}));
    EXPECT_FALSE(region.intersects({10, 10, 1, 1}));
}
