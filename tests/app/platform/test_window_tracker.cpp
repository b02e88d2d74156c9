// The tracker asks for the window list four times a second and ticks with
// each answer; the list itself is read off the main thread.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <functional>

#include "app/platform/main_thread_executor.hpp"
#include "app/platform/shared_wakes.hpp"
#include "app/platform/window_tracker.hpp"
#include "support/app/fakes.hpp"
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
    EXPECT_EQ(ticks, 0) << "ticked before the answer came";
    main.runPending();
    EXPECT_EQ(ticks, 1);
    ASSERT_EQ(lastWindows.size(), 1u);
    EXPECT_EQ(lastWindows[0].id, 7u);
    EXPECT_EQ(lastDisplays, (std::vector<Rect>{{0, 0, 800, 600}, {800, 0, 800, 600}}));

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
    EXPECT_EQ(windows->lists.asked.size(), 2u);
}

TEST_F(Tracking, AsksFourTimesASecondUntilStopped) {
    answerThrough(mainThreadExecutor());
    WindowTracker tracker(*windows, screens);
    count(tracker);
    tracker.setRunning(true);
    spin(1100);
    // One at start and one every 250 ms; a loaded machine may lose one.
    const auto asks = [&] { return int(windows->lists.asked.size()); };
    EXPECT_GE(asks(), 4);
    EXPECT_LE(asks(), 6);
    EXPECT_EQ(ticks, 1) << "only the first list is news";
    tracker.setRunning(false);
    EXPECT_FALSE(tracker.isRunning());
    const int stoppedAt = asks();
    spin(400);
    EXPECT_EQ(asks(), stoppedAt);
}

TEST_F(Tracking, ATickWhileTheAnswerIsOutAsksNothing) {
    answerThrough(mainThreadExecutor());
    windows->lists.hold = true;
    WindowTracker tracker(*windows, screens);
    count(tracker);
    tracker.setRunning(true);
    spin(600);
    EXPECT_EQ(windows->lists.asked.size(), 1u);
    windows->lists.release();
    spin(400);
    EXPECT_EQ(ticks, 1);
    EXPECT_GE(windows->lists.asked.size(), 2u) << "asks again once answered";
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

TEST_F(Tracking, HandsOnAListOnlyWhenItOrTheDisplaysChangedOrWhenToldToAgain) {
    answerThrough(mainThreadExecutor());
    WindowTracker tracker(*windows, screens);
    count(tracker);
    tracker.setRunning(true);
    spin(700);
    EXPECT_EQ(ticks, 1) << "an unchanged list was handed on";
    EXPECT_GE(windows->quietLists, 1);
    struct Step {
        const char* what;
        std::function<void()> change;
    } steps[] = {
        {"a window moved", [&] { windows->backend.windows[0].frame.x += 30; }},
        {"told to again", [&] { tracker.tellAgain(); }},
        {"a display changed", [&] { screens.list[1].frame.width = 1024; }},
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
}

// The list as asked, noting in which shared wake each ask came.
struct WakeNotingList final : AsyncWindowList {
    AsyncWindowList& inner;
    std::vector<long> wakes;
    std::vector<std::chrono::steady_clock::time_point> times;
    explicit WakeNotingList(AsyncWindowList& list) : inner(list) {}
    Pending list(const std::string& owner, WindowListOptions options, std::function<void(ListedWindows)> done) override {
        wakes.push_back(SharedWakes::wakesSoFar());
        times.push_back(std::chrono::steady_clock::now());
        return inner.list(owner, options, std::move(done));
    }
    Pending listChanged(const std::string& owner, WindowListOptions options, ToldWindows told,
                        std::function<void(ListedWindows)> done) override {
        wakes.push_back(SharedWakes::wakesSoFar());
        times.push_back(std::chrono::steady_clock::now());
        return inner.listChanged(owner, options, std::move(told), std::move(done));
    }
    Pending bind(const SelectedRegion& s, std::function<void(SelectedRegion)> done) override {
        return inner.bind(s, std::move(done));
    }
    void forget(const std::string& owner) override { inner.forget(owner); }
};

TEST_F(Tracking, TicksOnAQuarterSecondGridInTheWakesOfOtherTimersSetForItsInstants) {
    using namespace std::chrono;
    answerThrough(mainThreadExecutor());
    WakeNotingList noting(*windows);
    WindowTracker tracker(noting, screens);
    count(tracker);
    tracker.setRunning(true);
    // A watch's tick on the next whole second.
    long tickWake = -1;
    Pending watchTick = SharedWakes::at(gridAfter(steady_clock::now() + 300ms, 1s),
                                        [&] { tickWake = SharedWakes::wakesSoFar(); });
    spin(1600);
    tracker.setRunning(false);
    ASSERT_NE(tickWake, -1);
    ASSERT_GE(noting.wakes.size(), 4u);
    EXPECT_NE(std::find(noting.wakes.begin() + 1, noting.wakes.end(), tickWake), noting.wakes.end())
        << "the tracker woke the thread apart from a timer set for one of its instants";
    // After the first ask (at once), every ask comes just after a grid instant;
    // a busy machine may delay a few.
    int onGrid = 0;
    for (std::size_t i = 1; i < noting.times.size(); ++i) {
        const auto t = noting.times[i];
        if (t - (gridAtOrAfter(t, WindowTracker::interval) - WindowTracker::interval) < 40ms ||
            gridAtOrAfter(t, WindowTracker::interval) == t)
            ++onGrid;
    }
    EXPECT_GE(onGrid * 3, int(noting.times.size() - 1) * 2) << onGrid << " of " << noting.times.size() - 1;
}

}  // namespace
}  // namespace kestrove
