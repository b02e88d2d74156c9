// The thread the X services follow the server on: it wakes for what the
// server sends and for its time-out, ends at once when its owner goes while
// it sleeps with no limit, and what it tells reaches the maker's thread
// only while the follower lives.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_follower.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(XcbFollower, WakesForTheServerAndItsTimeOutAndEndsWithItsOwner) {
    XcbConnection x;
    ASSERT_TRUE(x.ok());
    struct Case {
        const char* name;
        int timeoutMs;
        bool ask;           // a request sent first: its reply is something to read
        milliseconds least;  // how long the sleep lasts at least
    };
    const Case cases[] = {
        {"a reply", 10000, true, milliseconds(0)},
        {"nothing within the time-out", 150, false, milliseconds(140)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::promise<std::pair<bool, Clock::duration>> woke;
        std::optional<xcb_get_input_focus_cookie_t> asked;
        if (c.ask) asked = xcb_get_input_focus(x.get());
        {
            XcbFollower follower("follower test", [&](XcbFollower& f) {
                const auto start = Clock::now();
                const bool going = f.sleep(x.get(), c.timeoutMs);
                woke.set_value({going, Clock::now() - start});
            });
            auto answer = woke.get_future();
            ASSERT_EQ(answer.wait_for(std::chrono::seconds(5)), std::future_status::ready);
            const auto [going, slept] = answer.get();
            EXPECT_TRUE(going);
            EXPECT_GE(slept, c.least);
            EXPECT_LT(slept, std::chrono::seconds(5));
        }
        // What came is read, so the next case starts from a quiet connection.
        if (asked) std::free(xcb_get_input_focus_reply(x.get(), *asked, nullptr));
        while (xcb_generic_event_t* e = xcb_poll_for_event(x.get())) std::free(e);
    }

    // Its owner goes while it sleeps with no limit: the sleep answers false
    // at once and the thread is joined; a tell from before is never run.
    std::vector<bool> sleeps;
    std::atomic<bool> told = false, ran = false;
    auto follower = std::make_unique<XcbFollower>("follower test", [&](XcbFollower& f) {
        f.tell([&] { ran = true; });
        told = true;
        while (true) {
            const bool going = f.sleep(x.get(), -1);
            sleeps.push_back(going);
            if (!going) return;
        }
    });
    // Waited for without running the event loop, which would run the tell.
    for (int i = 0; i < 500 && !told; ++i) std::this_thread::sleep_for(milliseconds(10));
    ASSERT_TRUE(told);
    std::this_thread::sleep_for(milliseconds(50));
    const auto before = Clock::now();
    follower.reset();
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(2));
    EXPECT_EQ(sleeps, std::vector<bool>{false});
    desktop::waitFor([] { return false; }, 100);
    EXPECT_FALSE(ran) << "told after its follower went";

    // While it lives, what it tells runs on the maker's thread.
    const auto maker = std::this_thread::get_id();
    std::atomic<bool> onMaker = false;
    XcbFollower living("follower test", [&](XcbFollower& f) {
        f.tell([&] { onMaker = std::this_thread::get_id() == maker; });
    });
    EXPECT_TRUE(desktop::waitFor([&] { return onMaker.load(); }));
}

}  // namespace
}  // namespace kestrove
