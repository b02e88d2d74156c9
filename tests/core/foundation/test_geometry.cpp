#include <gtest/gtest.h>

#include <limits>

#include "core/foundation/geometry.hpp"

using kestrove::Rect;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

TEST(Rect, IntersectionNeedsPositiveArea) {
    const Rect a{0, 0, 10, 10};
    struct Case { Rect other; bool meets; const char* why; } cases[] = {
        {{5, 5, 10, 10}, true, "overlapping corner"},
        {{2, 2, 3, 3}, true, "inside"},
        {{10, 0, 5, 5}, false, "touching the right edge"},
        {{0, 10, 5, 5}, false, "touching the bottom edge"},
        {{-5, -5, 5, 5}, false, "touching a corner"},
        {{20, 20, 5, 5}, false, "apart"},
        {{3, 3, 0, 4}, false, "zero width inside"},
        {{kNaN, 0, 5, 5}, false, "not a number"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(a.intersects(c.other), c.meets) << c.why;
        EXPECT_EQ(c.other.intersects(a), c.meets) << c.why;
    }
    EXPECT_EQ(a.intersection({5, -5, 10, 10}), (Rect{5, 0, 5, 5}));
    // A negative size extends the other way from the origin.
    EXPECT_EQ(a.intersection({12, 12, -4, -4}), (Rect{8, 8, 2, 2}));
}

TEST(Rect, ContainmentIncludesEdgesAndEmptyRects) {
    const Rect a{10, 10, 100, 50};
    struct Case { Rect inner; bool inside; const char* why; } cases[] = {
        {a, true, "itself"},
        {{10, 10, 100, 50.0001}, false, "a hair taller"},
        {{20, 20, 10, 10}, true, "well inside"},
        {{110, 30, 0, 0}, true, "empty on the right edge"},
        {{111, 30, 0, 0}, false, "empty just beyond"},
        {{50, 60, 10, 0}, true, "flat on the bottom edge"},
        {{9.5, 20, 5, 5}, false, "crossing the left edge"},
        {{kNaN, 20, 5, 5}, false, "not a number"},
    };
    for (const Case& c : cases) EXPECT_EQ(a.contains(c.inner), c.inside) << c.why;
}

TEST(Rect, EmptinessAndInset) {
    EXPECT_TRUE((Rect{0, 0, 0, 5}).isEmpty());
    EXPECT_TRUE((Rect{0, 0, 5, kNaN}).isEmpty());
    EXPECT_FALSE((Rect{0, 0, -5, 5}).isEmpty());
    EXPECT_EQ((Rect{0, 0, 100, 50}).insetBy(1, 1), (Rect{1, 1, 98, 48}));
    // Too small to shrink: a point at its centre, never inverted.
    EXPECT_EQ((Rect{0, 0, 1, 4}).insetBy(1, 1), (Rect{0.5, 1, 0, 2}));
}
