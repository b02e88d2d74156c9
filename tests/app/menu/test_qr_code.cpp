// The pairing link as a QR code: its size rule, and a real decoder reads the
// link back from the picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/menu/qr_code.hpp"
#include "support/app/qr_decode.hpp"

namespace kestrove {
namespace {

bool dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

TEST(QRCode, TwelvePixelModulesInsideAFourModuleQuietZone) {
    // 20 bytes need version 2 at level M: 25 modules.
    const std::string text = "https://t.me/k?s=abc";
    ASSERT_EQ(text.size(), 20u);
    const auto image = QRCode::image(text, 12, 4);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(396, 396));
    // The finder patterns' outer corners sit exactly 48 pixels in.
    EXPECT_TRUE(dark(*image, 48, 48));
    EXPECT_FALSE(dark(*image, 47, 48));
    EXPECT_FALSE(dark(*image, 48, 47));
    EXPECT_TRUE(dark(*image, 347, 48));
    EXPECT_FALSE(dark(*image, 348, 48));
    EXPECT_TRUE(dark(*image, 48, 347));
    EXPECT_FALSE(dark(*image, 48, 348));
    // The quiet zone is white all round; modules are whole 12-pixel squares.
    for (int i = 0; i < 396; ++i) {
        EXPECT_FALSE(dark(*image, i, 20) || dark(*image, 20, i) || dark(*image, i, 380) || dark(*image, 380, i));
    }
    for (int y = 48; y < 348; y += 12)
        for (int x = 48; x < 348; x += 12)
            ASSERT_EQ(dark(*image, x, y), dark(*image, x + 11, y + 11)) << x << "," << y;
}

TEST(QRCode, ReadsBackAsTheSameText) {
    for (const std::string& text : std::vector<std::string>{"https://t.me/KestroveBot?start=pair_3f9a7c21d04b",
                                   std::string("https://t.me/k?start=") + std::string(120, 'x'), std::string("é∆")}) {
        const auto image = QRCode::image(text, 12, 4);
        ASSERT_TRUE(image) << text;
        EXPECT_EQ(testing::decodeQR(*image), text);
    }
}

TEST(QRCode, NothingForTextThatCannotBeACodeOrBadSizes) {
    EXPECT_FALSE(QRCode::image(std::string(4000, 'x'), 12, 4)) << "beyond the largest code at level M";
    EXPECT_FALSE(QRCode::image("x", 0, 4));
    EXPECT_FALSE(QRCode::image("x", 12, -1));
    const auto bare = QRCode::image("x", 1, 0);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->size(), QSize(21, 21)) << "version 1, no quiet zone";
}

}  // namespace
}  // namespace kestrove
