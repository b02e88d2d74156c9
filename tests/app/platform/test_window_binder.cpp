#include <gtest/gtest.h>

#include "app/platform/window_binder.hpp"
#include "support/app/fakes.hpp"

namespace kestrove {
namespace {

struct Binding : ::testing::Test {
    fakes::FakeWindowList windows;
    fakes::FakeScreens screens;
    ScreenInfo main = fakes::screen("main", {0, 0, 1280, 800});

    void SetUp() override {
        main.visibleFrame = {0, 30, 1280, 770};  // a panel on top
        screens.list = {main};
        windows.windows = {fakes::window(7, {100, 100, 400, 300}, "Editor")};
        windows.bundleIDs[7] = "org.example.editor";
    }
};

TEST_F(Binding, BoxInsideAWindowGetsItsAnchorWithOwnerAndBundleID) {
    const auto selection = SelectedRegion::make(main, {120, 150, 200, 40});
    const auto bound = WindowBinder::bind(selection, windows, screens);
    EXPECT_EQ(bound.region.window, (WindowAnchor{7, "Editor", "org.example.editor", 20, 50, 400, 300, 4242}));
    // Everything else is the selection as it came.
    auto unbound = bound;
    unbound.region.window.reset();
    EXPECT_EQ(unbound, selection);
    EXPECT_EQ(windows.asked, std::vector<WindowListOptions>{WindowListOptions::onScreenOnly});
}

TEST_F(Binding, BoxNoWindowTakesStaysUnbound) {
    struct Case {
        const char* what;
        Rect box;
    } cases[] = {
        {"bare desktop", {700, 500, 100, 50}},
        {"straddles the window's edge", {450, 150, 100, 40}},
        {"reaches under the panel", {120, 10, 100, 40}},
    };
    windows.windows.push_back(fakes::window(9, {0, 0, 1280, 800}, "Desktop"));
    windows.windows.back().layer = WindowLayer::desktop;
    for (const auto& c : cases) {
        const auto selection = SelectedRegion::make(main, c.box);
        EXPECT_EQ(WindowBinder::bind(selection, windows, screens), selection) << c.what;
    }
}

}  // namespace
}  // namespace kestrove
