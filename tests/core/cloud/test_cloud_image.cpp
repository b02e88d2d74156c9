#include <gtest/gtest.h>

#include "support/samples.hpp"

#include "core/picture/base64.hpp"
#include "core/cloud/cloud_image.hpp"
#include "support/decode.hpp"

namespace kestrove {
namespace {

using samples::solid;

testing::DecodedPng decode(const CloudImage& image) {
    EXPECT_EQ(image.contentType, "image/png");
    auto bytes = testing::base64Decode(image.base64);
    EXPECT_TRUE(bytes) << "not Base64";
    auto png = testing::decodePng(bytes.value_or(std::vector<std::uint8_t>{}));
    EXPECT_TRUE(png) << "not a PNG";
    return png.value_or(testing::DecodedPng{{}, 0});
}

TEST(Base64, EncodesTheStandardVectors) {
    auto enc = [](std::string_view s) {
        return base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
    };
    EXPECT_EQ(enc(""), "");
    EXPECT_EQ(enc("f"), "Zg==");
    EXPECT_EQ(enc("fo"), "Zm8=");
    EXPECT_EQ(enc("foo"), "Zm9v");
    EXPECT_EQ(enc("foob"), "Zm9vYg==");
    EXPECT_EQ(enc("fooba"), "Zm9vYmE=");
    EXPECT_EQ(enc("foobar"), "Zm9vYmFy");
    const std::uint8_t high[] = {0xfb, 0xff, 0xbf};
    EXPECT_EQ(base64Encode(high), "+/+/");
}

TEST(CloudImage, ShrinksToTheLongestSideNeverEnlarging) {
    struct Row {
        int w, h, maxSide, ew, eh;
    };
    const Row rows[] = {
        {2000, 1000, 1024, 1024, 512}, {1025, 10, 1024, 1024, 10}, {3000, 1, 1024, 1024, 1},
        {1024, 600, 1024, 1024, 600},  {10, 20, 1024, 10, 20},     {1000, 3, 500, 500, 2},  // 1.5 rounds up
        {600, 2000, 512, 154, 512},
    };
    for (const auto& row : rows) {
        Image out = CloudImage::downscaled(solid(row.w, row.h, 10, 20, 30), row.maxSide);
        EXPECT_EQ(out.width, row.ew) << row.w << "x" << row.h;
        EXPECT_EQ(out.height, row.eh) << row.w << "x" << row.h;
    }
}

TEST(CloudImage, PngRoundTripThroughLibpng) {
    auto big = CloudImage::png(solid(2000, 1000, 255, 0, 0));
    ASSERT_TRUE(big);
    auto decoded = decode(*big);
    EXPECT_EQ(decoded.image.width, 1024);
    EXPECT_EQ(decoded.image.height, 512);
    EXPECT_EQ(decoded.channels, 3);  // no alpha travels
    for (std::size_t i = 0; i < decoded.image.rgba.size(); i += 4) {
        ASSERT_EQ(decoded.image.rgba[i], 255);
        ASSERT_EQ(decoded.image.rgba[i + 1], 0);
        ASSERT_EQ(decoded.image.rgba[i + 2], 0);
    }

    // A picture that fits is written pixel for pixel.
    Image gradient(1024, 600);
    for (int y = 0; y < gradient.height; ++y)
        for (int x = 0; x < gradient.width; ++x) {
            std::uint8_t* p = &gradient.rgba[(static_cast<std::size_t>(y) * 1024 + static_cast<std::size_t>(x)) * 4];
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x ^ y);
            p[3] = 255;
        }
    auto same = CloudImage::png(gradient);
    ASSERT_TRUE(same);
    EXPECT_EQ(decode(*same).image, gradient);
}

TEST(CloudImage, TranslucentPixelsAreDrawnOverBlack) {
    auto small = CloudImage::png(solid(4, 4, 200, 100, 50, 128));
    ASSERT_TRUE(small);
    Image kept = decode(*small).image;
    EXPECT_EQ(kept.rgba[0], 100);
    EXPECT_EQ(kept.rgba[1], 50);
    EXPECT_EQ(kept.rgba[2], 25);
    EXPECT_EQ(kept.rgba[3], 255);

    auto shrunk = CloudImage::png(solid(40, 40, 200, 100, 50, 128), 10);
    ASSERT_TRUE(shrunk);
    Image s = decode(*shrunk).image;
    EXPECT_EQ(s.width, 10);
    EXPECT_NEAR(s.rgba[0], 100, 1);
    EXPECT_NEAR(s.rgba[1], 50, 1);
}

TEST(CloudImage, EmptyPicturesGiveNothing) {
    EXPECT_FALSE(CloudImage::png(Image{}));
    EXPECT_FALSE(CloudImage::png(Image(0, 5)));
    Image broken(4, 4);
    broken.rgba.resize(10);
    EXPECT_FALSE(CloudImage::png(broken));
}

TEST(CloudImage, FromPngBytes) {
    const std::uint8_t bytes[] = {0x89, 'P', 'N', 'G'};
    CloudImage img{std::span<const std::uint8_t>(bytes)};
    EXPECT_EQ(img.contentType, "image/png");
    EXPECT_EQ(img.base64, "iVBORw==");
    EXPECT_EQ(toJson(img), (Json{{"content_type", "image/png"}, {"base64", "iVBORw=="}}));
}

}  // namespace
}  // namespace kestrove
