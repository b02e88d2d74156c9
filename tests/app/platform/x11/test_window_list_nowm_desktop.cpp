// The window list on a bare X server: no window manager, so no client list;
// the root's children stand in.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/platform_boxes.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::waitFor;

using desktop::placeOf;

TEST(BareDesktop, WindowsAreListedFrontToBackWithoutAWindowManager) {
    XcbWindowList windows;
    desktop::TestWindow window;
    const std::uint32_t cover = window.cover();
    std::vector<WindowInfo> list;
    ASSERT_TRUE(waitFor([&] {
        list = windows.list(WindowListOptions::onScreenOnly);
        return placeOf(list, window.id()) >= 0 && placeOf(list, cover) >= 0;
    }));
    EXPECT_LT(placeOf(list, cover), placeOf(list, window.id()));
    const WindowInfo& w = list[static_cast<std::size_t>(placeOf(list, window.id()))];
    EXPECT_EQ(w.frame, (Rect{tw::defaultX, tw::defaultY, tw::width, tw::height}));
    EXPECT_EQ(w.app, "KestroveTestWindow");
    EXPECT_EQ(w.ownerPID, window.pid());
    EXPECT_EQ(w.layer, 0);
    EXPECT_TRUE(w.isOnScreen);

    window.command("hide");
    ASSERT_TRUE(waitFor([&] { return placeOf(windows.list(WindowListOptions::onScreenOnly), window.id()) < 0; }));
    // Hidden, it is still one of the program's windows; the toolkit's
    // unnamed helper windows are not.
    std::vector<std::uint32_t> ofProgram;
    for (const auto& w : windows.list(WindowListOptions::all))
        if (w.ownerPID == window.pid()) ofProgram.push_back(w.id);
    std::sort(ofProgram.begin(), ofProgram.end());
    std::vector<std::uint32_t> expected{window.id(), cover};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ofProgram, expected);
}

}  // namespace
}  // namespace kestrove
