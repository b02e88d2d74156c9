// Capture as the desktop changes around it: the screen grows after the
// capturer connected, a window lies on a screen of another scale, and the
// last watch reading a window goes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include <xcb/composite.h>

#include "app/platform/qt/main_thread_executor.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/queued_screen_capturer.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fakes.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::await;
using desktop::waitFor;

bool xrandr(const std::string& args) { return std::system(("xrandr " + args + " >/dev/null 2>&1").c_str()) == 0; }

TEST(CaptureChanges, ABoxWhereTheScreenGrewReadsItsPixels) {
    QtScreens screens;
    auto widthIs = [&](double w) {
        return waitFor([&] { return !screens.screens().empty() && screens.screens().front().frame.width == w; });
    };
    // Xvfb grows no larger than it started: shrink it, connect, grow it back.
    ASSERT_TRUE(xrandr("--newmode small 0 1024 0 0 0 700 0 0 0") && xrandr("--addmode screen small") &&
                xrandr("--output screen --mode small --fb 1024x700"));
    ASSERT_TRUE(widthIs(1024));
    XcbScreenCapturer capturer(screens);
    ASSERT_TRUE(xrandr("--output screen --mode 1280x800 --fb 1280x800"));
    ASSERT_TRUE(widthIs(1280));

    desktop::TestWindow window;
    ASSERT_NE(window.extra("popup", {1100, 720, 120, 60}), 0u);  // solid 0x3050c8
    const Rect box{1120, 730, 40, 20};
    const WatchRegion region = SelectedRegion::make(*ScreenSpace::screenFor(box, screens.screens()), box).region;
    Image solid(40, 20);
    for (std::size_t i = 0; i < solid.rgba.size(); i += 4)
        std::tie(solid.rgba[i], solid.rgba[i + 1], solid.rgba[i + 2], solid.rgba[i + 3]) =
            std::tuple{0x30, 0x50, 0xc8, 0xff};
    Captured shot = CaptureError::failed("none yet");
    EXPECT_TRUE(waitFor([&] {
        shot = capturer.capture(region);
        return shot.ok() && desktop::maxChannelDifference(shot.value(), solid) == 0;
    })) << (shot.ok() ? "a box in the new area came back black" : shot.error().description());
}

TEST(CaptureChanges, AWindowIsReadAtTheScaleOfItsScreen) {
    desktop::TestWindow window;
    XcbWindowList pixels;
    const Rect client = window.where();
    ASSERT_TRUE(desktop::waitUntilListedAt(pixels, window.id(), client));
    // The whole X screen shown at 2, after a first screen elsewhere at 1.
    fakes::FakeScreens screens;
    screens.list = {fakes::screen("elsewhere", {5000, 0, 100, 100}), fakes::screen("here", {0, 0, 640, 400}, 2)};
    XcbScreenCapturer capturer(screens);

    const WindowAnchor anchor{window.id(), "", std::nullopt, tw::status.x / 2.0, tw::status.y / 2.0, tw::width / 2.0,
                              tw::height / 2.0};
    const WatchRegion region{screens.list[1].displayID, (client.x + tw::status.x) / 2, (client.y + tw::status.y) / 2,
                             tw::status.w / 2.0, tw::status.h / 2.0, 2, anchor};
    const Image own = window.grab(tw::status.x, tw::status.y, tw::status.w, tw::status.h);
    Captured shot = CaptureError::failed("none yet");
    EXPECT_TRUE(waitFor([&] {
        shot = capturer.capture(region);
        return shot.ok() && desktop::maxChannelDifference(shot.value(), own) == 0;
    })) << (shot.ok() ? "another part of the window" : shot.error().description());
    const auto facts = capturer.lastWindowCapture();
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->scale, 2);
    EXPECT_EQ(facts->windowPoints, (Size{tw::width / 2.0, tw::height / 2.0}));

    // The window list measures it the same way.
    XcbWindowList scaled(screens);
    EXPECT_TRUE(desktop::waitUntilListedAt(scaled, window.id(), {client.x / 2, client.y / 2, client.width / 2,
                                                                 client.height / 2}));
}

// Whether a window is redirected by anyone: only then can a client name its pixmap.
bool redirected(std::uint32_t window) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_generic_error_t* e = xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, window, pixmap));
    const bool named = !e;
    std::free(e);
    xcb_disconnect(c);
    return named;
}

TEST(CaptureChanges, AWindowIsNoLongerRedirectedOnceItsLastReaderGoes) {
    desktop::TestWindow window;
    XcbWindowList windows;
    ASSERT_TRUE(desktop::waitUntilListedAt(windows, window.id(), window.where()));
    QtScreens screens;
    QueuedScreenCapturer capturer(mainThreadExecutor(), [&] { return std::make_unique<XcbScreenCapturer>(screens); });
    const Rect client = window.where();
    const Rect box{client.x + tw::status.x, client.y + tw::status.y, double(tw::status.w), double(tw::status.h)};
    const WatchRegion region =
        WindowBinder::bind(SelectedRegion::make(*ScreenSpace::screenFor(box, screens.screens()), box), windows, screens)
            .region;
    ASSERT_TRUE(region.window);
    auto capture = [&](const std::string& owner) {
        const auto shot = await<Captured>([&](auto done) { return capturer.capture(owner, region, done); });
        return shot && shot->ok();
    };
    // The worker takes jobs in order: a look after a step waits for it.
    auto settled = [&] { return await<bool>([&](auto done) { return capturer.refreshAllowed(done); }).value_or(false); };

    EXPECT_FALSE(redirected(window.id())) << "no compositing manager here";
    ASSERT_TRUE(capture("w_1") && capture("w_2"));
    EXPECT_TRUE(redirected(window.id()));
    capturer.forget("w_1");
    ASSERT_TRUE(settled());
    EXPECT_TRUE(redirected(window.id())) << "w_2 still reads it";
    capturer.forget("w_2");
    ASSERT_TRUE(settled());
    EXPECT_FALSE(redirected(window.id()));
    ASSERT_TRUE(capture(""));
    ASSERT_TRUE(settled());
    EXPECT_FALSE(redirected(window.id())) << "a one-off read lets it go at once";
}

}  // namespace
}  // namespace kestrove
