#include <gtest/gtest.h>

#include "core/menu/menu_placement.hpp"

namespace kestrove {
namespace {

TEST(MenuPlacement, WallLimitLeavesRoomForTheRowsAndHasAFloor) {
    EXPECT_EQ(MenuPlacement::wallLimit(800, false), 544);
    EXPECT_EQ(MenuPlacement::wallLimit(800, true), 503);
    EXPECT_EQ(MenuPlacement::wallLimit(400, false), 148);
    EXPECT_EQ(MenuPlacement::wallLimit(400, true), 148);
}

// A 1280 × 800 screen with a 24-point panel at the top.
constexpr Rect topVisible{0, 24, 1280, 776};

TEST(MenuPlacement, HangsUnderAnIconAtTheTop) {
    struct Case { Rect anchor; double content; Rect frame; const char* why; };
    const Case cases[] = {
        {{600, 0, 24, 24}, 400, {426, 30, 372, 400}, "centred, 6 under the panel's edge"},
        {{600, 0, 24, 24}, 399.2, {426, 30, 372, 400}, "height rounded up"},
        {{1260, 0, 20, 24}, 400, {900, 30, 372, 400}, "near the right edge: 8 inside it"},
        {{0, 0, 20, 24}, 400, {8, 30, 372, 400}, "near the left edge: 8 inside it"},
        {{600, 0, 24, 24}, 5000, {426, 30, 372, 764}, "taller than the visible height less 12"},
        {{600.4, 0, 24, 24}, 100, {426, 30, 372, 100}, "x rounded"},
        {{600, 0, 24, 10}, 100, {426, 30, 372, 100}, "an icon above the visible frame"},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuPlacement::frame(c.anchor, topVisible, c.content), c.frame) << c.why;
    // Too narrow for both margins: the right one wins.
    EXPECT_EQ(MenuPlacement::frame({100, 0, 10, 10}, {0, 24, 380, 700}, 100).x, 0);
}

TEST(MenuPlacement, OpensAboveATrayAtTheBottomAndStaysInside) {
    constexpr Rect bottomVisible{0, 0, 1280, 770};  // a 30-point panel at the bottom
    EXPECT_EQ(MenuPlacement::frame({1200, 773, 24, 24}, bottomVisible, 300), (Rect{900, 464, 372, 300}));
    EXPECT_EQ(MenuPlacement::frame({1200, 773, 24, 24}, bottomVisible, 2000), (Rect{900, 6, 372, 758}));
    // The pointer (a rectangle of no size) in the middle of the screen: kept inside.
    EXPECT_EQ(MenuPlacement::frame({640, 300, 0, 0}, topVisible, 600), (Rect{454, 194, 372, 600}));
    EXPECT_EQ(MenuPlacement::frame({640, 500, 0, 0}, topVisible, 600), (Rect{454, 30, 372, 600}))
        << "the lower half: above the pointer, but not above the visible frame";
}

}  // namespace
}  // namespace kestrove
