#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

#include "core/menu/menu_layout.hpp"

namespace kestrove {

void PrintTo(const Size& s, std::ostream* os) { *os << s.w << " x " << s.h; }

namespace {

using Pictures = std::vector<std::optional<Size>>;

TEST(MenuLayout, PicturesAreFittedWithinTheirCaps) {
    struct Case { std::optional<Size> picture; bool small; Size drawn; const char* why; };
    const Case cases[] = {
        {std::nullopt, false, {320, 64}, "no picture, large placeholder"},
        {std::nullopt, true, {144, 40}, "no picture, small placeholder"},
        {Size{0, 30}, false, {320, 64}, "no width"},
        {Size{40, -1}, true, {144, 40}, "negative height"},
        {Size{100, 30}, false, {200, 60}, "enlarged twice at most"},
        {Size{100, 30}, true, {100, 30}, "never enlarged when small"},
        {Size{1600, 100}, false, {320, 20}, "wide: scale 0.2"},
        {Size{1600, 100}, true, {144, 9}, "wide: scale 0.09"},
        {Size{3000, 20}, false, {320, 8}, "a side below 8 is lifted"},
        {Size{640, 240}, false, {320, 120}, "exactly the box"},
        {Size{30, 1000}, false, {8, 120}, "tall: width lifted to 8"},
        {Size{301, 240}, false, {151, 120}, "150.5 rounded half away from zero"},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuLayout::feedSize(c.picture, c.small), c.drawn) << c.why;
}

TEST(MenuLayout, WallHeights) {
    struct Case { Pictures pictures; double height; const char* why; };
    const Case cases[] = {
        {{}, 252, "no watch: the free monitor"},
        {{std::nullopt}, 153, "one without a picture"},
        {{std::nullopt, std::nullopt}, 314, "two without pictures and a gap"},
        {{Size{3000, 20}}, 97, "the feed lifted to 8"},
        {{Size{640, 240}, Size{100, 30}}, 209 + 8 + 149, "full and enlarged"},
        {{Size{0, 0}, Size{640, 240}}, 153 + 8 + 209, "an empty picture counts as none"},
        {Pictures(3, Size{640, 240}), 304, "three: a grid of two rows of small ones"},
        {Pictures(4), 304, "four: still two rows"},
        {Pictures(5, Size{1, 1}), 460, "five: three rows, sizes do not matter"},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuLayout::wallHeight(c.pictures), c.height) << c.why;
    // A stack drawn at feedSize fills the computed wall to the point.
    for (const Size& s : {Size{100, 30}, Size{3000, 20}, Size{77, 333}, Size{640, 240}})
        EXPECT_EQ(MenuLayout::wallHeight({s}), MenuLayout::largeHeight(MenuLayout::feedSize(s, false)));
}

}  // namespace
}  // namespace kestrove
