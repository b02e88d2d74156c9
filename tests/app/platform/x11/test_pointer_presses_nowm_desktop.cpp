// Pointer presses heard anywhere, against a real X server without a window
// manager (whose desktop menu would take the pointer): xdotool clicks as a
// user would, on the bare root and while another client holds the pointer.
#include <gtest/gtest.h>

#include <QProcess>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_pointer_presses.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0); }

struct Heard {
    int count = 0;
    std::unique_ptr<XcbPointerPresses> presses = XcbPointerPresses::listen([this] { ++count; });

    // After `click`, `expected` presses in all, and no more a moment later.
    ::testing::AssertionResult after(const QStringList& click, int expected) {
        xdotool(click);
        waitFor([&] { return count >= expected; });
        waitFor([] { return false; }, 300);
        if (count == expected) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << count << " presses heard, " << expected << " expected";
    }
};

TEST(PointerPresses, ButtonsAnywhereAreHeardAndAWheelIsNot) {
    Heard heard;
    ASSERT_NE(heard.presses, nullptr);
    xdotool({"mousemove", "300", "200"});
    EXPECT_TRUE(heard.after({"click", "1"}, 1)) << "left button on the desktop";
    EXPECT_TRUE(heard.after({"click", "3"}, 2)) << "right button";
    EXPECT_TRUE(heard.after({"click", "4"}, 2)) << "a wheel's step up";
    EXPECT_TRUE(heard.after({"click", "5"}, 2)) << "a wheel's step down";

    // Another client's grab sends the press to that client alone; it is
    // heard all the same.
    XcbConnection other;
    auto grab = adopt(xcb_grab_pointer_reply(
        other.get(),
        xcb_grab_pointer(other.get(), 0, other.root(), XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
        nullptr));
    ASSERT_TRUE(grab && grab->status == XCB_GRAB_STATUS_SUCCESS) << "status " << (grab ? int(grab->status) : -1);
    EXPECT_TRUE(heard.after({"click", "1"}, 3)) << "while another client holds the pointer";
    xcb_ungrab_pointer(other.get(), XCB_CURRENT_TIME);
    xcb_flush(other.get());

    // Gone, it reports nothing more.
    heard.presses.reset();
    EXPECT_TRUE(heard.after({"click", "1"}, 3));
}

}  // namespace
}  // namespace kestrove
