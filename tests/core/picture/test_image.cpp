#include <gtest/gtest.h>

#include "support/samples.hpp"

#include <cstdint>
#include <vector>

#include "core/picture/image.hpp"

using kestrove::Image;

namespace {

using kestrove::samples::solid;

// Each pixel's red is its x, green its y.
Image ramp(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = img.rgba.data() + (static_cast<std::size_t>(y) * w + x) * 4;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 0;
            p[3] = 255;
        }
    return img;
}

const std::uint8_t* at(const Image& img, int x, int y) {
    return img.rgba.data() + (static_cast<std::size_t>(y) * img.width + x) * 4;
}

}  // namespace

TEST(ImageFromRows, DropsEachRowsPaddingAndRefusesTooShortRows) {
    const Image src = ramp(3, 2);
    // Rows of 3 pixels with 4 bytes of padding after each.
    std::vector<std::uint8_t> padded;
    for (int y = 0; y < 2; ++y) {
        padded.insert(padded.end(), at(src, 0, y), at(src, 0, y) + 12);
        padded.insert(padded.end(), {9, 9, 9, 9});
    }
    EXPECT_EQ(kestrove::imageFromRows(padded.data(), 3, 2, 16), src);
    EXPECT_EQ(kestrove::imageFromRows(src.rgba.data(), 3, 2, 12), src);
    EXPECT_EQ(kestrove::imageFromRows(src.rgba.data(), 3, 2, 8), Image{});
    EXPECT_EQ(kestrove::imageFromRows(nullptr, 3, 2, 12), Image{});
    EXPECT_EQ(kestrove::imageFromRows(src.rgba.data(), 0, 2, 12), Image{});
}

TEST(ImageCut, KeepsThePixelsInsideThePicture) {
    const Image src = ramp(10, 8);
    auto piece = kestrove::cut(src, 2, 3, 4, 2);
    ASSERT_TRUE(piece);
    EXPECT_EQ(piece->width, 4);
    EXPECT_EQ(piece->height, 2);
    EXPECT_EQ(at(*piece, 0, 0)[0], 2);
    EXPECT_EQ(at(*piece, 3, 1)[0], 5);
    EXPECT_EQ(at(*piece, 3, 1)[1], 4);

    // Clipped to the picture, and nothing when nothing is left.
    auto clipped = kestrove::cut(src, 8, -2, 5, 4);
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->width, 2);
    EXPECT_EQ(clipped->height, 2);
    EXPECT_EQ(at(*clipped, 0, 0)[0], 8);
    EXPECT_FALSE(kestrove::cut(src, 10, 0, 3, 3));
    EXPECT_FALSE(kestrove::cut(src, 0, 0, 0, 3));
    EXPECT_FALSE(kestrove::cut(src, 2147483000, 0, 2147483000, 3));
    EXPECT_FALSE(kestrove::cut(Image{}, 0, 0, 1, 1));
}

TEST(ImageResample, ShrinksAndGrowsWithoutShiftingColours) {
    // A flat colour stays that colour at any size and in any direction.
    const Image flat = solid(7, 5, 40, 120, 200);
    for (auto [w, h] : {std::pair{3, 2}, {14, 10}, {20, 3}, {2, 9}}) {
        Image out = kestrove::resample(flat, w, h);
        ASSERT_EQ(out.width, w);
        ASSERT_EQ(out.height, h);
        EXPECT_EQ(out, solid(w, h, 40, 120, 200)) << w << "×" << h;
    }
    // Growing interpolates between neighbours: a black-white pair doubled.
    Image pair(2, 1);
    pair.rgba = {0, 0, 0, 255, 200, 200, 200, 255};
    Image wide = kestrove::resample(pair, 4, 1);
    EXPECT_EQ(at(wide, 0, 0)[0], 0);
    EXPECT_EQ(at(wide, 1, 0)[0], 50);
    EXPECT_EQ(at(wide, 2, 0)[0], 150);
    EXPECT_EQ(at(wide, 3, 0)[0], 200);
    EXPECT_FALSE(kestrove::resample(pair, 0, 1).isValid());
}

TEST(ImageFlatten, LaysTranslucentPixelsOverBlack) {
    Image img(2, 1);
    img.rgba = {200, 100, 50, 128, 10, 20, 30, 255};
    Image straight = img;
    kestrove::flattenOverBlack(straight, false);
    EXPECT_EQ(straight.rgba, (std::vector<std::uint8_t>{100, 50, 25, 255, 10, 20, 30, 255}));
    Image pre = img;
    kestrove::flattenOverBlack(pre, true);
    EXPECT_EQ(pre.rgba, (std::vector<std::uint8_t>{200, 100, 50, 255, 10, 20, 30, 255}));
}

TEST(ImageDownscale, OneCellAveragesAnyNumberOfRows) {
    // 70,000 white rows in one cell: more than 32-bit sums of 8-bit
    // values weighted by 256 hold.
    const Image tall = solid(2, 70000, 255, 255, 255);
    const Image one = kestrove::downscaleArea(tall, 1, 1);
    EXPECT_EQ(one.rgba, (std::vector<std::uint8_t>{255, 255, 255, 255}));
}
