#include <gtest/gtest.h>

#include "core/cloud/cloud_image.hpp"
#include "core/picture/base64.hpp"
#include "support/decode.hpp"
#include "support/samples.hpp"

namespace kestrove {
namespace {

using samples::solid;

Image decode(const std::optional<CloudImage>& image, int channels = 3) {
    EXPECT_EQ(image->contentType, "image/png");
    auto png = testing::decodePng(testing::base64Decode(image->base64).value_or(std::vector<std::uint8_t>{}));
    EXPECT_TRUE(png) << "not a PNG in Base64";
    EXPECT_EQ(png ? png->channels : 0, channels);
    return png ? png->image : Image{};
}

TEST(Base64, EncodesTheStandardVectors) {
    const std::pair<std::string_view, const char*> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"}, {"\xfb\xff\xbf", "+/+/"},
    };
    for (const auto& [in, out] : vectors)
        EXPECT_EQ(base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(in.data()), in.size())), out);
}

TEST(CloudImage, ShrinksToTheLongestSideNeverEnlarging) {
    struct Row { int w, h, maxSide, ew, eh; };
    const Row rows[] = {
        {2000, 1000, 1024, 1024, 512}, {1025, 10, 1024, 1024, 10}, {3000, 1, 1024, 1024, 1},
        {1024, 600, 1024, 1024, 600},  {10, 20, 1024, 10, 20},     {1000, 3, 500, 500, 2},  // 1.5 rounds up
        {600, 2000, 512, 154, 512},
    };
    for (const auto& row : rows) {
        Image out = CloudImage::downscaled(solid(row.w, row.h, 10, 20, 30), row.maxSide);
        EXPECT_EQ(std::pair(out.width, out.height), std::pair(row.ew, row.eh)) << row.w << "x" << row.h;
    }
}

TEST(CloudImage, PngWithoutAlphaPixelForPixel) {
    // A big picture is shrunk to the limit; one that fits is written as it is.
    EXPECT_EQ(decode(CloudImage::png(solid(2000, 1000, 255, 0, 0))), solid(1024, 512, 255, 0, 0));
    Image gradient(1024, 600);
    for (int y = 0; y < gradient.height; ++y)
        for (int x = 0; x < gradient.width; ++x) {
            std::uint8_t* p = &gradient.rgba[(static_cast<std::size_t>(y) * 1024 + static_cast<std::size_t>(x)) * 4];
            p[0] = static_cast<std::uint8_t>(x), p[1] = static_cast<std::uint8_t>(y),
            p[2] = static_cast<std::uint8_t>(x ^ y);
            p[3] = 255;
        }
    EXPECT_EQ(decode(CloudImage::png(gradient)), gradient);
    // Translucent pixels are drawn over black, shrunk or not.
    EXPECT_EQ(decode(CloudImage::png(solid(4, 4, 200, 100, 50, 128))), solid(4, 4, 100, 50, 25));
    Image shrunk = decode(CloudImage::png(solid(40, 40, 200, 100, 50, 128), 10));
    EXPECT_EQ(shrunk.width, 10);
    EXPECT_NEAR(shrunk.rgba[0], 100, 1);
    EXPECT_NEAR(shrunk.rgba[1], 50, 1);
}

TEST(CloudImage, EmptyOrShortPicturesGiveNothing) {
    Image broken(4, 4);
    broken.rgba.resize(10);
    for (const Image& img : {Image{}, Image(0, 5), broken}) EXPECT_FALSE(CloudImage::png(img));
}

TEST(CloudImage, FromPngBytes) {
    const std::uint8_t bytes[] = {0x89, 'P', 'N', 'G'};
    EXPECT_EQ(toJson(CloudImage{std::span<const std::uint8_t>(bytes)}),
              (Json{{"content_type", "image/png"}, {"base64", "iVBORw=="}}));
}

}  // namespace
}  // namespace kestrove
