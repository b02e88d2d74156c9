// The handle's one promise: once cancelled or let go, its completion never
// runs, whichever thread the answer is coming from.

#include "core/foundation/pending.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using testing::ManualExecutor;

struct Call {
    std::shared_ptr<Completion> completion = std::make_shared<Completion>();
    Pending handle{completion};
    int ran = 0;
    int hooks = 0;
    Call() { completion->onCancel([this] { ++hooks; }); }
    bool deliver(ManualExecutor& main) {
        return completion->deliver(main.executor(), [this] { ++ran; });
    }
};

TEST(Pending, ACancelledCallNeverCompletes) {
    ManualExecutor main;
    // Before the answer: nothing is posted and the producer is told once.
    Call before;
    before.handle.cancel();
    before.handle.cancel();
    EXPECT_FALSE(before.deliver(main));
    EXPECT_EQ(before.hooks, 1);
    // After the answer was posted, before the main thread ran it.
    Call posted;
    EXPECT_TRUE(posted.deliver(main));
    EXPECT_TRUE(posted.handle.active());
    posted.handle.cancel();
    EXPECT_FALSE(posted.handle.active());
    // Let go instead of cancelled, and replaced by another call.
    Call dropped, replaced;
    EXPECT_TRUE(dropped.deliver(main));
    EXPECT_TRUE(replaced.deliver(main));
    { Pending gone = std::move(dropped.handle); }
    replaced.handle = Pending();
    main.runPending();
    EXPECT_EQ(before.ran + posted.ran + dropped.ran + replaced.ran, 0);
    EXPECT_EQ(posted.hooks + dropped.hooks + replaced.hooks, 3);
}

TEST(Pending, ACompletedCallRunsOnceAndIgnoresLateCancels) {
    ManualExecutor main;
    Call call;
    EXPECT_TRUE(call.deliver(main));
    EXPECT_FALSE(call.completion->deliver(main.executor(), [&] { call.ran += 10; }));
    EXPECT_EQ(call.ran, 0) << "delivered inside the call";
    main.runPending();
    EXPECT_EQ(call.ran, 1);
    EXPECT_FALSE(call.handle.active());
    call.handle.cancel();
    EXPECT_EQ(call.hooks, 0);
    EXPECT_FALSE(call.completion->cancelled());
}

TEST(Pending, CancellingFromInsideTheCompletionDoesNotWaitForItself) {
    ManualExecutor main;
    auto completion = std::make_shared<Completion>();
    auto handle = std::make_unique<Pending>(completion);
    bool ran = false;
    completion->deliver(main.executor(), [&] {
        handle.reset();  // the owner lets go of its own call while it completes
        ran = true;
    });
    main.runPending();
    EXPECT_TRUE(ran);
}

TEST(Pending, ACancelRacingTheDeliveryEitherWinsOrWaitsForTheCompletion) {
    // The answer runs on the worker itself (an inline executor) while the
    // owner cancels: once cancel() has returned the completion must neither
    // start nor still be running.
    std::atomic<int> ranAfterCancel = 0, ran = 0;
    for (int i = 0; i < 500; ++i) {
        auto completion = std::make_shared<Completion>();
        Pending handle(completion);
        std::atomic<bool> cancelled = false, go = false;
        std::thread worker([&] {
            while (!go) std::this_thread::yield();
            completion->deliver(inlineExecutor(), [&] {
                ++ran;
                for (int spin = 0; spin < i % 7 * 50; ++spin) std::this_thread::yield();
                if (cancelled) ++ranAfterCancel;
            });
        });
        go = true;
        for (int spin = 0; spin < i % 5 * 20; ++spin) std::this_thread::yield();
        handle.cancel();
        cancelled = true;
        worker.join();
    }
    EXPECT_EQ(ranAfterCancel, 0);
    EXPECT_GT(ran, 0) << "every cancel won: the race was never run";
}

TEST(Pending, AnAnswerKnownAtOnceStillComesThroughTheExecutor) {
    ManualExecutor main;
    int ran = 0;
    Pending kept = Pending::answered(main.executor(), [&] { ++ran; });
    Pending cancelled = Pending::answered(main.executor(), [&] { ran += 10; });
    EXPECT_EQ(ran, 0);
    cancelled.cancel();
    main.runPending();
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace kestrove
