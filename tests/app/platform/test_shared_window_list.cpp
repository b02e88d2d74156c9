// The window list the direct reader's threads share: one thread reads it at
// a time.

#include "app/platform/shared_window_list.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kestrove {
namespace {

using namespace std::chrono_literals;

// Counts its readings and how many threads were ever inside it at once.
struct Backend final : WindowList {
    std::atomic<int> inside{0}, most{0}, reads{0};

    void enter() {
        const int now = ++inside;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(1ms);
        --inside;
    }
    std::vector<WindowInfo> list(WindowListOptions) override {
        enter();
        ++reads;
        WindowInfo w;
        w.id = 7;
        return {w};
    }
    std::optional<std::string> bundleID(std::uint32_t) override {
        enter();
        return "editor";
    }
};

TEST(SharedWindowList, ThreadsReadTheOneListOneAtATime) {
    auto owned = std::make_unique<Backend>();
    Backend& backend = *owned;
    const auto shared = std::make_shared<SharedWindowList::Shared>(std::move(owned));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([handle = std::make_shared<SharedWindowList>(shared)] {
            for (int i = 0; i < 10; ++i) {
                EXPECT_EQ(handle->list(WindowListOptions::all).size(), 1u);
                EXPECT_EQ(handle->bundleID(7), "editor");
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(backend.reads, 40) << "every reading reached the one list";
    EXPECT_EQ(backend.most, 1) << "two threads were inside the list at once";
}

}  // namespace
}  // namespace kestrove
