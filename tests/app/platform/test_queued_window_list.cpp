// The main thread's window list on its worker: a caller that keeps what it
// was told hears only of changes, and an unchanged list wakes nobody.

#include <gtest/gtest.h>

#include <thread>

#include "app/platform/queued_window_list.hpp"
#include "support/app/fakes.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

// The test's list, read by the worker one job at a time.
struct Borrowed final : WindowList {
    fakes::FakeWindowList& inner;
    explicit Borrowed(fakes::FakeWindowList& l) : inner(l) {}
    std::vector<WindowInfo> list(WindowListOptions o) override { return inner.list(o); }
    std::optional<std::string> bundleID(std::uint32_t w) override { return inner.bundleID(w); }
    bool isConnected() const override { return inner.isConnected(); }
};

TEST(QueuedWindowList, AnUnchangedListIsNotToldAndPostsNothing) {
    testing::ManualExecutor main;
    fakes::FakeScreens screens;
    fakes::FakeWindowList backend;
    backend.windows = {fakes::window(7, {10, 10, 100, 100}), fakes::window(8, {0, 0, 50, 50})};
    QueuedWindowList windows(main.executor(), [&] { return std::make_unique<Borrowed>(backend); }, screens);

    std::vector<ListedWindows> heard;
    auto hear = [&](ListedWindows l) { heard.push_back(std::move(l)); };
    // Until the handle ends: answered on this thread, or left untold.
    auto settle = [&](const Pending& p) {
        for (int i = 0; i < 1000 && p.active(); ++i) {
            main.runPending();
            std::this_thread::sleep_for(5ms);
        }
        return !p.active();
    };

    Pending first = windows.listChanged("tracker", WindowListOptions::onScreenOnly, nullptr, hear);
    ASSERT_TRUE(settle(first));
    ASSERT_EQ(heard.size(), 1u) << "told nothing yet, it answers";
    ASSERT_TRUE(heard[0]);
    auto told = std::make_shared<const std::vector<WindowInfo>>(heard[0].value());

    Pending same = windows.listChanged("tracker", WindowListOptions::onScreenOnly, told, hear);
    ASSERT_TRUE(settle(same)) << "the handle of an untold answer never ended";
    EXPECT_EQ(heard.size(), 1u) << "an unchanged list was told";
    EXPECT_EQ(main.runPending(), 0u) << "an unchanged list posted to the caller's thread";

    backend.windows[1].frame.width = 60;
    Pending changed = windows.listChanged("tracker", WindowListOptions::onScreenOnly, told, hear);
    ASSERT_TRUE(settle(changed));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1].value()[1].frame.width, 60);

    // Without a window system the caller hears why, whatever it was told.
    backend.connected = false;
    Pending gone = windows.listChanged("tracker", WindowListOptions::onScreenOnly, told, hear);
    ASSERT_TRUE(settle(gone));
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_FALSE(heard[2]);
}

}  // namespace
}  // namespace kestrove
