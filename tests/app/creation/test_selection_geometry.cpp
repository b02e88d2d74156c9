// The geometry of drawing a box, without a display.

#include <gtest/gtest.h>

#include "app/creation/selection_geometry.hpp"

namespace kestrove {
namespace {

namespace G = SelectionGeometry;

TEST(SelectionGeometry, TheBoxBetweenTwoCornersKeptOnItsScreen) {
    const Rect screen{1280, 0, 1920, 1080};
    EXPECT_EQ(G::box({1400, 300}, {1500, 340}), (Rect{1400, 300, 100, 40}));
    EXPECT_EQ(G::box({1500, 340}, {1400, 300}), (Rect{1400, 300, 100, 40})) << "dragged backwards";
    EXPECT_EQ(G::clamp({1200, -5}, screen), (Point{1280, 0}));
    EXPECT_EQ(G::clamp({3500, 2000}, screen), (Point{3200, 1080}));
    EXPECT_EQ(G::box({3100, 1000}, G::clamp({3400, 1200}, screen)), (Rect{3100, 1000, 100, 80}));
}

TEST(SelectionGeometry, OnlyBoxesOfEightPointsEachWayCount) {
    struct Case {
        Rect box;
        bool accepted;
    };
    const Case cases[] = {
        {{0, 0, 7.9, 200}, false}, {{0, 0, 200, 7.9}, false}, {{0, 0, 8, 8}, true}, {{0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(G::accepted(c.box), c.accepted) << c.box.width << "x" << c.box.height;
}

TEST(SelectionGeometry, TheHandedOnBoxIsTheWholePointBoxAroundTheDrag) {
    EXPECT_EQ(G::integral({10.3, 20.7, 7.9, 8.2}), (Rect{10, 20, 9, 9}));
    EXPECT_EQ(G::integral({-0.5, 3, 2, 2}), (Rect{-1, 3, 3, 2}));
    EXPECT_EQ(G::integral({4, 5, 6, 7}), (Rect{4, 5, 6, 7}));
}

TEST(SelectionGeometry, TheSizeLabel) {
    EXPECT_EQ(G::sizeText({240, 32}), "240 \u00d7 32");
    EXPECT_EQ(G::sizeText({7.5, 2.49}), "8 \u00d7 2");
    const Size label{60, 20}, view{640, 480};
    EXPECT_EQ(G::labelOrigin({100, 100}, label, view), (Point{114, 114})) << "right of and below the pointer";
    EXPECT_EQ(G::labelOrigin({630, 475}, label, view), (Point{576, 456})) << "4 points inside at the far corner";
    EXPECT_EQ(G::labelOrigin({-30, -30}, label, view), (Point{4, 4}));
}

}  // namespace
}  // namespace kestrove
