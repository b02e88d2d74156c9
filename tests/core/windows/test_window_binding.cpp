#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "core/windows/window_binding.hpp"

using namespace kestrove;
namespace WT = kestrove::WindowTracking;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const std::vector<Rect> oneDisplay{{0, 0, 1920, 1080}};

WindowInfo win(std::uint32_t id, Rect frame, int layer = 0) {
    WindowInfo w;
    w.id = id;
    w.app = "app" + std::to_string(id);
    w.frame = frame;
    w.layer = layer;
    w.ownerPID = static_cast<std::int32_t>(1000 + id);
    return w;
}

WindowInfo own(std::uint32_t id, Rect frame, int layer) {
    WindowInfo w = win(id, frame, layer);
    return w.isOwn = true, w;
}

WindowInfo hidden(WindowInfo w) { return w.isOnScreen = false, w; }
WindowInfo clear(WindowInfo w) { return w.alpha = 0, w; }

std::optional<std::uint32_t> pickedID(const Rect& box, const std::vector<WindowInfo>& windows,
                                      const std::vector<Rect>& displays = oneDisplay,
                                      const std::optional<Rect>& usable = std::nullopt) {
    auto w = WT::pick(box, windows, displays, usable);
    if (!w) return std::nullopt;
    return w->id;
}

}  // namespace

TEST(WindowPick, BindsOnlyToTheFrontmostOrdinaryWindowHoldingTheWholeBox) {
    const Rect box{100, 100, 50, 40};
    const WindowInfo editor = win(1, {0, 0, 800, 600});
    const WindowInfo small = win(2, {120, 90, 300, 300});  // straddled by the box
    const WindowInfo overlay = win(3, {0, 0, 1920, 1080}, 3);
    const WindowInfo floating = win(4, {90, 90, 100, 100}, 3);
    const WindowInfo desktop = win(5, {0, 0, 1920, 1080}, -1);
    struct Case { std::vector<WindowInfo> windows; std::optional<std::uint32_t> expected; const char* why; } cases[] = {
        {{editor}, 1u, "an ordinary window holding the box"},
        {{small, editor}, std::nullopt, "a straddling box binds to neither window"},
        {{own(9, {0, 0, 400, 400}, 0), editor}, std::nullopt, "our own panel over the box"},
        {{own(9, {0, 0, 400, 400}, 3), editor}, 1u, "our own raised window is passed over"},
        {{overlay, editor}, 1u, "a full-display overlay is passed over"},
        {{floating, editor}, std::nullopt, "a floating raised window over the box"},
        {{hidden(small), clear(floating), editor}, 1u, "off-screen and transparent windows decide nothing"},
        {{win(6, {500, 500, 50, 50}), editor}, 1u, "windows away from the box decide nothing"},
        {{desktop, editor}, std::nullopt, "the desktop in front"},
        {{}, std::nullopt, "no windows"},
    };
    for (const Case& c : cases) EXPECT_EQ(pickedID(box, c.windows), c.expected) << c.why;

    // Without display frames nothing counts as a full-display overlay.
    EXPECT_EQ(pickedID(box, {overlay, editor}, {}), std::nullopt);
    // An overlay missing the display's outermost point still spans it.
    EXPECT_EQ(pickedID(box, {win(3, {1, 1, 1918, 1078}, 3), editor}), 1u);
    EXPECT_EQ(pickedID(box, {win(3, {1.5, 1, 1917, 1078}, 3), editor}), std::nullopt);
}

TEST(WindowPick, RefusesEmptyBoxesAndBoxesOutsideTheUsableArea) {
    const std::vector<WindowInfo> windows{win(1, {0, 0, 800, 600})};
    EXPECT_EQ(pickedID({100, 100, 0, 40}, windows), std::nullopt);
    EXPECT_EQ(pickedID({100, 100, 40, -3}, windows), std::nullopt);
    EXPECT_EQ(pickedID({100, 100, kNaN, 40}, windows), std::nullopt);
    const Rect usable{0, 30, 1920, 1000};
    EXPECT_EQ(pickedID({100, 30, 40, 40}, windows, oneDisplay, usable), 1u);
    EXPECT_EQ(pickedID({100, 20, 40, 40}, windows, oneDisplay, usable), std::nullopt);
}

TEST(WindowAnchor, RecordsTheOffsetAndPlacesTheBoxAgain) {
    WindowInfo w = win(7, {200, 150, 640, 480});
    w.bundleID = "org.example.Editor";
    const Rect box{250.5, 170, 80, 20};
    const WindowAnchor a = WT::anchor(box, w);
    EXPECT_EQ(a, (WindowAnchor{7, "app7", "org.example.Editor", 50.5, 20, 640, 480, 1007}));
    EXPECT_EQ(WT::box(a, box.size(), w.frame), box);
    EXPECT_EQ(WT::box(a, box.size(), w.frame.offsetBy(-30, 12)), box.offsetBy(-30, 12));
}

// X11 hands a closed window's id to the next window made, often by the
// same program started again.
TEST(WindowAnchor, TheSameWindowHasItsIdOwnerAndAppWhereEachIsKnown) {
    const WindowAnchor a = WT::anchor({10, 10, 20, 20}, win(7, {0, 0, 640, 480}));
    WindowAnchor oldFile = a;  // saved before owners were kept
    oldFile.ownerPID = 0;
    struct Case {
        const char* what;
        std::function<void(WindowInfo&)> listed;
        bool same, sameForAnOldFile;
    } cases[] = {
        {"as bound", [](WindowInfo&) {}, true, true},
        {"moved and renamed nothing else", [](WindowInfo& w) { w.frame = {50, 60, 100, 100}; }, true, true},
        {"another id", [](WindowInfo& w) { w.id = 8; }, false, false},
        {"the id taken by another run of the program", [](WindowInfo& w) { w.ownerPID = 2000; }, false, true},
        {"the id taken by another program", [](WindowInfo& w) { w.ownerPID = 2000, w.app = "other"; }, false, false},
        {"no owner listed", [](WindowInfo& w) { w.ownerPID = 0; }, true, true},
        {"no app listed", [](WindowInfo& w) { w.app.clear(); }, true, true},
    };
    for (const Case& c : cases) {
        WindowInfo w = win(7, {0, 0, 640, 480});
        c.listed(w);
        EXPECT_EQ(WT::isSameWindow(a, w), c.same) << c.what;
        EXPECT_EQ(WT::isSameWindow(oldFile, w), c.sameForAnOldFile) << c.what;
    }
    WindowInfo unowned = win(7, {0, 0, 640, 480});
    unowned.ownerPID = -1;
    EXPECT_EQ(WT::anchor({10, 10, 20, 20}, unowned).ownerPID, 0) << "an owner not known is kept as none";
}

TEST(WindowAnchor, StillInsideAllowsHalfAPointOnEveryEdge) {
    const Size window{100, 50};
    const Size box{20, 10};
    struct Case { double x, y; bool inside; } cases[] = {
        {-0.5, 5, true},  {-0.51, 5, false}, {5, -0.5, true},  {5, -0.51, false},
        {80.5, 5, true},  {80.51, 5, false}, {5, 40.5, true},  {5, 40.51, false},
        {kNaN, 0, false},
    };
    for (const Case& c : cases) {
        WindowAnchor a{1, "a", std::nullopt, c.x, c.y, 100, 50};
        EXPECT_EQ(WT::stillInside(a, box, window), c.inside) << c.x << "," << c.y;
    }
}

TEST(WindowCoverer, OnlyWindowsInFrontOfTheBoundOneCount) {
    const Rect box{100, 100, 50, 40};
    const WindowInfo bound = win(1, {0, 0, 800, 600});
    const WindowInfo front = win(2, {120, 90, 300, 300});
    const WindowInfo behind = win(3, {0, 0, 1000, 1000});
    const WindowInfo floating = win(4, {90, 90, 30, 30}, 3);
    const WindowInfo overlay = win(5, {0, 0, 1920, 1080}, 3);
    struct Case { std::vector<WindowInfo> windows; std::optional<std::uint32_t> coverer; const char* why; } cases[] = {
        {{bound, behind}, std::nullopt, "windows behind never cover"},
        {{front, bound}, 2u, "a window in front over the box"},
        {{behind}, 3u, "bound window not listed: the whole list counts"},
        {{floating, bound}, 4u, "a small raised window"},
        {{overlay, bound, behind}, std::nullopt, "a full-display overlay is passed over"},
        {{own(9, box, 0), hidden(front), clear(front), win(6, {0, 0, 1920, 1080}, -1), bound}, std::nullopt,
         "own, off-screen, transparent and desktop windows"},
        {{win(7, {150, 100, 20, 20}), bound}, std::nullopt, "touching the box's edge"},
    };
    for (const Case& c : cases) {
        auto w = WT::coverer(box, 1, c.windows, oneDisplay);
        EXPECT_EQ(w ? std::optional<std::uint32_t>(w->id) : std::nullopt, c.coverer) << c.why;
        EXPECT_EQ(WT::covered(box, 1, c.windows, oneDisplay), c.coverer.has_value()) << c.why;
    }
    // With no display frames a raised window is always a coverer.
    EXPECT_EQ(WT::coverer(box, 1, {overlay, bound}, {})->id, 5u);
}

TEST(WindowFramePlace, FollowsTheWindowAndHidesWhenItCannotBeSeen) {
    const Size size{80, 20};
    const WindowInfo bound = win(1, {200, 150, 640, 480});
    const WindowAnchor a = WT::anchor({250, 170, 80, 20}, bound);

    EXPECT_EQ(WT::framePlace(a, size, {bound}, oneDisplay), WT::FramePlace::show({250, 170, 80, 20}));
    WindowInfo moved = bound;
    moved.frame = bound.frame.offsetBy(37.5, -12);
    EXPECT_EQ(WT::framePlace(a, size, {moved}, oneDisplay), WT::FramePlace::show({287.5, 158, 80, 20}));
    // Grown windows keep the box's size.
    moved.frame.width = 1000;
    EXPECT_EQ(WT::framePlace(a, size, {moved}, oneDisplay), WT::FramePlace::show({287.5, 158, 80, 20}));

    WindowInfo shrunk = bound;
    shrunk.frame.width = 100;
    WindowInfo renamed = bound;  // the id now belongs to another program
    renamed.app = "other";
    WindowInfo restarted = bound;  // or to the same program started again
    restarted.ownerPID += 1;
    struct Case { std::vector<WindowInfo> windows; const char* why; } hides[] = {
        {{}, "window gone"},
        {{hidden(bound)}, "listed but not on screen"},
        {{shrunk}, "shrunk so the box no longer fits"},
        {{win(2, {240, 160, 50, 50}), bound}, "covered by a window in front"},
        {{renamed}, "id reused by another program"},
        {{restarted}, "id reused by another run of the program"},
    };
    for (const Case& c : hides) EXPECT_EQ(WT::framePlace(a, size, c.windows, oneDisplay), WT::FramePlace::hide()) << c.why;

    // An off-screen copy earlier in the list is skipped for the on-screen one.
    EXPECT_TRUE(WT::framePlace(a, size, {hidden(bound), bound}, oneDisplay).isShown());
}

TEST(WindowCannotSee, OffScreenBlankPicturesThatChanged) {
    auto grid = [](auto colourAt) {
        DiffGrid g{4, 4, {}};
        for (int i = 0; i < 16; ++i) {
            const std::uint8_t v = colourAt(i);
            g.rgba.insert(g.rgba.end(), {v, v, v, 255});
        }
        return g;
    };
    const DiffGrid flat = grid([](int i) { return static_cast<std::uint8_t>(10 + i % 3); });
    const DiffGrid busy = grid([](int i) { return static_cast<std::uint8_t>(i % 2 ? 255 : 0); });
    EXPECT_FALSE(WT::cannotSee(true, flat, std::nullopt));
    EXPECT_FALSE(WT::cannotSee(false, busy, std::nullopt));
    EXPECT_TRUE(WT::cannotSee(false, flat, std::nullopt));
    EXPECT_TRUE(WT::cannotSee(false, flat, busy));
    // A box that was blank all along has not gone out of sight.
    EXPECT_FALSE(WT::cannotSee(false, flat, flat));
}

TEST(WindowCropRect, RoundsEachEdgeOnItsOwnAndClips) {
    const WindowAnchor a{1, "a", std::nullopt, 10.25, 5, 100, 50};
    EXPECT_EQ(WT::cropRect(a, {20, 10}, {100, 50}, {200, 100}), (PixelRect{21, 10, 40, 20}));
    // At 3×: left 0.9 → 1, right 3.9 → 4; top 4.5 → 5, bottom 7.5 → 8.
    const WindowAnchor b{1, "a", std::nullopt, 0.3, 1.5, 100, 100};
    EXPECT_EQ(WT::cropRect(b, {1, 1}, {100, 100}, {300, 300}), (PixelRect{1, 5, 3, 3}));
    // Halves go away from zero on every edge: 2.5 → 3, 4.5 → 5.
    const WindowAnchor c{1, "a", std::nullopt, 2.5, 4.5, 100, 100};
    EXPECT_EQ(WT::cropRect(c, {2, 2}, {100, 100}, {100, 100}), (PixelRect{3, 5, 2, 2}));

    struct Case {
        WindowAnchor anchor;
        Size box, window;
        PixelSize image;
        std::optional<PixelRect> expected;
        const char* why;
    } cases[] = {
        {{1, "a", {}, 90, 40, 0, 0}, {20, 20}, {100, 50}, {100, 50}, PixelRect{90, 40, 10, 10}, "past the corner"},
        {{1, "a", {}, -5, -5, 0, 0}, {10, 10}, {100, 50}, {100, 50}, PixelRect{0, 0, 5, 5}, "before the corner"},
        {{1, "a", {}, 120, 0, 0, 0}, {10, 10}, {100, 50}, {100, 50}, std::nullopt, "wholly outside"},
        {{1, "a", {}, 10, 10, 0, 0}, {0.2, 10}, {100, 50}, {100, 50}, std::nullopt, "thinner than a pixel"},
        {{1, "a", {}, 10, 10, 0, 0}, {10, 10}, {0, 50}, {100, 50}, std::nullopt, "window without width"},
        {{1, "a", {}, 10, 10, 0, 0}, {10, 10}, {100, 50}, {100, 0}, std::nullopt, "picture without height"},
        {{1, "a", {}, kNaN, 10, 0, 0}, {10, 10}, {100, 50}, {100, 50}, std::nullopt, "offset not a number"},
        {{1, "a", {}, 10, 10, 0, 0}, {kInf, 10}, {100, 50}, {100, 50}, std::nullopt, "infinite box"},
        {{1, "a", {}, 10, 10, 0, 0}, {1e308, 10}, {1e-300, 50}, {100, 50}, std::nullopt, "overflowing scale"},
        {{1, "a", {}, -1e308, 10, 0, 0}, {1e308, 10}, {100, 50}, {100, 50}, std::nullopt, "huge box ending at 0"},
        {{1, "a", {}, 10, 10, 0, 0}, {1e300, 10}, {100, 50}, {100, 50}, PixelRect{10, 10, 90, 10},
         "huge finite box is clipped"},
    };
    for (const Case& k : cases) EXPECT_EQ(WT::cropRect(k.anchor, k.box, k.window, k.image), k.expected) << k.why;
}

TEST(WindowPictureSize, AtLeastOnePixelAndNeverOverflowing) {
    struct Case { double w, h, scale; std::optional<PixelSize> expected; } cases[] = {
        {100, 50, 2, PixelSize{200, 100}},
        {0.2, 10, 2, PixelSize{1, 20}},
        {2.5, 3.5, 1, PixelSize{3, 4}},
        {-40, 10, 1, PixelSize{1, 10}},
        {100, 100, 1e308, std::nullopt},
        {100, 100, kNaN, std::nullopt},
        {static_cast<double>(WT::maxPictureSide), 1, 1, PixelSize{WT::maxPictureSide, 1}},
        {static_cast<double>(WT::maxPictureSide) + 1, 1, 1, std::nullopt},
    };
    for (const Case& c : cases) {
        WatchRegion r;
        r.w = c.w;
        r.h = c.h;
        r.scale = c.scale;
        EXPECT_EQ(WT::pictureSize(r), c.expected) << c.w << "×" << c.h << " @" << c.scale;
    }
}

TEST(WindowCrop, CopiesAtItsOwnSizeAndResamplesOtherwise) {
    Image pic(4, 3);
    for (std::size_t i = 0; i < pic.rgba.size(); i += 4) {
        pic.rgba[i] = static_cast<std::uint8_t>(i);
        pic.rgba[i + 1] = 7;
        pic.rgba[i + 2] = 9;
        pic.rgba[i + 3] = 255;
    }
    pic.rgba[3] = 0;  // one fully transparent pixel, at (0, 0)

    auto same = WT::crop(pic, {1, 1, 2, 2}, 2, 2);
    ASSERT_TRUE(same);
    EXPECT_EQ(*same, *cut(pic, 1, 1, 2, 2));  // untouched pixels, no interpolation

    auto whole = WT::crop(pic, {0, 0, 4, 3}, 4, 3);
    ASSERT_TRUE(whole);
    EXPECT_EQ((std::vector<std::uint8_t>(whole->rgba.begin(), whole->rgba.begin() + 4)),
              (std::vector<std::uint8_t>{0, 0, 0, 255}));

    auto bigger = WT::crop(pic, {1, 1, 2, 2}, 5, 4);
    ASSERT_TRUE(bigger);
    EXPECT_EQ(bigger->width, 5);
    EXPECT_EQ(bigger->height, 4);
    for (std::size_t i = 0; i < bigger->rgba.size(); i += 4) {
        EXPECT_EQ(bigger->rgba[i + 1], 7);
        EXPECT_EQ(bigger->rgba[i + 3], 255);
    }

    EXPECT_FALSE(WT::crop(pic, {1, 1, 2, 2}, 0, 4));
    EXPECT_FALSE(WT::crop(pic, {10, 10, 2, 2}, 2, 2));
    EXPECT_FALSE(WT::crop(Image{}, {0, 0, 1, 1}, 1, 1));
}
