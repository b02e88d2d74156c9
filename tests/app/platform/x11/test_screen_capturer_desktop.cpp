// Capture of the test window's boxes from the display and through the window
// (covered, moved, lost), also once a watch lets the window go, at another
// screen's scale, and after the screen grew.
#include <gtest/gtest.h>

#include <xcb/composite.h>

#include <unistd.h>

#include <cstdlib>
#include <limits>

#include "app/platform/main_thread_executor.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/queued_screen_capturer.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/picture/pixel_diff.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fakes.hpp"
#include "support/app/platform_boxes.hpp"
#include "app/platform/own_windows.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::waitFor;

bool changed(const Image& a, const Image& b) {
    auto ga = PixelDiff::grid(a), gb = PixelDiff::grid(b);
    return !ga || !gb || PixelDiff::changed(*ga, *gb);
}

struct Capture : ::testing::Test {
    QtScreens screens;
    XcbWindowList windows;
    XcbScreenCapturer capturer{screens};
    std::unique_ptr<desktop::TestWindow> window;
    Rect client;

    void SetUp() override {
        window = std::make_unique<desktop::TestWindow>();
        client = window->where();
        ASSERT_TRUE(desktop::waitUntilListedAt(windows, window->id(), client));
    }

    Rect onScreen(const tw::Box& b) const { return desktop::onScreen(client, b); }
    SelectedRegion select(const Rect& box) const { return desktop::select(box, screens); }
    SelectedRegion bound(const Rect& box) { return WindowBinder::bind(select(box), windows, screens); }

    // The box as the window draws it, once the screen shows the same.
    Image settledGrab(const tw::Box& b, const WatchRegion& region) {
        const Image own = window->grab(b.x, b.y, b.w, b.h);
        waitFor([&] {
            auto c = capturer.capture(region);
            return c.ok() && desktop::maxChannelDifference(c.value(), own) == 0;
        });
        return own;
    }
};

TEST_F(Capture, DisplayCaptureOfABoxIsWhatTheWindowDrewThere) {
    const auto region = select(onScreen(tw::status)).region;
    const Image own = settledGrab(tw::status, region);
    const Captured shot = capturer.capture(region);
    ASSERT_TRUE(shot.ok()) << shot.error().description();
    EXPECT_EQ(shot.value().width, tw::status.w);
    EXPECT_EQ(shot.value().height, tw::status.h);
    EXPECT_EQ(desktop::maxChannelDifference(shot.value(), own), 0);
    EXPECT_FALSE(PixelDiff::grid(own)->isFlat());
    // The comparison can tell two lines apart.
    EXPECT_TRUE(changed(shot.value(), window->grab(tw::price.x, tw::price.y, tw::price.w, tw::price.h)));

    // Plain GetImage reads the same pixels as shared memory.
    XcbScreenCapturer plain(screens, nullptr, /*allowSharedMemory=*/false);
    EXPECT_FALSE(plain.usesSharedMemory());
    const Captured again = plain.capture(region);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value(), shot.value());
}

TEST_F(Capture, PictureHasTheRegionsPixelSize) {
    auto region = select(onScreen(tw::status)).region;
    region.scale = 2;
    region.w = 100.2;
    region.h = 40.5;
    const Captured shot = capturer.capture(region);
    ASSERT_TRUE(shot.ok());
    EXPECT_EQ(shot.value().width, 200);
    EXPECT_EQ(shot.value().height, 81);

    // A box reaching past the screen's edge keeps its size; what lies
    // beyond the screen is black.
    const auto screen = screens.screens().front();
    const auto edge = SelectedRegion::make(screen, {screen.frame.maxX() - 40, 10, 100, 20}).region;
    const Captured cut = capturer.capture(edge);
    ASSERT_TRUE(cut.ok()) << cut.error().description();
    ASSERT_EQ(cut.value().width, 100);
    const auto px = [&](int x, int y) { return &cut.value().rgba[static_cast<std::size_t>(y * 100 + x) * 4]; };
    EXPECT_EQ(px(99, 10)[0] + px(99, 10)[1] + px(99, 10)[2], 0);
    EXPECT_EQ(px(99, 10)[3], 255);

    // A damaged region is refused with a reason, never read: a place, size or
    // scale that is not a number, a box larger than any screen behind a tiny
    // scale, a bound box whose size is not a number.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<WatchRegion> damaged(5, select(onScreen(tw::status)).region);
    damaged[0].x = damaged[1].w = damaged[2].scale = nan;
    damaged[3].w = damaged[3].h = 1e9;
    damaged[3].scale = 1e-9;
    damaged[4] = bound(onScreen(tw::status)).region;
    ASSERT_TRUE(damaged[4].window);
    damaged[4].w = nan;
    for (const auto& bad : damaged) {
        const Captured refused = capturer.capture(bad);
        ASSERT_FALSE(refused.ok());
        EXPECT_EQ(refused.error().kind, CaptureError::Kind::failed) << refused.error().description();
        EXPECT_FALSE(refused.error().description().empty());
    }
}

TEST_F(Capture, BoxPastTheLeftEdgeKeepsThePartOnTheScreenInPlace) {
    // The status text at the screen's left edge, the box reaching 40 pixels beyond it.
    window->command("move 0 " + std::to_string(tw::defaultY));
    ASSERT_TRUE(waitFor([&] { return window->where().x < tw::status.x; }));
    client = window->where();
    ASSERT_TRUE(desktop::waitUntilListedAt(windows, window->id(), client));
    const ScreenInfo screen = screens.screens().front();
    const Rect status = onScreen(tw::status);
    const auto left = SelectedRegion::make(screen, {screen.frame.minX() - 40, status.y, 100, status.height}).region;
    const auto part = SelectedRegion::make(screen, {screen.frame.minX(), status.y, 60, status.height}).region;
    const int h = tw::status.h;
    ASSERT_TRUE(waitFor([&] {
        const Captured whole = capturer.capture(left), onScreenPart = capturer.capture(part);
        if (!whole.ok() || !onScreenPart.ok() || whole.value().width != 100) return false;
        const auto placed = cut(whole.value(), 40, 0, 60, h), beyond = cut(whole.value(), 0, 0, 40, h);
        return placed && beyond && desktop::maxChannelDifference(*placed, onScreenPart.value()) == 0 &&
               desktop::maxChannelDifference(*beyond, Image(40, h)) == 0;
    }));
    // The part on the screen shows the window, not bare black.
    EXPECT_NE(desktop::maxChannelDifference(capturer.capture(part).value(), Image(60, h)), 0);
}

TEST_F(Capture, CoveredWindowStillReadsThroughTheWindow) {
    const auto boundRegion = bound(onScreen(tw::status)).region;
    ASSERT_TRUE(boundRegion.window);
    const auto displayRegion = select(onScreen(tw::status)).region;
    const Image own = settledGrab(tw::status, displayRegion);

    const Captured windowBefore = capturer.capture(boundRegion);
    const Captured displayBefore = capturer.capture(displayRegion);
    ASSERT_TRUE(windowBefore.ok()) << windowBefore.error().description();
    ASSERT_TRUE(displayBefore.ok());
    EXPECT_EQ(desktop::maxChannelDifference(windowBefore.value(), own), 0);

    const std::uint32_t cover = window->cover();
    ASSERT_TRUE(waitFor([&] {
        auto list = windows.list(WindowListOptions::onScreenOnly);
        return !list.empty() && list.front().id == cover;
    }));
    ASSERT_TRUE(waitFor([&] { return changed(displayBefore.value(), capturer.capture(displayRegion).value()); }));
    const Captured windowAfter = capturer.capture(boundRegion);
    ASSERT_TRUE(windowAfter.ok()) << windowAfter.error().description();
    EXPECT_FALSE(changed(windowBefore.value(), windowAfter.value()));
    EXPECT_EQ(desktop::maxChannelDifference(windowAfter.value(), own), 0);

    const auto facts = capturer.lastWindowCapture();
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->windowPoints, (Size{tw::width, tw::height}));
    EXPECT_EQ(facts->imageWidth, tw::width);
    EXPECT_EQ(facts->imageHeight, tw::height);
    EXPECT_EQ(facts->crop, (PixelRect{tw::status.x, tw::status.y, tw::status.w, tw::status.h}));

    // The bound box follows its window and sees its changes.
    window->command("move 400 300");
    window->command("status Status: Moved");
    const Image moved = window->grab(tw::status.x, tw::status.y, tw::status.w, tw::status.h);
    ASSERT_TRUE(waitFor([&] {
        auto c = capturer.capture(boundRegion);
        return c.ok() && desktop::maxChannelDifference(c.value(), moved) == 0;
    }));
    EXPECT_TRUE(changed(windowBefore.value(), moved));
}

// Damage tells the capturer what was drawn: a box nothing was drawn in is
// answered with its last picture, without reading the server, and a drawing
// in it is read at the next capture, on either path.
TEST_F(Capture, AnUntouchedBoxIsNotReadAgainAndADrawingInItIs) {
    XcbScreenCapturer kept(screens, std::make_shared<OwnWindows>());
    for (const bool inWindow : {false, true}) {
        const WatchRegion region = inWindow ? bound(onScreen(tw::price)).region : select(onScreen(tw::price)).region;
        ASSERT_EQ(region.window.has_value(), inWindow);
        const Image first = settledGrab(tw::price, region);
        // Until a capture is answered without a read: a picture read while the
        // server still told of the settling's drawing there is not kept.
        ASSERT_TRUE(waitFor([&] {
            const auto before = kept.serverReads();
            const Captured c = kept.capture(region);
            return c.ok() && c.value() == first && kept.serverReads() == before;
        })) << (inWindow ? "window" : "display") << ": a picture is kept once nothing is drawn";
        const auto reads = kept.serverReads();
        for (int i = 0; i < 10; ++i) {
            const Captured again = kept.capture(region);
            ASSERT_TRUE(again.ok());
            EXPECT_EQ(desktop::maxChannelDifference(again.value(), first), 0);
        }
        EXPECT_EQ(kept.serverReads(), reads) << (inWindow ? "window" : "display") << ": nothing drawn, nothing read";

        window->command(inWindow ? "price Price: 13.50 USD" : "price Price: 12.00 EUR");
        const Image drawn = window->grab(tw::price.x, tw::price.y, tw::price.w, tw::price.h);
        EXPECT_TRUE(waitFor([&] {
            const Captured c = kept.capture(region);
            return c.ok() && desktop::maxChannelDifference(c.value(), drawn) == 0;
        })) << (inWindow ? "window" : "display") << ": the drawing is read";
        EXPECT_GT(kept.serverReads(), reads);
    }
}

TEST_F(Capture, LostWindowsAndDisplaysFailWithTheirReason) {
    const auto region = bound(onScreen(tw::logLine0)).region;
    ASSERT_TRUE(region.window);
    ASSERT_TRUE(capturer.capture(region).ok());

    // Another application's window under the same id is not ours.
    auto reused = region;
    reused.window->app = "SomethingElse";
    EXPECT_EQ(capturer.capture(reused).error(), CaptureError::windowGone());

    auto elsewhere = select(onScreen(tw::status)).region;
    elsewhere.displayID ^= 0x5a5a5a5a;
    EXPECT_EQ(capturer.capture(elsewhere).error(), CaptureError::displayGone());

    window->command("minimize");
    ASSERT_TRUE(waitFor([&] { return !capturer.capture(region).ok(); }));
    EXPECT_EQ(capturer.capture(region).error().kind, CaptureError::Kind::failed);
    window->command("restore");
    ASSERT_TRUE(waitFor([&] { return capturer.capture(region).ok(); }));

    window->command("resize 300 150");
    ASSERT_TRUE(waitFor([&] {
        auto c = capturer.capture(region);
        return !c.ok() && c.error() == CaptureError::boxOutsideWindow();
    }));

    window->close();
    ASSERT_TRUE(waitFor([&] {
        auto c = capturer.capture(region);
        return !c.ok() && c.error() == CaptureError::windowGone();
    }));
    EXPECT_EQ(capturer.capture(region).error().description(), "That window was closed.");
}

TEST_F(Capture, WaylandSessionIsNotAllowed) {
    const char* before = std::getenv("XDG_SESSION_TYPE");
    const std::string saved = before ? before : "";
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    const Captured refused = capturer.capture(select(onScreen(tw::status)).region);
    if (before) setenv("XDG_SESSION_TYPE", saved.c_str(), 1); else unsetenv("XDG_SESSION_TYPE");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().description(), "Kestrove isn't allowed to record the screen.");
    EXPECT_TRUE(capturer.capture(select(onScreen(tw::status)).region).ok());
}

// Whether anyone redirects the window: only then can a client name its pixmap.
bool redirected(std::uint32_t window) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_generic_error_t* e = xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, window, xcb_generate_id(c)));
    const bool named = !e;
    std::free(e);
    xcb_disconnect(c);
    return named;
}

TEST_F(Capture, AWindowIsNoLongerRedirectedOnceItsLastReaderGoes) {
    QueuedScreenCapturer queued(mainThreadExecutor(), [&] { return std::make_unique<XcbScreenCapturer>(screens); });
    const WatchRegion region = bound(onScreen(tw::status)).region;
    auto capture = [&](const char* owner) {
        return desktop::await<CapturedBox>([&](auto done) { return queued.capture(owner, region, done); }).has_value();
    };
    // The worker takes jobs in order: a look after forget() waits for it.
    auto forget = [&](const char* owner) {
        queued.forget(owner);
        return desktop::await<bool>([&](auto done) { return queued.refreshAllowed(done); }).has_value();
    };
    EXPECT_FALSE(redirected(window->id())) << "no compositing manager here";
    ASSERT_TRUE(capture("w_1") && capture("w_2"));
    EXPECT_TRUE(redirected(window->id()));
    ASSERT_TRUE(forget("w_1"));
    EXPECT_TRUE(redirected(window->id())) << "w_2 still reads it";
    ASSERT_TRUE(forget("w_2"));
    EXPECT_FALSE(redirected(window->id()));
}

TEST_F(Capture, AWindowIsMeasuredAtTheScaleOfItsScreen) {
    // The whole X screen shown at 2, after a first screen elsewhere at 1.
    fakes::FakeScreens two;
    two.list = {fakes::screen("elsewhere", {5000, 0, 100, 100}), fakes::screen("here", {0, 0, 640, 400}, 2)};
    XcbScreenCapturer atTwo(two);
    const WindowAnchor anchor{window->id(), "", std::nullopt, tw::status.x / 2.0, tw::status.y / 2.0,
                              tw::width / 2.0, tw::height / 2.0};
    const WatchRegion region{two.list[1].displayID, (client.x + tw::status.x) / 2, (client.y + tw::status.y) / 2,
                             tw::status.w / 2.0, tw::status.h / 2.0, 2, anchor};
    const Image own = window->grab(tw::status.x, tw::status.y, tw::status.w, tw::status.h);
    EXPECT_TRUE(waitFor([&] {
        const Captured shot = atTwo.capture(region);
        return shot.ok() && desktop::maxChannelDifference(shot.value(), own) == 0;
    }));
    EXPECT_EQ(atTwo.lastWindowCapture()->scale, 2);
    XcbWindowList listAtTwo(two);
    EXPECT_TRUE(desktop::waitUntilListedAt(listAtTwo, window->id(),
                                           {client.x / 2, client.y / 2, client.width / 2, client.height / 2}));
}

// A program's drawing reaches the screen through its window's picture while
// the capturer keeps that window redirected: because a watch reads it through
// the window, or because it lay under one of our windows that has closed
// since. A display box over it sees the drawing, and is not answered with the
// picture kept from before.
TEST_F(Capture, ADisplayBoxOverAWindowKeptRedirectedSeesItsDrawing) {
    const WatchRegion display = select(onScreen(tw::status)).region;
    int round = 0;
    for (const bool composed : {false, true}) {
        const char* why = composed ? "kept for composing" : "bound";
        auto own = std::make_shared<OwnWindows>();
        XcbScreenCapturer kept(screens, own);
        if (composed) {
            // Our window over the box: the capture composes from the test window's picture.
            const std::uint32_t cover = window->cover();
            ASSERT_NE(cover, 0u);
            own->set({cover, OwnWindow::Kind::floating, std::nullopt});
            const Image under = window->grab(tw::status.x, tw::status.y, tw::status.w, tw::status.h);
            ASSERT_TRUE(waitFor([&] {
                const Captured c = kept.capture(display);
                return c.ok() && desktop::maxChannelDifference(c.value(), under) == 0;
            })) << why;
            window->command("uncover");
        } else {
            ASSERT_TRUE(kept.capture(bound(onScreen(tw::status)).region).ok());
            ASSERT_TRUE(redirected(window->id()));
        }
        // A plain picture of the box, kept: answered without reading.
        const Image first = window->grab(tw::status.x, tw::status.y, tw::status.w, tw::status.h);
        ASSERT_TRUE(waitFor([&] {
            const auto before = kept.serverReads();
            const Captured c = kept.capture(display);
            return c.ok() && desktop::maxChannelDifference(c.value(), first) == 0 && kept.serverReads() == before;
        })) << why << ": a picture is kept once nothing is drawn";

        window->command("status Drawn through the redirection " + std::to_string(++round));
        const Image drawn = window->grab(tw::status.x, tw::status.y, tw::status.w, tw::status.h);
        ASSERT_TRUE(changed(first, drawn));
        XcbScreenCapturer fresh(screens);
        ASSERT_TRUE(waitFor([&] {
            const Captured c = fresh.captureScreen(display);
            return c.ok() && desktop::maxChannelDifference(c.value(), drawn) == 0;
        })) << why << ": the screen shows the drawing";
        // The screen shows it now: the next captures do too.
        bool seen = false;
        for (int i = 0; i < 2 && !seen; ++i) {
            if (i) usleep(50'000);
            const Captured c = kept.capture(display);
            seen = c.ok() && desktop::maxChannelDifference(c.value(), drawn) == 0;
        }
        EXPECT_TRUE(seen) << why << ": the display box sees what the screen shows";
        EXPECT_TRUE(waitFor([&] {
            const Captured c = kept.capture(display);
            return c.ok() && desktop::maxChannelDifference(c.value(), drawn) == 0;
        })) << why << ": the display box never sees it";
    }
}

bool xrandr(const std::string& args) { return std::system(("xrandr " + args + " >/dev/null 2>&1").c_str()) == 0; }

// Last: it leaves the screen as it found it, with one more mode.
TEST_F(Capture, ABoxWhereTheScreenGrewReadsItsPixels) {
    auto widthIs = [&](double w) { return waitFor([&] { return screens.screens().front().frame.width == w; }); };
    // Xvfb grows no larger than it started: shrink it, connect, grow it back.
    ASSERT_TRUE(xrandr("--newmode small 0 1024 0 0 0 700 0 0 0") && xrandr("--addmode screen small") &&
                xrandr("--output screen --mode small --fb 1024x700") && widthIs(1024));
    XcbScreenCapturer connectedSmall(screens);
    ASSERT_TRUE(xrandr("--output screen --mode 1280x800 --fb 1280x800") && widthIs(1280));
    ASSERT_NE(window->extra("popup", {1100, 720, 120, 60}), 0u);
    const WatchRegion region = select({1120, 730, 40, 20}).region;
    EXPECT_TRUE(waitFor([&] {
        const Captured shot = connectedSmall.capture(region);
        const auto& p = shot.ok() ? shot.value().rgba : std::vector<std::uint8_t>(4);
        return p[0] == 0x30 && p[1] == 0x50 && p[2] == 0xc8;  // the popup's blue, not black
    }));
}

}  // namespace
}  // namespace kestrove
