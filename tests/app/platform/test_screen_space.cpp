#include <gtest/gtest.h>

#include "app/platform/screen_space.hpp"
#include "app/platform/selected_region.hpp"
#include "support/app/fakes.hpp"

namespace kestrove {
namespace {

using fakes::screen;

TEST(ScreenSpace, DisplayIDIsFnv1aOfTheOutputNameAndNeverZero) {
    // Published FNV-1a 32-bit values.
    EXPECT_EQ(ScreenSpace::displayID(""), 0x811c9dc5u);
    EXPECT_EQ(ScreenSpace::displayID("a"), 0xe40c292cu);
    EXPECT_EQ(ScreenSpace::displayID("foobar"), 0xbf9cf968u);
    // These four bytes hash to 0, which would read as "no display".
    EXPECT_EQ(ScreenSpace::displayID("\xcc\x24\x31\xc4"), 1u);
    EXPECT_NE(ScreenSpace::displayID("DP-1"), ScreenSpace::displayID("DP-2"));
}

TEST(ScreenSpace, ScreenForPicksTheLargestOverlapAndTheFirstOnTies) {
    const std::vector<ScreenInfo> sideBySide{screen("A", {0, 0, 1000, 800}), screen("B", {1000, 0, 1000, 800})};
    // Second screen stacked above the main one: its y is negative.
    const std::vector<ScreenInfo> stacked{screen("main", {0, 0, 1000, 800}), screen("top", {0, -600, 1000, 600})};
    struct Case {
        const char* what;
        const std::vector<ScreenInfo>& screens;
        Rect rect;
        const char* expected;
    } cases[] = {
        {"inside the second", sideBySide, {1200, 100, 50, 50}, "B"},
        {"half on each", sideBySide, {900, 100, 200, 50}, "A"},
        {"60 % on the second", sideBySide, {920, 100, 200, 50}, "B"},
        {"on no screen", sideBySide, {5000, 5000, 10, 10}, "A"},
        {"zero size on the second", sideBySide, {1500, 10, 0, 0}, "A"},
        {"top of the stacked screen", stacked, {10, -590, 300, 40}, "top"},
        {"mostly on the main one", stacked, {10, -10, 300, 40}, "main"},
    };
    for (const auto& c : cases) {
        auto s = ScreenSpace::screenFor(c.rect, c.screens);
        ASSERT_TRUE(s) << c.what;
        EXPECT_EQ(s->name, c.expected) << c.what;
    }
    EXPECT_FALSE(ScreenSpace::screenFor({0, 0, 10, 10}, {}));
}

TEST(ScreenSpace, ScaleAtPixelsIsThatOfTheScreenShowingMostOfThem) {
    // 1000 points at 1, then 1000 points at 2: root pixels 0-1000 and 2000-4000.
    const std::vector<ScreenInfo> mixed{screen("A", {0, 0, 1000, 800}), screen("B", {1000, 0, 1000, 800}, 2)};
    EXPECT_EQ(ScreenSpace::scaleAtPixels({100, 100, 400, 300}, mixed), 1);
    EXPECT_EQ(ScreenSpace::scaleAtPixels({2500, 100, 400, 300}, mixed), 2);
    EXPECT_EQ(ScreenSpace::scaleAtPixels({900, 100, 1500, 300}, mixed), 2) << "mostly on B";
    EXPECT_EQ(ScreenSpace::scaleAtPixels({100, 100, 400, 300}, {}), 1);
}

TEST(ScreenSpace, SelectedRegionIsTheBoxFromItsScreensCorner) {
    const ScreenInfo top = screen("top", {200, -600, 1000, 600}, 2);
    EXPECT_EQ(SelectedRegion::make(top, {250, -590, 300.5, 40}).region,
              (WatchRegion{top.displayID, 50, 10, 300.5, 40, 2, std::nullopt}));
}

}  // namespace
}  // namespace kestrove
