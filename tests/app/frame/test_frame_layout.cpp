#include <gtest/gtest.h>

#include <algorithm>

#include "app/frame/frame_layout.hpp"

namespace kestrove {
namespace {

using namespace FrameGeometry;

TEST(FrameLayout, WindowAroundABox) {
    const Rect main{0, 0, 1280, 800};
    const Rect right{1280, 200, 1920, 1080};  // a second screen, lower down
    const Rect above{0, -900, 1440, 900};     // one above the first
    struct Case {
        const char* what;
        Rect box, screen;
        Layout want;
    } cases[] = {
        {"100 below the top: tag above, 5 beyond the box below and left",
         {200, 100, 120, 40}, main, {{195, 77, 190, 68}, true}},
        {"24 below the top: tag below, 23 beyond the box below",
         {200, 24, 120, 40}, main, {{195, 19, 190, 68}, false}},
        {"exactly 25 below the top: tag above", {200, 25, 120, 40}, main, {{195, 2, 190, 68}, true}},
        {"300 wide: 5 beyond on each side", {200, 100, 300, 40}, main, {{195, 77, 310, 68}, true}},
        {"room counts from its own screen's top", {1400, 224, 120, 40}, right, {{1395, 219, 190, 68}, false}},
        {"a screen above the main one", {50, -800, 400, 200}, above, {{45, -823, 410, 228}, true}},
    };
    for (const auto& c : cases) EXPECT_EQ(around(c.box, c.screen), c.want) << c.what;
}

TEST(FrameLayout, BoxAndTagInsideTheWindow) {
    const Size box{120, 40};
    EXPECT_EQ(boxInView(box, true), (Rect{5, 23, 120, 40}));
    EXPECT_EQ(boxInView(box, false), (Rect{5, 5, 120, 40}));
    EXPECT_EQ(tagOrigin(box, true), (Point{3, 2}));
    EXPECT_EQ(tagOrigin(box, false), (Point{3, 50}));  // 5 under the box
}

TEST(FrameLayout, PaintedAreasLieOutsideTheBoxExceptDuringAFlash) {
    const Rect box{200, 100, 120, 40};
    for (bool tagOnTop : {true, false}) {
        const auto quiet = paintedAreas(box, tagOnTop, {110, 16}, false);
        auto meets = [&](const Rect& r) {
            return std::any_of(quiet.begin(), quiet.end(), [&](const Rect& a) { return a.intersects(r); });
        };
        EXPECT_FALSE(meets(box)) << "its own box is never read as ours";
        EXPECT_TRUE(paintedAreas(box, tagOnTop, {110, 16}, true).back() == box) << "a flash fills it";
        EXPECT_TRUE(meets({box.maxX() + 2, box.minY(), 50, 20}) && !meets({box.maxX() + 5, box.minY(), 50, 20}));
        // The tag, 3 in from the window's left edge, its rings 2 beyond it.
        const Rect tag{198, tagOnTop ? 79.0 : 145.0, 110, 16};
        EXPECT_TRUE(meets(tag) && !meets(tag.offsetBy(0, tagOnTop ? -20 : 20)) && !meets(tag.offsetBy(114, 0)));
    }
}

}  // namespace
}  // namespace kestrove
