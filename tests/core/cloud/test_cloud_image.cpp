#include <gtest/gtest.h>

#include "core/cloud/cloud_image.hpp"
#include "core/picture/base64.hpp"
#include "support/decode.hpp"
#include "support/samples.hpp"

namespace kestrove {
namespace {

using samples::solid;

// Read back from Base64 and PNG, which must be plain RGB.
Image decode(const std::optional<CloudImage>& image) {
    EXPECT_EQ(image->contentType, "image/png");
    auto png = testing::decodePng(testing::base64Decode(image->base64).value_or(std::vector<std::uint8_t>{}));
    EXPECT_TRUE(png) << "not a PNG in Base64";
    EXPECT_EQ(png ? png->channels : 0, 3);
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

// Pixel for pixel as sent is shown by the privacy suite; here, what has no alpha to keep.
TEST(CloudImage, TranslucentPixelsAreDrawnOverBlackShrunkOrNot) {
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

}  // namespace
}  // namespace kestrove
