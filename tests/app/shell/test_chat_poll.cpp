#include <gtest/gtest.h>

#include "app/shell/chat_poll.hpp"
#include "support/app/virtual_clock.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

// Polls that answer only when the test says so.
struct Polls {
    int asked = 0;
    std::shared_ptr<Completion> inFlight;
    std::function<void()> done;
    testing::ManualExecutor main;

    ChatPoll::Poll poll() {
        return [this](std::function<void()> d) {
            ++asked;
            inFlight = std::make_shared<Completion>();
            done = std::move(d);
            return Pending(inFlight);
        };
    }
    void answer() {
        inFlight->deliver(main.executor(), done);
        main.runPending();
    }
};

struct ChatPollTest : ::testing::Test {
    fakes::VirtualClock clock;
    Polls polls;
    ChatPoll loop{clock, polls.poll()};
};

TEST_F(ChatPollTest, NextPollFiveSecondsAfterTheLastAnswer) {
    loop.start();
    clock.advance(4999ms);
    EXPECT_EQ(polls.asked, 0);
    clock.advance(1ms);
    EXPECT_EQ(polls.asked, 1);
    clock.advance(60s);
    EXPECT_EQ(polls.asked, 1) << "a slow answer holds the next poll back";
    polls.answer();
    clock.advance(4999ms);
    EXPECT_EQ(polls.asked, 1);
    clock.advance(1ms);
    EXPECT_EQ(polls.asked, 2);
}

TEST_F(ChatPollTest, StopEndsTheSleepOrThePollInFlight) {
    loop.start();
    clock.advance(5s);
    loop.stop();
    EXPECT_TRUE(polls.inFlight->cancelled());
    EXPECT_FALSE(polls.inFlight->deliver(polls.main.executor(), polls.done));
    clock.advance(60s);
    EXPECT_EQ(polls.asked, 1);

    loop.start();
    clock.advance(2s);
    loop.stop();
    clock.advance(60s);
    EXPECT_EQ(polls.asked, 1) << "stopped while asleep";
    EXPECT_EQ(clock.timersWaiting(), 0u);
}

}  // namespace
}  // namespace kestrove
