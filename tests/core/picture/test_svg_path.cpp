#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "core/picture/svg_path.hpp"
#include "core/picture/telegram_mark.hpp"

using namespace kestrove;

namespace {

using Kind = PathElement::Kind;

PathElement M(double x, double y) { return {Kind::move, {Point{x, y}}}; }
PathElement L(double x, double y) { return {Kind::line, {Point{x, y}}}; }
PathElement Q(double cx, double cy, double x, double y) { return {Kind::quad, {Point{cx, cy}, Point{x, y}}}; }
PathElement C(double ax, double ay, double bx, double by, double x, double y) {
    return {Kind::cubic, {Point{ax, ay}, Point{bx, by}, Point{x, y}}};
}
PathElement Z() { return {Kind::close, {}}; }

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

std::size_t count(const VectorPath& path, Kind kind) {
    std::size_t n = 0;
    for (const auto& e : path.elements) n += e.kind == kind;
    return n;
}

struct Case {
    const char* data;
    std::vector<PathElement> elements;
};

void expectCases(const std::vector<Case>& cases) {
    for (const auto& c : cases) EXPECT_EQ(SVGPath::path(c.data).elements, c.elements) << c.data;
}

}  // namespace

TEST(SVGPath, EveryLineCommandAbsoluteAndRelativeWithImplicitRepeats) {
    expectCases({
        {"M0 0L10 0 10 10z", {M(0, 0), L(10, 0), L(10, 10), Z()}},
        {"m1 1 2 2", {M(1, 1), L(3, 3)}},
        {"M1 1 2 2", {M(1, 1), L(2, 2)}},
        {"M1 2 h3 1 v4 H0 V0", {M(1, 2), L(4, 2), L(5, 2), L(5, 6), L(0, 6), L(0, 0)}},
        {"M1,1,l,2,3", {M(1, 1), L(3, 4)}},
        {"\t\r\nM 1 1 \n", {M(1, 1)}},
        // After a close the current point is the subpath's start.
        {"M5 5 L6 8 z l1 1", {M(5, 5), L(6, 8), Z(), L(6, 6)}},
        {"M0 0 z m1 1 z", {M(0, 0), Z(), M(1, 1), Z()}},
    });
}

TEST(SVGPath, CurvesMirrorTheLastControlPointOnlyAfterACurve) {
    expectCases({
        {"M1 1 c1 1 2 2 3 3", {M(1, 1), C(2, 2, 3, 3, 4, 4)}},
        {"M0 0 C1 2 3 4 5 6 S9 10 11 12", {M(0, 0), C(1, 2, 3, 4, 5, 6), C(7, 8, 9, 10, 11, 12)}},
        {"M0 0 s1 1 2 2", {M(0, 0), C(0, 0, 1, 1, 2, 2)}},
        {"M0 0 Q5 5 10 0 T20 0 30 0", {M(0, 0), Q(5, 5, 10, 0), Q(15, -5, 20, 0), Q(25, 5, 30, 0)}},
        // One flag for both kinds: T after C, S after Q.
        {"M0 0 C1 1 2 2 3 3 T5 5", {M(0, 0), C(1, 1, 2, 2, 3, 3), Q(4, 4, 5, 5)}},
        {"M0 0 Q1 1 2 0 S4 4 5 5", {M(0, 0), Q(1, 1, 2, 0), C(3, -1, 4, 4, 5, 5)}},
        // Anything but a curve in between forgets the control point.
        {"M0 0 C1 1 2 2 3 3 L4 4 S5 5 6 6", {M(0, 0), C(1, 1, 2, 2, 3, 3), L(4, 4), C(4, 4, 5, 5, 6, 6)}},
    });
    const VectorPath afterArc = SVGPath::path("M0 0 A5 5 0 0 1 10 0 S12 2 14 0");
    ASSERT_EQ(afterArc.elements.back().kind, Kind::cubic);
    EXPECT_EQ(afterArc.elements.back().points[0], (Point{10, 0})) << "an arc clears the curve flag";
}

TEST(SVGPath, CompactNumbers) {
    expectCases({
        {"M1e-3 1E+2", {M(0.001, 100)}},
        {"M.5.5", {M(0.5, 0.5)}},
        {"M-.5-.5", {M(-0.5, -0.5)}},
        {"M+1-2", {M(1, -2)}},
        {"M1.e1 2", {M(10, 2)}},
        {"M0 0L1e 2", {M(0, 0)}},
        {"M0 0L1e999 0", {M(0, 0)}},  // would be infinite
    });
}

TEST(SVGPath, MalformedDataStopsWithWhatWasBuilt) {
    expectCases({
        {"", {}},
        {"10 10", {}},
        {"M0 0 X 5 5", {M(0, 0)}},
        {"M0 0 L5", {M(0, 0)}},
        {"M0 0 L5 5 Z 5 5", {M(0, 0), L(5, 5), Z()}},
        {"M0 0 L1 1 e2 2", {M(0, 0), L(1, 1)}},
        {"M0 0 \f L1 1", {M(0, 0)}},           // form feed is no separator
        {"M0 0 L1 1 \xC3\xA9 2 2", {M(0, 0), L(1, 1)}},  // é is a letter but no command
        {"M0 0 L1 1 \xFF 2 2", {M(0, 0), L(1, 1)}},      // not UTF-8
        {"M0 0 A5 5 0 2 1 10 0", {M(0, 0)}},   // a flag is 0 or 1
        {"M0 0 A5 5 0 0", {M(0, 0)}},
    });
}

TEST(SVGPath, ArcsBecomeQuarterTurnCubicsEndingExactlyAtTheirEnd) {
    // A half circle of radius 5 about (5, 0): two segments.
    const VectorPath half = SVGPath::path("M0 0 A5 5 0 0 1 10 0");
    ASSERT_EQ(half.elements.size(), 3u);
    EXPECT_EQ(count(half, Kind::cubic), 2u);
    EXPECT_EQ(half.elements.back().end(), (Point{10, 0}));
    EXPECT_NEAR(distance(half.elements[1].end(), {5, 0}), 5, 1e-9);
    EXPECT_NEAR(std::fabs(half.elements[1].end().y), 5, 1e-9) << "the middle of the half circle";
    // The sweep flag picks the side.
    const VectorPath other = SVGPath::path("M0 0 A5 5 0 0 0 10 0");
    EXPECT_NEAR(other.elements[1].end().y, -half.elements[1].end().y, 1e-9);

    struct Turn {
        const char* data;
        std::size_t segments;
    };
    const double r = 10;
    const double a = -std::numbers::pi / 180;  // one degree back from the start
    const std::string almostFull = "M10 0 A10 10 0 1 1 " + std::to_string(r * std::cos(a)) + " " +
                                   std::to_string(r * std::sin(a));
    const Turn turns[] = {
        {"M10 0 A10 10 0 0 1 0 10", 1},           // exactly 90°
        {"M10 0 A10 10 0 1 0 0 10", 3},           // the 270° way round
        {almostFull.c_str(), 4},                  // 359°
    };
    for (const auto& t : turns) EXPECT_EQ(count(SVGPath::path(t.data), Kind::cubic), t.segments) << t.data;
}

TEST(SVGPath, ArcRadiiFlagsAndRotation) {
    // Degenerate arcs are straight lines.
    expectCases({
        {"M0 0 A5 5 0 0 1 0 0", {M(0, 0), L(0, 0)}},
        {"M0 0 A0 5 0 0 1 10 0", {M(0, 0), L(10, 0)}},
        {"M0 0 A5 0 0 0 1 10 0", {M(0, 0), L(10, 0)}},
    });

    // Compact flags: "011" is large-arc 0, sweep 1, then x = 1.
    const VectorPath compact = SVGPath::path("M0 0 a5 5 0 011 0");
    EXPECT_EQ(compact.elements.back().end(), (Point{1, 0}));
    EXPECT_EQ(count(compact, Kind::cubic), 1u);

    // a.506.506 0 0 1 .171.325: both radii 0.506, relative end.
    const VectorPath small = SVGPath::path("M1 1 a.506.506 0 0 1 .171.325");
    ASSERT_EQ(count(small, Kind::cubic), 1u);
    EXPECT_EQ(small.elements.back().end(), (Point{1.171, 1.325}));
    // The chord is short against the radius, so the arc hugs it: the control
    // points sit within a radius of both ends.
    for (const Point& p : small.elements.back().points) EXPECT_LT(distance(p, {1, 1}), 0.506 * 2);

    // A radius too small for its end points grows until it reaches them.
    const VectorPath grown = SVGPath::path("M0 0 A1 1 0 0 1 10 0");
    EXPECT_EQ(grown.elements.back().end(), (Point{10, 0}));
    EXPECT_NEAR(distance(grown.elements[1].end(), {5, 0}), 5, 1e-9);

    // Rotated by 90°: the 10-unit radius lies along y, so the half ellipse
    // from (0, 0) to (0, 20) bulges 5 units sideways.
    const VectorPath rotated = SVGPath::path("M0 0 A10 5 90 0 1 0 20");
    EXPECT_EQ(count(rotated, Kind::cubic), 2u);
    EXPECT_NEAR(std::fabs(rotated.elements[1].end().x), 5, 1e-9);
    EXPECT_NEAR(rotated.elements[1].end().y, 10, 1e-9);
}

TEST(TelegramMark, IsADiscWithThePlaneAsASecondSubpath) {
    EXPECT_EQ(TelegramMark::svg.size(), 630u);
    const VectorPath& path = TelegramMark::path();
    EXPECT_EQ(&path, &TelegramMark::path()) << "parsed once";
    ASSERT_GE(path.elements.size(), 10u);
    EXPECT_EQ(path.elements.front(), M(11.944, 0));
    EXPECT_EQ(path.elements.back().kind, Kind::close);
    EXPECT_EQ(count(path, Kind::move), 2u);
    EXPECT_EQ(count(path, Kind::close), 2u);

    // The disc: every segment end up to the first close lies on the circle.
    std::size_t i = 1;
    for (; path.elements[i].kind != Kind::close; ++i)
        EXPECT_NEAR(distance(path.elements[i].end(), {12, 12}), 12, 0.06) << "segment " << i;
    // The plane starts with a relative move from the disc's start point and
    // lies inside the disc.
    ASSERT_EQ(path.elements[i + 1].kind, Kind::move);
    EXPECT_NEAR(path.elements[i + 1].end().x, 11.944 + 4.962, 1e-9);
    EXPECT_NEAR(path.elements[i + 1].end().y, 7.224, 1e-9);
    for (std::size_t j = i + 1; j < path.elements.size() - 1; ++j)
        EXPECT_LT(distance(path.elements[j].end(), {12, 12}), 12) << "plane segment " << j;
}
