// The main thread's window list on its worker: a caller that follows the
// windows hears only of changes, and an unchanged list wakes nobody.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "app/platform/queued_window_list.hpp"
#include "support/app/fakes.hpp"
#include "support/app/locked_window_list.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

TEST(QueuedWindowList, AFollowerHearsOnlyOfChangesReadOnTheListsThread) {
    testing::ManualExecutor main;
    fakes::FakeScreens screens;
    fakes::FakeWindowList backend;
    std::mutex lock;
    std::atomic<int> reads = 0;
    backend.windows = {fakes::window(7, {10, 10, 100, 100}), fakes::window(8, {0, 0, 50, 50})};
    QueuedWindowList windows(
        main.executor(), [&] { return std::make_unique<fakes::LockedWindowList>(backend, lock, reads); }, screens);
    const auto every = 40ms;

    std::vector<ListedWindows> heard;
    auto hear = [&](ListedWindows l) { heard.push_back(std::move(l)); };
    // Until the handle ends (answered on this thread) or `ms` passed.
    auto settle = [&](const Pending& p, int ms = 5000) {
        for (int i = 0; i < ms / 5 && p.active(); ++i) {
            main.runPending();
            std::this_thread::sleep_for(5ms);
        }
        main.runPending();
        return !p.active();
    };
    auto change = [&](auto edit) {
        std::lock_guard held(lock);
        edit();
    };

    Pending first = windows.listChanged("tracker", WindowListOptions::onScreenOnly, nullptr, every, hear);
    ASSERT_TRUE(settle(first));
    ASSERT_EQ(heard.size(), 1u) << "told nothing yet, it answers";
    ASSERT_TRUE(heard[0]);
    auto told = std::make_shared<const std::vector<WindowInfo>>(heard[0].value());

    Pending following = windows.listChanged("tracker", WindowListOptions::onScreenOnly, told, every, hear);
    const int readsBefore = reads;
    EXPECT_FALSE(settle(following, 400)) << "answered with an unchanged list";
    EXPECT_EQ(heard.size(), 1u);
    EXPECT_GE(reads - readsBefore, 4) << "not read again while unchanged";
    EXPECT_EQ(main.runPending(), 0u) << "an unchanged list posted to the caller's thread";

    change([&] { backend.windows[1].frame.width = 60; });
    ASSERT_TRUE(settle(following));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1].value()[1].frame.width, 60);

    // Without a window system it tells nothing and reads on; back, it tells.
    change([&] { backend.connected = false; });
    Pending gone = windows.listChanged("tracker", WindowListOptions::onScreenOnly, nullptr, every, hear);
    EXPECT_FALSE(settle(gone, 300));
    EXPECT_EQ(heard.size(), 2u);
    change([&] { backend.connected = true; });
    ASSERT_TRUE(settle(gone));
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_TRUE(heard[2]);

    // Let go, it is read no more.
    auto latest = std::make_shared<const std::vector<WindowInfo>>(heard[2].value());
    Pending dropped = windows.listChanged("tracker", WindowListOptions::onScreenOnly, latest, every, hear);
    std::this_thread::sleep_for(100ms);
    dropped = Pending();
    std::this_thread::sleep_for(2 * every);
    const int readsWhenDropped = reads;
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(reads, readsWhenDropped);
    EXPECT_EQ(main.runPending(), 0u);
}

// A list that hears its changes is read at once, then only at the grid
// instant after it told one: a quiet desktop reads nothing at all.
TEST(QueuedWindowList, AListThatHearsItsChangesIsReadOnlyAfterItToldOne) {
    testing::ManualExecutor main;
    fakes::FakeScreens screens;
    fakes::FakeWindowList backend;
    std::mutex lock;
    std::atomic<int> reads = 0;
    std::function<void()> tell;  // under lock
    backend.windows = {fakes::window(7, {10, 10, 100, 100})};
    QueuedWindowList windows(
        main.executor(),
        [&] { return std::make_unique<fakes::LockedWindowList>(backend, lock, reads, &tell); }, screens);
    const auto every = 40ms;
    std::vector<ListedWindows> heard;
    auto hear = [&](ListedWindows l) { heard.push_back(std::move(l)); };
    auto runFor = [&](std::chrono::milliseconds d) {
        for (auto end = std::chrono::steady_clock::now() + d; std::chrono::steady_clock::now() < end;) {
            main.runPending();
            std::this_thread::sleep_for(5ms);
        }
        main.runPending();
    };
    auto change = [&](auto edit) {
        std::lock_guard held(lock);
        edit();
        if (tell) tell();
    };

    Pending first = windows.listChanged("tracker", WindowListOptions::all, nullptr, every, hear);
    runFor(300ms);
    ASSERT_EQ(heard.size(), 1u);
    auto told = std::make_shared<const std::vector<WindowInfo>>(heard[0].value());

    Pending following = windows.listChanged("tracker", WindowListOptions::all, told, every, hear);
    runFor(300ms);
    EXPECT_EQ(reads, 2) << "read again while nothing was told";
    EXPECT_TRUE(heard.size() == 1u && following.active());

    // Told without a change: read once, nothing to tell.
    change([] {});
    runFor(300ms);
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(heard.size(), 1u);

    // A change told: read at the next instant, and told to the follower.
    const auto toldAt = std::chrono::steady_clock::now();
    change([&] { backend.windows[0].frame.x = 30; });
    for (int i = 0; i < 400 && heard.size() < 2; ++i) runFor(5ms);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_LE(std::chrono::steady_clock::now() - toldAt, 1s);
    EXPECT_EQ(heard[1].value()[0].frame.x, 30);
    EXPECT_EQ(reads, 4) << "read more than once for one change";
}

}  // namespace
}  // namespace kestrove
