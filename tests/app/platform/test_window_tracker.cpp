// The tracker has the window list read four times a second on the list's
// thread and ticks with each list that changed; a quiet desktop never
// reaches the main thread.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <functional>
#include <mutex>

#include "app/platform/main_thread_executor.hpp"
#include "app/platform/queued_window_list.hpp"
#include "app/platform/window_tracker.hpp"
#include "support/app/fakes.hpp"
#include "support/app/locked_window_list.hpp"
#include "support/app/offscreen_app.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct Tracking : ::testing::Test {
    testing::ManualExecutor main;
    fakes::FakeScreens screens;
    // Answers through the manual main thread, or through Qt's for the timed tests.
    std::unique_ptr<fakes::FakeAsyncWindowList> windows;
    int ticks = 0;
    std::vector<WindowInfo> lastWindows;
    std::vector<Rect> lastDisplays;

    void SetUp() override {
        offscreen::app();
        screens.list = {fakes::screen("A", {0, 0, 800, 600}), fakes::screen("B", {800, 0, 800, 600})};
        answerThrough(main.executor());
    }
    void answerThrough(Executor e) {
        windows = std::make_unique<fakes::FakeAsyncWindowList>(e, screens);
        windows->backend.windows = {fakes::window(7, {10, 10, 100, 100}), fakes::window(8, {0, 0, 50, 50})};
        windows->backend.windows[1].isOnScreen = false;
    }
    void count(WindowTracker& t) {
        t.setOnTick([this](const std::vector<WindowInfo>& w, const std::vector<Rect>& d) {
            ++ticks;
            lastWindows = w;
            lastDisplays = d;
        });
    }
};

TEST_F(Tracking, StartingAsksAtOnceAndTicksWhenTheAnswerArrivesWithAList) {
    WindowTracker tracker(*windows, screens);
    count(tracker);
    tracker.setRunning(true);
    tracker.setRunning(true);
    ASSERT_EQ(windows->lists.asked.size(), 1u);
    EXPECT_EQ(windows->lists.asked[0].owner, WindowTracker::owner);
    EXPECT_EQ(windows->lists.asked[0].request, WindowListOptions::onScreenOnly);
    EXPECT_EQ(windows->lastEvery, WindowTracker::interval);
    EXPECT_EQ(ticks, 0) << "ticked before the answer came";
    main.runPending();
    EXPECT_EQ(ticks, 1);
    ASSERT_EQ(lastWindows.size(), 1u);
    EXPECT_EQ(lastWindows[0].id, 7u);
    EXPECT_EQ(lastDisplays, (std::vector<Rect>{{0, 0, 800, 600}, {800, 0, 800, 600}}));
    EXPECT_EQ(windows->lists.asked.size(), 2u) << "waits for the next change once answered";

    // Without a list the frames stay put: no tick.
    windows->backend.connected = false;
    WindowTracker unlisted(*windows, screens);
    count(unlisted);
    unlisted.setRunning(true);
    main.runPending();
    EXPECT_EQ(ticks, 1);
    // Without a handler nothing is asked.
    WindowTracker unheard(*windows, screens);
    unheard.setRunning(true);
    EXPECT_EQ(windows->lists.asked.size(), 3u);
}

TEST_F(Tracking, AnAnswerStillOutNeverTicksOnceStoppedOrReleased) {
    windows->lists.hold = true;
    {
        WindowTracker released(*windows, screens);
        count(released);
        released.setRunning(true);
    }
    WindowTracker stopped(*windows, screens);
    count(stopped);
    stopped.setRunning(true);
    stopped.setRunning(false);
    EXPECT_EQ(windows->lists.held(), 0u) << "the handles were let go";
    main.runPending();
    EXPECT_EQ(ticks, 0);
}

TEST_F(Tracking, ReadsTheListOnItsThreadAndTicksOnlyWhenItOrTheDisplaysChangedOrWhenToldToAgain) {
    std::mutex lock;
    std::atomic<int> reads = 0;
    fakes::FakeWindowList backend;
    backend.windows = {fakes::window(7, {10, 10, 100, 100})};
    std::atomic<int> posts = 0;  // work handed to the main thread
    const Executor qt = mainThreadExecutor();
    QueuedWindowList list(
        [&](std::function<void()> work) {
            ++posts;
            qt(std::move(work));
        },
                          [&] { return std::make_unique<fakes::LockedWindowList>(backend, lock, reads); }, screens);
    WindowTracker tracker(list, screens);
    count(tracker);
    tracker.setRunning(true);
    spin(300);
    ASSERT_EQ(ticks, 1) << "the first list";
    const int postsAtStart = posts, readsAtStart = reads;
    spin(1100);
    EXPECT_EQ(ticks, 1) << "an unchanged list was handed on";
    EXPECT_EQ(posts, postsAtStart) << "an unchanged list reached the main thread";
    EXPECT_GE(reads - readsAtStart, 3) << "not read four times a second";
    EXPECT_LE(reads - readsAtStart, 6) << "read more often than four times a second";
    struct Step {
        const char* what;
        std::function<void()> change;
    } steps[] = {
        {"a window moved", [&] {
             std::lock_guard held(lock);
             backend.windows[0].frame.x += 30;
         }},
        {"told to again", [&] { tracker.tellAgain(); }},
        {"a display changed, and it was told", [&] {
             screens.list[1].frame.width = 1024;
             tracker.tellAgain();
         }},
        {"started again", [&] {
             tracker.setRunning(false);
             tracker.setRunning(true);
         }},
    };
    for (const Step& s : steps) {
        const int before = ticks;
        s.change();
        spin(600);
        EXPECT_EQ(ticks, before + 1) << s.what;
    }
    EXPECT_EQ(lastWindows[0].frame.x, 40);
    EXPECT_EQ(lastDisplays[1].width, 1024);

    tracker.setRunning(false);
    spin(100);
    const int readsWhenStopped = reads;
    spin(600);
    EXPECT_EQ(reads, readsWhenStopped) << "still read once stopped";
}

}  // namespace
}  // namespace kestrove
