// How runs are drawn larger: a bitmap font told from a smoothed one, its
// cross-shaped dots, its strokes thickened with their small holes kept open.

#include "core/ocr/ocr_enlarging.hpp"

#include <gtest/gtest.h>

#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

TEST(OcrEnlarging, ABitmapFontIsToldFromASmoothedOne) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        PixelBox ink;
        bool bitmap;
    };
    const Case cases[] = {
        {"a sharp ring", {"......", ".####.", ".#..#.", ".####.", "......"}, {1, 1, 5, 4}, true},
        {"a smoothed ring", {"......", ".:##:.", ".#::#.", ".:##:.", "......"}, {1, 1, 5, 4}, false},
        // A plain bar shows nothing of its own: the letters beside it tell.
        {"a bar under smoothed letters", {".:##:..", ".#::#..", ".......", ".#.....", ".#.....", "......."}, {1, 3, 2, 5}, false},
        {"a bar under sharp letters", {".####..", ".#..#..", ".......", ".#.....", ".#.....", "......."}, {1, 3, 2, 5}, true},
        {"a bar alone", {".......", ".#.....", ".#.....", "......."}, {1, 1, 2, 3}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(drawnWithoutSmoothing(drawn(c.rows), c.ink), c.bitmap) << c.what;
}

TEST(OcrEnlarging, ACrossShapedDotLosesItsLowerArm) {
    struct Case {
        const char* what;
        std::vector<std::string> before, after;
    };
    const Case cases[] = {
        {"a period", {".....", "..#..", ".###.", "..#..", "....."}, {".....", "..#..", ".###.", ".....", "....."}},
        {"a colon's two dots",
         {".....", "..#..", ".###.", "..#..", ".....", "..#..", ".###.", "..#..", "....."},
         {".....", "..#..", ".###.", ".....", ".....", "..#..", ".###.", ".....", "....."}},
        {"a cross touching a stroke is a letter's part",
         {"......", "..#...", ".####.", "..#...", "......"}, {"......", "..#...", ".####.", "..#...", "......"}},
        {"a ring has no middle", {".....", "..#..", ".#.#.", "..#..", "....."}, {".....", "..#..", ".#.#.", "..#..", "....."}},
        {"a comma", {".....", "..##.", "...#.", "..#..", "....."}, {".....", "..##.", "...#.", "..#..", "....."}},
    };
    for (const Case& c : cases) {
        GreyPicture p = drawn(c.before);
        mendCrossDots(p, {0, 0, p.width, p.height});
        EXPECT_EQ(rowsOf(p), c.after) << c.what;
    }
}

TEST(OcrEnlarging, ABitmapRunIsDrawnThickerWithItsSmallHolesOpen) {
    // A one-pixel stroke beside a ring around a one-pixel hole, drawn 4×.
    auto drawnAt = [](bool bitmap, bool holeFilled) {
        const GreyPicture from = drawn({
            "..........",
            "..#...###.",
            holeFilled ? "..#...###." : "..#...#.#.",
            "..#...###.",
            "..........",
        });
        GreyPicture to{40, 20, std::vector<std::uint8_t>(800, 250)};
        drawEnlarged(from, {{0, 0, 10, 5}, 4, 0, 5, bitmap, 250}, to, 0, 0);
        return to;
    };
    auto inkWidth = [](const GreyPicture& p, int y) {
        int n = 0;
        for (int x = 0; x < 20; ++x) n += p.pixels[static_cast<std::size_t>(y) * p.width + x] < 128;
        return n;
    };
    auto at = [](const GreyPicture& p, int x, int y) { return int(p.pixels[static_cast<std::size_t>(y) * p.width + x]); };
    EXPECT_EQ(inkWidth(drawnAt(false, false), 10), 4);  // smoothly: four pixels wide, as drawn
    const GreyPicture ring = drawnAt(true, false), square = drawnAt(true, true);
    EXPECT_GT(inkWidth(ring, 10), 4);  // a bitmap's stroke thickened
    // The hole (source 7,2: pixels 28-31, 8-11) stays far lighter than a filled square's middle.
    EXPECT_GT(at(ring, 29, 10), at(square, 29, 10) + 50);
}
