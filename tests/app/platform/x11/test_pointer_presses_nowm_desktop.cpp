// Pointer presses heard anywhere, against a real X server without a window
// manager (whose desktop menu would take the pointer): xdotool clicks as a
// user would, on the bare root and while another client holds the pointer.
#include <gtest/gtest.h>

#include <QProcess>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

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

// The threads of this process by that name.
std::set<std::string> threadsNamed(const std::string& name) {
    std::set<std::string> ids;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string line;
        if (std::getline(comm, line) && line == name) ids.insert(task.path().filename());
    }
    return ids;
}

// A panel's openings listen in turn on one connection and thread; a
// listener replaced or gone hears nothing.
TEST(PointerPresses, ListenersOfOneMakerShareOneHearingInTurn) {
    const auto make = XcbPointerPresses::maker();
    int first = 0, second = 0;
    auto a = make([&] { ++first; });
    ASSERT_NE(a, nullptr);
    xdotool({"mousemove", "300", "200", "click", "1"});
    ASSERT_TRUE(waitFor([&] { return first == 1; }));
    const auto thread = threadsNamed("pointer presses");
    ASSERT_EQ(thread.size(), 1u);
    auto b = make([&] { ++second; });
    a.reset();
    xdotool({"click", "3"});
    ASSERT_TRUE(waitFor([&] { return second == 1; }));
    b.reset();
    auto c = make([] {});
    xdotool({"click", "1"});
    waitFor([] { return false; }, 300);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(threadsNamed("pointer presses"), thread) << "three listeners, one thread";
}

}  // namespace
}  // namespace kestrove
