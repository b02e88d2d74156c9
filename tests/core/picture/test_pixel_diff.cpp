#include <gtest/gtest.h>

#include <limits>

#include "support/samples.hpp"

#include "core/picture/pixel_diff.hpp"

using namespace kestrove;

namespace {

using kestrove::samples::solid;

// One colour, each channel its own value, so a channel read in place of
// another shows.
DiffGrid grey(int w, int h) {
    DiffGrid g{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w * h * 4))};
    for (std::size_t i = 0; i < g.rgba.size(); i += 4) {
        g.rgba[i] = 40;
        g.rgba[i + 1] = 100;
        g.rgba[i + 2] = 160;
        g.rgba[i + 3] = 255;
    }
    return g;
}

// Changes one channel (red unless told) of cells (x, y) by `delta`.
void paint(DiffGrid& g, int x0, int y0, int w, int h, int delta = 60, int channel = 0) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) g.rgba[static_cast<std::size_t>((y * g.width + x) * 4 + channel)] += delta;
}

}  // namespace

TEST(PixelDiffGrid, SizesShrinkToTheLongSideNeverGrow) {
    struct Case { int w, h, gw, gh; };
    const Case cases[] = {{2560, 1440, 128, 72}, {100, 50, 100, 50}, {1000, 3, 128, 1}, {1200, 400, 128, 43},
                          {3, 1000, 1, 128}, {1, 1, 1, 1}};
    for (const auto& c : cases) {
        auto g = PixelDiff::grid(solid(c.w, c.h, 1, 2, 3));
        ASSERT_TRUE(g) << c.w << "x" << c.h;
        EXPECT_EQ(g->width, c.gw) << c.w << "x" << c.h;
        EXPECT_EQ(g->height, c.gh) << c.w << "x" << c.h;
        EXPECT_EQ(g->rgba.size(), static_cast<std::size_t>(c.gw * c.gh * 4));
    }
}

TEST(PixelDiffGrid, NoGridForEmptyOrShortPictures) {
    EXPECT_FALSE(PixelDiff::grid(Image(0, 10)));
    EXPECT_FALSE(PixelDiff::grid(Image(10, 0)));
    Image shortBuffer(10, 10);
    shortBuffer.rgba.resize(10 * 10 * 4 - 1);
    EXPECT_FALSE(PixelDiff::grid(shortBuffer));
}

TEST(PixelDiffGrid, CellsAreAreaAverages) {
    // Three columns into two: each cell covers one and a half source pixels.
    Image img(3, 1);
    const std::uint8_t reds[] = {0, 90, 180};
    for (int x = 0; x < 3; ++x) {
        img.rgba[x * 4] = reds[x];
        img.rgba[x * 4 + 3] = 255;
    }
    auto g = PixelDiff::grid(img, 2);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->rgba[0], 30);   // (0 + 45) / 1.5
    EXPECT_EQ(g->rgba[4], 150);  // (45 + 180) / 1.5

    // A translucent picture is averaged premultiplied, as drawn over nothing.
    auto t = PixelDiff::grid(solid(4, 4, 255, 0, 0, 128), 2);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->rgba[0], 128);
    EXPECT_EQ(t->rgba[3], 128);

    // One clear pixel beside an opaque one: the clear one adds no colour.
    Image mixed = solid(2, 1, 200, 0, 0);
    mixed.rgba[7] = 0;
    auto m = PixelDiff::grid(mixed, 1);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->rgba[0], 100);
    EXPECT_EQ(m->rgba[3], 128);
    EXPECT_EQ(downscaleArea(mixed, 1, 1).rgba[0], 199);  // straight alpha again: 100 / (128 / 255)
}

TEST(PixelDiffGrid, FlatnessIgnoresAlphaAndTolerates7) {
    DiffGrid g = grey(4, 4);
    g.rgba[3] = 0;  // alpha varies freely
    EXPECT_TRUE(g.isFlat());
    for (int channel = 0; channel < 3; ++channel) {
        DiffGrid span7 = grey(4, 4), span8 = grey(4, 4);
        span7.rgba[20 + channel] += 7;
        span8.rgba[20 + channel] += 8;
        EXPECT_TRUE(span7.isFlat()) << channel;
        EXPECT_FALSE(span8.isFlat()) << channel;
    }
    EXPECT_TRUE((DiffGrid{0, 0, {}}).isFlat());
}

TEST(PixelDiffCompare, SizesAndThresholds) {
    auto r = PixelDiff::compare(grey(10, 10), grey(10, 9), 28, 0.004, 2);
    EXPECT_EQ(r, (PixelDiff::Result{true, 100, 1.0}));
    EXPECT_EQ(PixelDiff::compare(DiffGrid{}, DiffGrid{}, 28, 0.004, 2), (PixelDiff::Result{false, 0, 0.0}));

    DiffGrid a = grey(10, 10), one = a;
    EXPECT_FALSE(PixelDiff::changed(a, a));
    for (int channel = 0; channel < 3; ++channel) {
        DiffGrid by28 = a, by29 = a;
        paint(by28, 2, 2, 2, 1, 28, channel);
        paint(by29, 2, 2, 2, 1, 29, channel);
        EXPECT_FALSE(PixelDiff::changed(a, by28)) << channel;
        EXPECT_EQ(PixelDiff::compare(a, by28, 28, 0.004, 2).changedCells, 0) << channel;
        EXPECT_TRUE(PixelDiff::changed(a, by29)) << channel;
    }
    paint(one, 5, 5, 1, 1, 90);
    EXPECT_FALSE(PixelDiff::changed(a, one));  // one cell is never a change

    DiffGrid alphaOnly = a;
    alphaOnly.rgba[3] = 0;
    alphaOnly.rgba[7] = 0;
    EXPECT_FALSE(PixelDiff::changed(a, alphaOnly));
}

TEST(PixelDiffCompare, RatioAndThinStrips) {
    const DiffGrid base = grey(128, 72);
    struct Case { const char* what; int x, y, w, h; bool changed; };
    const Case cases[] = {
        {"36 cells is below 0.4 %", 10, 10, 36, 1, false},
        {"37 cells in a row is a change", 10, 10, 37, 1, true},
        {"1 × 20 strip is ignored", 60, 5, 1, 20, false},  // 20 cells would be too few anyway
        {"2 × 27 strip is ignored", 60, 5, 2, 27, false},
        {"1 × 55 strip is taller than 3/4", 60, 5, 1, 55, true},
        {"1 × 54 strip is ignored", 60, 5, 1, 54, false},
        {"3 columns is no strip", 60, 5, 3, 20, true},
        {"2 × 5 is too short to be a strip", 60, 5, 2, 5, false},  // only 10 cells: below ratio
    };
    for (const auto& c : cases) {
        DiffGrid b = base;
        paint(b, c.x, c.y, c.w, c.h);
        EXPECT_EQ(PixelDiff::changed(base, b), c.changed) << c.what;
    }
    // Where the ratio test does not hide it: lower thresholds, so the strip rule decides alone.
    struct Strip { int w, h; bool changed; };
    const Strip strips[] = {{1, 20, false}, {2, 5, true}, {2, 6, false}, {1, 2, true}};
    for (const auto& s : strips) {
        DiffGrid b = base;
        paint(b, 30, 30, s.w, s.h);
        EXPECT_EQ(PixelDiff::compare(base, b, 28, 0, 1).changed, s.changed) << s.w << "x" << s.h;
    }
}

TEST(PixelDiffCompare, ShortGridsUseAStripLimitOfThree) {
    const DiffGrid base = grey(50, 3);
    DiffGrid b = base;
    paint(b, 7, 0, 1, 3);
    EXPECT_FALSE(PixelDiff::compare(base, b, 28, 0, 2).changed);
    DiffGrid four = grey(50, 4), tall = four;
    paint(tall, 7, 0, 1, 4);  // limit floor(12 / 4) = 3 rows
    EXPECT_TRUE(PixelDiff::compare(four, tall, 28, 0, 2).changed);
}

TEST(PixelDiffCompare, HandMadeGridsTooLargeForIntCountTheirCellsSafely) {
    // 65,536 × 65,536 cells: the product does not fit in an int.
    DiffGrid a{65536, 65536, std::vector<std::uint8_t>(8, 0)};
    DiffGrid b = a;
    b.rgba[0] = b.rgba[4] = 200;
    const PixelDiff::Result r = PixelDiff::compare(a, b, 28, 0, 1);
    EXPECT_EQ(r.changedCells, 2);
    b.height = 1;
    EXPECT_EQ(PixelDiff::compare(a, b, 28, 0, 1).changedCells, std::numeric_limits<int>::max());
}

namespace {

// Brightens the red of pixels (x, y) of a picture by `delta`.
void paint(Image& image, int x0, int y0, int w, int h, int delta = 60) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) image.rgba[static_cast<std::size_t>((y * image.width + x) * 4)] += delta;
}

}  // namespace

TEST(PixelDiffDetail, EveryPixelCountsButTwoAloneOrACaret) {
    const Image base = solid(200, 40, 40, 100, 160);  // a caret is at most 30 rows tall
    struct Spot { int x, y, w, h; };
    struct Case { const char* what; std::vector<Spot> spots; int delta; bool changed; };
    const Case cases[] = {
        {"the same picture", {}, 60, false},
        {"two pixels", {{50, 10, 2, 1}}, 60, false},
        {"three pixels in a row", {{50, 10, 3, 1}}, 60, true},
        {"by 28 everywhere", {{0, 0, 200, 40}}, 28, false},
        {"by 29 in a word", {{50, 10, 20, 5}}, 29, true},
        {"a caret 1 × 30", {{50, 5, 1, 30}}, 60, false},
        {"a caret 2 × 30", {{50, 5, 2, 30}}, 60, false},
        {"1 × 31 is taller than a caret", {{50, 5, 1, 31}}, 60, true},
        {"three columns are no caret", {{50, 5, 3, 30}}, 60, true},
        {"2 × 5 is too short for a caret", {{50, 5, 2, 5}}, 60, true},
        {"pixels far apart in one column make a caret", {{90, 2, 1, 1}, {90, 20, 1, 1}, {90, 25, 1, 1}}, 60, false},
        {"a word, then a caret further down", {{10, 0, 30, 2}, {150, 5, 1, 30}}, 60, true},
        {"a caret, then one pixel beside it", {{150, 5, 1, 20}, {152, 30, 1, 1}}, 60, true},
    };
    for (const Case& c : cases) {
        Image b = base;
        for (const Spot& s : c.spots) paint(b, s.x, s.y, s.w, s.h, c.delta);
        EXPECT_EQ(PixelDiff::changedInDetail(base, b), c.changed) << c.what;
        EXPECT_EQ(PixelDiff::changedInDetail(b, base), c.changed) << c.what << ", the other way";
    }
    EXPECT_TRUE(PixelDiff::changedInDetail(base, solid(200, 39, 40, 100, 160))) << "another size";
    EXPECT_TRUE(PixelDiff::changedInDetail(Image{}, Image{})) << "no pixels";
}

TEST(PixelDiffDetail, TranslucentPixelsCompareAsTheyShow) {
    Image clear = solid(20, 20, 40, 100, 160), other = solid(20, 20, 250, 0, 0);
    for (Image* image : {&clear, &other})
        for (std::size_t i = 3; i < image->rgba.size(); i += 4) image->rgba[i] = 0;
    EXPECT_FALSE(PixelDiff::changedInDetail(clear, other)) << "nothing shows in either";
    Image half = solid(20, 20, 40, 100, 160);
    for (std::size_t i = 3; i < 4 * 20 * 5; i += 4) half.rgba[i] = 128;  // red 40 → 20, blue 160 → 80
    EXPECT_TRUE(PixelDiff::changedInDetail(solid(20, 20, 40, 100, 160), half));
}
