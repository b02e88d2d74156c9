#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/platform/window_tracker.hpp"
#include "support/app/fakes.hpp"

namespace kestrove {
namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "test_window_tracker";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct Tracking : ::testing::Test {
    fakes::FakeWindowList windows;
    fakes::FakeScreens screens;
    int ticks = 0;
    std::vector<WindowInfo> lastWindows;
    std::vector<Rect> lastDisplays;

    void SetUp() override {
        app();
        windows.windows = {fakes::window(7, {10, 10, 100, 100}), fakes::window(8, {0, 0, 50, 50})};
        windows.windows[1].isOnScreen = false;
        screens.list = {fakes::screen("A", {0, 0, 800, 600}), fakes::screen("B", {800, 0, 800, 600})};
    }
    void count(WindowTracker& t) {
        t.setOnTick([this](const std::vector<WindowInfo>& w, const std::vector<Rect>& d) {
            ++ticks;
            lastWindows = w;
            lastDisplays = d;
        });
    }
};

TEST_F(Tracking, StartingTicksOnceAtOnceWithOnScreenWindowsAndDisplays) {
    WindowTracker tracker(windows, screens);
    count(tracker);
    tracker.setRunning(true);
    tracker.setRunning(true);
    EXPECT_EQ(ticks, 1);
    ASSERT_EQ(lastWindows.size(), 1u);
    EXPECT_EQ(lastWindows[0].id, 7u);
    EXPECT_EQ(lastDisplays, (std::vector<Rect>{{0, 0, 800, 600}, {800, 0, 800, 600}}));
    EXPECT_EQ(windows.asked, std::vector<WindowListOptions>{WindowListOptions::onScreenOnly});
}

TEST_F(Tracking, TicksFourTimesASecondUntilStopped) {
    WindowTracker tracker(windows, screens);
    count(tracker);
    tracker.setRunning(true);
    spin(1100);
    // One at start and one every 250 ms; a loaded machine may lose one.
    EXPECT_GE(ticks, 4);
    EXPECT_LE(ticks, 6);
    tracker.setRunning(false);
    EXPECT_FALSE(tracker.isRunning());
    const int stoppedAt = ticks;
    spin(400);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST_F(Tracking, ReleasedTrackerNeverTicks) {
    {
        WindowTracker tracker(windows, screens);
        count(tracker);
        tracker.setRunning(true);
    }
    const int atRelease = ticks;
    spin(400);
    EXPECT_EQ(ticks, atRelease);
}

TEST_F(Tracking, RunningWithoutHandlerReadsNothing) {
    WindowTracker tracker(windows, screens);
    tracker.setRunning(true);
    spin(300);
    EXPECT_TRUE(windows.asked.empty());
}

}  // namespace
}  // namespace kestrove
