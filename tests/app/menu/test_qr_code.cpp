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
    // 20 bytes need version 2 at level M: 25 modules, 300 pixels, 48 of quiet zone each side.
    const auto image = QRCode::image("https://t.me/k?s=abc", 12, 4);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(396, 396));
    for (int y = 0; y < 396; ++y)
        for (int x = 0; x < 396; ++x) {
            const bool quiet = x < 48 || y < 48 || x >= 348 || y >= 348;
            if (quiet) ASSERT_FALSE(dark(*image, x, y)) << x << "," << y;
            // Modules are whole 12-pixel squares.
            else ASSERT_EQ(dark(*image, x, y), dark(*image, x - (x - 48) % 12, y - (y - 48) % 12)) << x << "," << y;
        }
    // The finder patterns' outer corners.
    EXPECT_TRUE(dark(*image, 48, 48) && dark(*image, 347, 48) && dark(*image, 48, 347));
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
