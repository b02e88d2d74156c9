// The window check's own measures: the box it tries on a window and whether
// a picture shows anything.
#include <gtest/gtest.h>

#include "app/dev/dev_window.hpp"

namespace kestrove {
namespace {

TEST(DevWindowBox, AtMost400By300CentredOnTheFocusAndKeptInsideTheWindow) {
    struct Case {
        Rect frame, focus, box;
    };
    const Case cases[] = {
        {{0, 0, 1000, 800}, {0, 0, 1000, 800}, {300, 250, 400, 300}},
        {{50, 60, 300, 200}, {50, 60, 300, 200}, {50, 60, 300, 200}},
        {{10, 10, 250.6, 100}, {10, 10, 250.6, 100}, {10, 10, 250, 100}},
        // The overlap with a coverer near the right edge: clamped inside.
        {{0, 0, 1000, 800}, {900, 700, 100, 100}, {600, 500, 400, 300}},
        // Near the top-left: raised to the frame's edge.
        {{100, 100, 1000, 800}, {100, 100, 40, 40}, {100, 100, 400, 300}},
        // Halves round away from zero.
        {{0, 0, 401, 301}, {0, 0, 401, 301}, {1, 1, 400, 300}},
    };
    for (const Case& c : cases) {
        const Rect got = DevWindow::box(c.frame, c.focus);
        EXPECT_EQ(got, c.box) << got.x << ", " << got.y << ", " << got.width << " × " << got.height;
    }
}

TEST(DevWindowFlatness, ASpreadOfEightIsContent) {
    auto picture = [](std::uint8_t a, std::uint8_t b) {
        Image image(64, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) {
                std::uint8_t* p = &image.rgba[(std::size_t(y) * 64 + x) * 4];
                p[0] = p[1] = p[2] = x < 32 ? a : b;
                p[3] = 255;
            }
        return image;
    };
    EXPECT_EQ(DevWindow::flatness(picture(100, 100)), "ONE FLAT COLOUR (nothing to see)");
    EXPECT_EQ(DevWindow::flatness(picture(100, 107)), "ONE FLAT COLOUR (nothing to see)");
    EXPECT_EQ(DevWindow::flatness(picture(100, 108)), "has content (brightness spread 8 of 255)");
    EXPECT_EQ(DevWindow::flatness(picture(0, 255)), "has content (brightness spread 255 of 255)");
    EXPECT_EQ(DevWindow::flatness(Image()), "unreadable");
}

TEST(DevWindowDescribe, NamesAWindowAndItsFrameInWholePoints) {
    WindowInfo w;
    w.id = 4194305;
    w.frame = {10.7, -20.7, 480.9, 320};
    EXPECT_EQ(DevWindow::describe(w), "id 4194305 · ? · 10, -20, 480 × 320");
    EXPECT_EQ(DevWindow::name(w), "id 4194305");
    w.app = "xterm";
    EXPECT_EQ(DevWindow::describe(w), "id 4194305 · xterm · 10, -20, 480 × 320");
    EXPECT_EQ(DevWindow::name(w), "xterm");
}

}  // namespace
}  // namespace kestrove
