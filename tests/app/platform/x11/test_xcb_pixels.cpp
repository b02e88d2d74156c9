// The server's pixels turned into RGBA, without a display.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/platform/x11/xcb_pixels.hpp"

namespace kestrove {
namespace {

TEST(XcbPixels, ServerPixelsBecomeOpaqueRgbaWhateverTheCountAndAlignment) {
    // B, G, R, and a fourth byte the server may fill with anything.
    const std::vector<std::uint8_t> pixel = {0x10, 0x20, 0x30, 0x00, 0xff, 0x00, 0x7f, 0x80,
                                             0x00, 0xff, 0x01, 0xff, 0xaa, 0xbb, 0xcc, 0x12};
    for (std::size_t count : {0u, 1u, 3u, 4u, 17u, 64u, 1001u}) {
        for (std::size_t shift : {0u, 1u, 3u}) {  // rows from a shared buffer need not be aligned
            std::vector<std::uint8_t> in(shift + count * 4), out(count * 4 + 1, 0x5a);
            for (std::size_t i = 0; i < count * 4; ++i) in[shift + i] = pixel[i % pixel.size()];
            bgrxToRgba(in.data() + shift, out.data(), count);
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint8_t* s = in.data() + shift + i * 4;
                const std::uint8_t* d = out.data() + i * 4;
                ASSERT_EQ(d[0], s[2]) << count << " pixels, pixel " << i;
                ASSERT_EQ(d[1], s[1]) << count << " pixels, pixel " << i;
                ASSERT_EQ(d[2], s[0]) << count << " pixels, pixel " << i;
                ASSERT_EQ(d[3], 255) << count << " pixels, pixel " << i;
            }
            EXPECT_EQ(out.back(), 0x5a) << "nothing written past the end";
        }
    }
}

}  // namespace
}  // namespace kestrove
