// Where a display box's pixels come from under our own windows: the stack
// decides each pixel top to bottom, and only what the server can give as it
// shows is rebuilt; the rest is taken from the last picture, or, never seen,
// filled flat from its neighbours.

#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

#include "app/platform/under_own.hpp"

namespace kestrove {
namespace {

const PixelRect area{0, 0, 100, 100};

PixelRegion region(std::initializer_list<PixelRect> rects) {
    PixelRegion r;
    for (const PixelRect& p : rects) r.add(p);
    return r;
}

// `outer` with a hole: a ring, a shadow around a window.
PixelRegion ring(const PixelRect& outer, const PixelRect& hole) {
    PixelRegion r(outer);
    r.subtract(hole);
    return r;
}

// The same pixels, however split.
bool same(const PixelRegion& a, const PixelRegion& b) {
    PixelRegion both = a;
    both.intersect(b);
    return both.area() == a.area() && both.area() == b.area();
}

struct PlanCase {
    const char* what;
    std::vector<StackedLayer> layers;  // bottom to top
    std::map<std::uint32_t, PixelRegion> windows;
    PixelRegion background, unknown;
    PixelRegion shadedBackground = {};
};

// The plan names each window once, with the parts a case expects.
void expectPlan(const PlanCase& c) {
    const UnderOwnPlan plan = UnderOwn::plan(area, c.layers);
    std::map<std::uint32_t, PixelRegion> windows;
    for (const auto& w : plan.windows) {
        EXPECT_FALSE(windows.count(w.id)) << c.what << ": window " << w.id << " named once";
        windows[w.id] = w.part;
    }
    EXPECT_EQ(windows.size(), c.windows.size()) << c.what;
    for (const auto& [id, part] : c.windows)
        EXPECT_TRUE(windows.count(id) && same(windows[id], part)) << c.what << ": from window " << id;
    EXPECT_TRUE(same(plan.background, c.background)) << c.what << ": from the root's background";
    EXPECT_TRUE(same(plan.shadedBackground, c.shadedBackground)) << c.what << ": the bare root under shade";
    EXPECT_TRUE(same(plan.unknown, c.unknown)) << c.what << ": unknown";
}

StackedLayer window(std::uint32_t id, PixelRegion shows) { return {id, std::move(shows), std::nullopt, false, {}, {}}; }
StackedLayer translucent(std::uint32_t id, PixelRegion shows) { return {id, std::move(shows), std::nullopt, true, {}, {}}; }
StackedLayer ours(std::uint32_t id, PixelRegion paints) { return {id, {}, std::move(paints), false, {}, {}}; }
// Another program's window with ours inside it (the tray holding our icon).
StackedLayer holding(std::uint32_t id, PixelRegion shows, PixelRegion inside) {
    return {id, std::move(shows), std::nullopt, false, {}, std::move(inside)};
}
// Ours under a compositing manager: it paints `paints` and shades `shades`.
StackedLayer shading(std::uint32_t id, PixelRegion paints, PixelRegion shades) {
    return {id, {}, std::move(paints), false, std::move(shades), {}};
}

TEST(UnderOwn, EachPixelIsDecidedByTheWindowsOverItTopToBottom) {
    const PixelRegion all = region({area});
    const PixelRegion panel = region({{20, 20, 60, 40}});
    const PixelRegion shaped = ring({10, 10, 80, 80}, {30, 30, 40, 40});
    const PlanCase cases[] = {
        {"nothing of ours: the screen's own pixels", {window(1, all)}, {}, {}, {}},
        {"ours over an opaque window", {window(1, all), ours(9, panel)}, {{1, panel}}, {}, {}},
        {"ours over the bare root", {ours(9, panel)}, {}, panel, {}},
        {"ours half over a window, half over the root",
         {window(1, region({{0, 0, 50, 100}})), ours(9, panel)},
         {{1, region({{20, 20, 30, 40}})}},
         region({{50, 20, 30, 40}}),
         {}},
        {"a translucent window between: it blends with what lies below",
         {window(1, all), translucent(2, region({{0, 0, 50, 100}})), ours(9, panel)},
         {{1, region({{50, 20, 30, 40}})}},
         {},
         region({{20, 20, 30, 40}})},
        {"a translucent window above ours blends with ours",
         {window(1, all), ours(9, panel), translucent(2, region({{0, 0, 50, 100}}))},
         {{1, region({{50, 20, 30, 40}})}},
         {},
         region({{20, 20, 30, 40}})},
        {"a translucent window over the bare root under ours", {translucent(2, all), ours(9, panel)}, {}, {}, panel},
        {"a translucent window away from ours changes nothing",
         {window(1, all), translucent(2, region({{0, 0, 10, 10}})), ours(9, panel)},
         {{1, panel}},
         {},
         {}},
        {"a shaped window above ours: its ring is the screen's, its middle shows what lies under ours",
         {window(1, all), ours(9, region({{20, 20, 60, 60}})), window(3, shaped)},
         {{1, region({{30, 30, 40, 40}})}},
         {},
         {}},
        {"an opaque window above ours hides it", {window(1, all), ours(9, panel), window(2, all)}, {}, {}, {}},
        {"a frame paints only its ring",
         {window(1, all), ours(9, region({{20, 20, 60, 2}, {20, 58, 60, 2}}))},
         {{1, region({{20, 20, 60, 2}, {20, 58, 60, 2}})}},
         {},
         {}},
        {"two of ours, one over the other, over the root",
         {ours(8, region({{10, 10, 20, 20}})), ours(9, region({{20, 20, 20, 20}}))},
         {},
         region({{10, 10, 20, 20}, {20, 20, 20, 20}}),
         {}},
        {"our icon inside another program's window: the rest of it is the screen's",
         {window(1, all), holding(2, region({{0, 0, 100, 20}}), region({{40, 0, 20, 20}}))},
         {},
         {},
         region({{40, 0, 20, 20}})},
        {"ours over a window holding our icon",
         {holding(2, all, region({{40, 10, 20, 20}})), ours(9, panel)},
         {{2, region({{20, 30, 60, 30}, {20, 20, 20, 10}, {60, 20, 20, 10}})}},
         {},
         region({{40, 10, 20, 20}})},
        {"outside the area nothing is planned", {ours(9, region({{90, 90, 40, 40}}))}, {}, region({{90, 90, 10, 10}}), {}},
    };
    for (const PlanCase& c : cases) expectPlan(c);
}

// What ours only shades (a compositor's shadow around it, a frame's inside)
// is rebuilt like what it paints, except where only the bare root or a
// translucent window lies below: the screen's own pixels stand there.
TEST(UnderOwn, WhatOursOnlyShadesIsRebuiltButTheBareRootStaysTheScreens) {
    const PixelRegion all = region({area});
    const PixelRegion panel = region({{40, 20, 40, 40}});
    const PixelRegion shadow = ring({25, 5, 70, 70}, {40, 20, 40, 40});
    const PlanCase cases[] = {
        {"a panel and its shadow over a window: both from the window",
         {window(1, all), shading(9, panel, shadow)},
         {{1, region({{25, 5, 70, 70}})}},
         {},
         {},
         {}},
        {"over the bare root: the panel's part rebuilt, the shadow's the screen's unless painted",
         {shading(9, panel, shadow)},
         {},
         panel,
         {},
         shadow},
        {"a window above the shadow hides it", {window(1, all), shading(9, panel, shadow), window(2, region({{0, 0, 40, 100}}))},
         {{1, region({{40, 5, 55, 70}})}},
         {},
         {},
         {}},
        {"a translucent window under the panel and its shadow: unknown under the panel, the screen's under the shadow",
         {window(1, all), translucent(2, region({{70, 0, 30, 100}})), shading(9, panel, shadow)},
         {{1, region({{25, 5, 45, 70}})}},
         {},
         region({{70, 20, 10, 40}}),
         {}},
        {"a frame's ring painted, its inside shaded, on the bare root",
         {shading(9, region({{20, 20, 60, 2}, {20, 58, 60, 2}}), region({{20, 22, 60, 36}}))},
         {},
         region({{20, 20, 60, 2}, {20, 58, 60, 2}}),
         {},
         region({{20, 22, 60, 36}})},
        {"shade alone, nothing painted here, over a window", {window(1, all), shading(9, {}, shadow)}, {{1, shadow}}, {}, {}, {}},
    };
    for (const PlanCase& c : cases) expectPlan(c);
}

Image filled(int w, int h, std::uint8_t grey) {
    Image image(w, h);
    for (std::size_t i = 0; i < image.rgba.size(); i += 4) image.rgba[i] = image.rgba[i + 1] = image.rgba[i + 2] = grey, image.rgba[i + 3] = 255;
    return image;
}
std::uint8_t at(const Image& image, int x, int y) { return image.rgba[(std::size_t(y) * image.width + x) * 4]; }

TEST(UnderOwn, HiddenPartsComeFromTheLastPictureOfTheArea) {
    const PixelRect shown{200, 100, 4, 3};  // root pixels
    Image picture = filled(4, 3, 10);
    UnderOwn::takeFrom(picture, filled(4, 3, 90), shown, region({{201, 101, 2, 1}, {300, 300, 5, 5}}));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(at(picture, x, y), (y == 1 && (x == 1 || x == 2)) ? 90 : 10) << x << "," << y;
    // A picture of another size is not the area's.
    UnderOwn::takeFrom(picture, filled(5, 3, 200), shown, region({shown}));
    EXPECT_EQ(at(picture, 0, 0), 10);
}

TEST(UnderOwn, PixelsNeverSeenTakeTheNearestSeenOnes) {
    const PixelRect shown{50, 50, 5, 4};
    // Seen: a distinct grey per column.
    const auto columns = [] {
        Image image(5, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                std::uint8_t* p = &image.rgba[(std::size_t(y) * 5 + x) * 4];
                p[0] = p[1] = p[2] = std::uint8_t(10 * (x + 1) + y), p[3] = 255;
            }
        return image;
    };
    struct Case {
        const char* what;
        PixelRegion unseen;
        std::vector<std::tuple<int, int, int>> expected;  // x, y, grey
    };
    const Case cases[] = {
        {"inside a row: the seen pixel before", region({{52, 51, 2, 1}}), {{2, 1, 21}, {3, 1, 21}, {4, 1, 51}}},
        {"at a row's start: the seen pixel after", region({{50, 52, 2, 1}}), {{0, 2, 32}, {1, 2, 32}}},
        {"a whole row: the row above", region({{50, 52, 5, 1}}), {{0, 2, 11}, {4, 2, 51}}},
        {"the top rows: the first row seen", region({{50, 50, 5, 2}}), {{0, 0, 12}, {3, 1, 42}}},
        {"outside the picture: nothing", region({{10, 10, 5, 5}}), {{0, 0, 10}}},
    };
    for (const Case& c : cases) {
        Image picture = columns();
        EXPECT_TRUE(UnderOwn::fillUnseen(picture, shown, c.unseen)) << c.what;
        for (const auto& [x, y, grey] : c.expected) EXPECT_EQ(at(picture, x, y), grey) << c.what << " at " << x << "," << y;
    }
    Image picture = columns();
    EXPECT_FALSE(UnderOwn::fillUnseen(picture, shown, region({shown}))) << "nothing seen: nothing to judge";
}

}  // namespace
}  // namespace kestrove
