// Capture as the desktop changes around it: the last watch reading a window goes.
#include <gtest/gtest.h>

#include <cstdlib>

#include <xcb/composite.h>

#include "app/platform/qt/main_thread_executor.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/queued_screen_capturer.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::await;
using desktop::waitFor;

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
