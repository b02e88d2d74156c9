// Saved crops are read back exactly as written; anything else that is not a
// whole, reasonably sized PNG reads as nothing, without allocating for it.

#include "core/picture/png.hpp"

#include <gtest/gtest.h>


using namespace kestrove;

namespace {

Image gradient(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto* p = &img.rgba[(static_cast<std::size_t>(y) * w + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 7);
            p[1] = static_cast<std::uint8_t>(y * 13);
            p[2] = static_cast<std::uint8_t>(x ^ y);
            p[3] = 255;
        }
    return img;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBig(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

TEST(Png, ReadsBackWhatWasWritten) {
    const Image img = gradient(37, 21);
    auto bytes = encodePng(img);
    ASSERT_TRUE(bytes);
    auto back = decodePng(*bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, img);
}

TEST(Png, EachStyleReadsBackItsPixelsAndOnlyKeepAlphaKeepsTheAlpha) {
    Image translucent = gradient(23, 9);
    for (std::size_t i = 3; i < translucent.rgba.size(); i += 4) translucent.rgba[i] = static_cast<std::uint8_t>(i % 251);
    Image opaque = translucent;
    for (std::size_t i = 3; i < opaque.rgba.size(); i += 4) opaque.rgba[i] = 255;
    struct Case {
        const char* name;
        PngStyle style;
        const Image& expected;
    };
    const Case cases[] = {
        {"plain", {}, opaque},
        {"quick", {.quick = true}, opaque},
        {"alpha", {.keepAlpha = true}, translucent},
        {"alpha, quick", {.keepAlpha = true, .quick = true}, translucent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = encodePng(translucent, c.style);
        ASSERT_TRUE(bytes);
        const auto back = decodePng(*bytes);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, c.expected);
    }
    EXPECT_FALSE(encodePng(Image{}, {.keepAlpha = true}));
}

TEST(Png, DamagedOrForeignDataReadsAsNothing) {
    auto bytes = *encodePng(gradient(40, 40));
    std::vector<std::uint8_t> truncated(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2));
    std::vector<std::uint8_t> flipped = bytes;
    flipped[bytes.size() / 2] ^= 0xFF;
    std::vector<std::uint8_t> text{'{', '"', 'v', '"', ':', '1', '}'};
    for (const auto* data : {&truncated, &flipped, &text}) EXPECT_FALSE(decodePng(*data));
    EXPECT_FALSE(decodePng({}));
}

TEST(Png, AHeaderPromisingAHugePictureIsRefusedBeforeDecoding) {
    auto bytes = *encodePng(gradient(2, 2));
    // IHDR: length (4) "IHDR" (4) width height …, its CRC after 13 data bytes.
    putBig(bytes, 16, 30000);
    putBig(bytes, 20, 30000);
    putBig(bytes, 29, crc32(&bytes[12], 17));
    EXPECT_FALSE(decodePng(bytes));
}

}  // namespace
