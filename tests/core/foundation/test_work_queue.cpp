// The worker queue under every blocking service: contexts made on their
// worker, latest wins per owner and lane, dropped owners, failing jobs and
// stopping.

#include "core/foundation/work_queue.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::ManualExecutor;

// What a worker owns: made on its thread, used only there.
struct Context {
    std::thread::id madeOn = std::this_thread::get_id();
    int jobs = 0;
    std::function<void(std::thread::id)> onEnd;
    ~Context() {
        if (onEnd) onEnd(std::this_thread::get_id());
    }
};

// Holds a worker inside a job until the test opens it.
struct Gate {
    std::latch entered{1}, open{1};
    void pass() {
        entered.count_down();
        open.wait();
    }
};

struct Fixture : ::testing::Test {
    ManualExecutor main;
    std::vector<int> answers;
    std::function<void(int)> record() {
        return [this](int a) { answers.push_back(a); };
    }
    static std::unique_ptr<Context> make() { return std::make_unique<Context>(); }
};

using WorkQueueTest = Fixture;

TEST_F(WorkQueueTest, EachWorkerMakesItsContextOnItsOwnThreadAndAnswersThroughTheExecutor) {
    std::mutex mutex;
    std::set<std::thread::id> workers;
    bool usedElsewhere = false;
    WorkQueue<Context> queue("test", 2, main.executor(), make);
    std::vector<Pending> calls;
    for (int i = 0; i < 40; ++i)
        calls.push_back(queue.post(
            {"", "job"},
            [&, i](Context& c) {
                std::lock_guard lock(mutex);
                usedElsewhere |= c.madeOn != std::this_thread::get_id();
                workers.insert(c.madeOn);
                ++c.jobs;
                return i;
            },
            -1, record()));
    EXPECT_TRUE(answers.empty()) << "answered inside post()";
    ASSERT_TRUE(main.runUntil([&] { return answers.size() == 40; }, 10s));
    EXPECT_FALSE(usedElsewhere);
    EXPECT_FALSE(workers.count(std::this_thread::get_id()));
    EXPECT_LE(workers.size(), 2u);
}

TEST_F(WorkQueueTest, ANewerJobOfTheSameOwnerAndLaneReplacesTheWaitingOne) {
    WorkQueue<Context> queue("test", 0, main.executor(), make);
    std::vector<Pending> calls;
    int ran = 0;
    auto job = [&](int answer) {
        return [&ran, answer](Context&) {
            ++ran;
            return answer;
        };
    };
    for (int i = 0; i < 100; ++i) calls.push_back(queue.post({"watch-1", "capture"}, job(i), -1, record()));
    EXPECT_EQ(queue.waiting(), 1u);
    calls.push_back(queue.post({"watch-1", "recognise"}, job(1000), -1, record()));  // another lane
    calls.push_back(queue.post({"watch-2", "capture"}, job(2000), -1, record()));    // another owner
    calls.push_back(queue.post({"", "once"}, job(3000), -1, record()));              // one-offs are never replaced
    calls.push_back(queue.post({"", "once"}, job(3001), -1, record()));
    EXPECT_EQ(queue.waiting(), 5u);
    EXPECT_EQ(queue.runAll(), 5u);
    main.runPending();
    EXPECT_EQ(ran, 5);
    EXPECT_EQ(answers, (std::vector<int>{99, 1000, 2000, 3000, 3001}));
    for (int i = 0; i < 99; ++i) EXPECT_FALSE(calls[i].active()) << i;
}

TEST_F(WorkQueueTest, AnOwnersJobsRunOneAtATimeWhileOtherWorkersServeTheRest) {
    WorkQueue<Context> queue("test", 2, main.executor(), make);
    Gate gate;
    // The watch's first job holds one worker; its second, though posted
    // before the other watch's, waits for it while the other worker is free.
    Pending first = queue.post({"watch-1", "read"}, [&](Context&) { return gate.pass(), 1; }, -1, record());
    gate.entered.wait();
    Pending second = queue.post({"watch-1", "adopt"}, [](Context&) { return 2; }, -1, record());
    Pending other = queue.post({"watch-2", "read"}, [](Context&) { return 3; }, -1, record());
    ASSERT_TRUE(main.runUntil([&] { return answers.size() == 1; }, 10s));
    EXPECT_EQ(queue.waiting(), 1u);
    gate.open.count_down();
    ASSERT_TRUE(main.runUntil([&] { return answers.size() == 3; }, 10s));
    EXPECT_EQ(answers, (std::vector<int>{3, 1, 2}));
}

TEST_F(WorkQueueTest, DroppingAnOwnerRemovesOnlyItsWaitingJobs) {
    WorkQueue<Context> queue("test", 0, main.executor(), make);
    std::vector<Pending> calls;
    for (const char* owner : {"watch-1", "watch-2", "", "watch-1"})
        for (int lane = 0; lane < 2; ++lane)
            calls.push_back(queue.post({owner, std::to_string(lane)}, [owner](Context&) { return int(owner[0]); },
                                       -1, record()));
    queue.drop("watch-1");
    queue.drop("");  // one-offs belong to nobody
    EXPECT_EQ(queue.waiting(), 4u);
    queue.runAll();
    main.runPending();
    EXPECT_EQ(answers, (std::vector<int>{'w', 'w', 0, 0}));
    EXPECT_FALSE(calls[0].active());
}

TEST_F(WorkQueueTest, ACancelledJobNeverRunsAndOneCancelledWhileRunningNeverAnswers) {
    WorkQueue<Context> queue("test", 1, main.executor(), make);
    Gate gate;
    std::atomic<int> ran = 0;
    Pending running = queue.post({"watch-1", "a"}, [&](Context&) { return gate.pass(), ++ran; }, -1, record());
    Pending waiting = queue.post({"watch-1", "b"}, [&](Context&) { return ++ran; }, -1, record());
    gate.entered.wait();
    waiting.cancel();
    EXPECT_EQ(queue.waiting(), 0u) << "a cancelled job is taken out at once";
    running.cancel();
    gate.open.count_down();
    Pending witness = queue.post({"", "c"}, [](Context&) { return 7; }, -1, record());
    ASSERT_TRUE(main.runUntil([&] { return !answers.empty(); }, 10s));
    EXPECT_EQ(answers, std::vector<int>{7});
    EXPECT_EQ(ran, 1);
}

TEST_F(WorkQueueTest, AThrowingJobAnswersWithItsFailureAndTheWorkerLivesOn) {
    int made = 0;
    WorkQueue<Context> queue("recogniser", 0, main.executor(), [&]() -> std::unique_ptr<Context> {
        if (++made == 1) throw std::runtime_error("no engine");
        return std::make_unique<Context>();
    });
    std::vector<Pending> calls;
    calls.push_back(queue.post({"", "a"}, [](Context&) { return 1; }, -1, record()));  // the factory fails
    calls.push_back(queue.post({"", "b"}, [](Context&) -> int { throw std::out_of_range("bad box"); }, -2, record()));
    calls.push_back(queue.post({"", "c"}, [](Context&) -> int { throw 42; }, -3, record()));
    calls.push_back(queue.post({"", "d"}, [](Context&) { return 4; }, -4, record()));
    ::testing::internal::CaptureStderr();
    queue.runAll();
    const std::string log = ::testing::internal::GetCapturedStderr();
    main.runPending();
    EXPECT_EQ(answers, (std::vector<int>{-1, -2, -3, 4}));
    EXPECT_EQ(log,
              "Kestrove: recogniser: no engine\n"
              "Kestrove: recogniser: bad box\n"
              "Kestrove: recogniser: an unknown exception\n");
    EXPECT_EQ(made, 2);
}

TEST_F(WorkQueueTest, StoppingFinishesTheRunningJobDropsTheRestAndNeverAnswersAfterwards) {
    auto queue = std::make_unique<WorkQueue<Context>>("test", 1, main.executor(), make);
    Gate gate;
    std::atomic<int> ran = 0;
    std::thread::id madeOn, endedOn;
    Pending running = queue->post({"", "a"}, [&](Context& c) {
        madeOn = c.madeOn;
        c.onEnd = [&](std::thread::id t) { endedOn = t; };
        return gate.pass(), ++ran;
    }, -1, record());
    Pending waiting = queue->post({"", "b"}, [&](Context&) { return ++ran; }, -1, record());
    gate.entered.wait();
    std::thread stopper([&] { queue->stop(); });
    while (queue->waiting() != 0) std::this_thread::yield();  // stop() has dropped the waiting job
    gate.open.count_down();
    stopper.join();
    EXPECT_EQ(ran, 1) << "the running job finishes, the waiting one never starts";
    EXPECT_EQ(endedOn, madeOn) << "the context ends on its worker";
    EXPECT_FALSE(running.active());
    Pending late = queue->post({"", "c"}, [&](Context&) { return ++ran; }, -1, record());
    EXPECT_FALSE(late.active());
    queue.reset();  // its workers are joined: whatever they posted is queued by now
    main.runPending();
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(ran, 1);
}

TEST_F(WorkQueueTest, WorkNobodyWaitsForRunsWithoutAnAnswer) {
    WorkQueue<Context> queue("test", 0, main.executor(), make);
    int ran = 0;
    queue.run({"", "warm-up"}, [&](Context&) { ++ran; });
    queue.run({"", "warm-up"}, [&](Context&) { throw std::runtime_error("cold"); });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(queue.runAll(), 2u);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Kestrove: test: cold\n");
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(main.runPending(), 0u);
    EXPECT_THROW(WorkQueue<Context>("threads", 1, main.executor(), make).runOne(), std::logic_error);
}

TEST_F(WorkQueueTest, WorkThatAnswersNothingPostsNothingAndItsHandleJustEnds) {
    WorkQueue<Context> queue("test", 0, main.executor(), make);
    auto nothing = [](Context&) -> std::optional<int> { return std::nullopt; };
    Pending quiet = queue.postUnlessNothing({"a", "list"}, nothing, -1, record());
    Pending told = queue.postUnlessNothing({"b", "list"}, [](Context&) -> std::optional<int> { return 7; }, -1, record());
    Pending failing = queue.postUnlessNothing(
        {"c", "list"}, [](Context&) -> std::optional<int> { throw std::runtime_error("gone"); }, -1, record());
    EXPECT_TRUE(quiet.active());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(queue.runAll(), 3u);
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(quiet.active()) << "a caller waits for an answer that never comes";
    EXPECT_EQ(main.runPending(), 2u) << "work that answered nothing posted to the caller's thread";
    EXPECT_EQ(answers, (std::vector<int>{7, -1}));
}

TEST_F(WorkQueueTest, DrainingWaitsForTheRunningJobAndEveryWaitingOneEvenThoseNobodyWaitsFor) {
    WorkQueue<Context> queue("test", 1, main.executor(), make);
    Gate gate;
    std::vector<int> done;  // written by the worker only, read after drain()
    queue.run({"file", "save"}, [&](Context&) {
        gate.pass();
        done.push_back(1);
    });
    gate.entered.wait();
    queue.run({"file", "save"}, [&](Context&) { done.push_back(2); });
    queue.run({"file", "save"}, [&](Context&) { done.push_back(3); });  // takes the waiting one's place
    queue.run({"w_1", "crop"}, [&](Context&) { done.push_back(4); });
    std::thread opener([&] {
        std::this_thread::sleep_for(50ms);
        gate.open.count_down();
    });
    queue.drain();
    EXPECT_EQ(done, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(queue.waiting(), 0u);
    opener.join();
    queue.drain();  // nothing left: returns at once
}

TEST_F(WorkQueueTest, WorkWaitingForAChangeRunsOnItsGridMeanwhileServingOthersUntilItTellsOrIsLetGo) {
    using Clock = std::chrono::steady_clock;
    WorkQueue<Context> queue("test", 1, main.executor(), make);
    const auto every = 50ms;
    std::mutex mutex;
    std::vector<Clock::time_point> runs;
    std::atomic<bool> changed = false;
    auto watch = [&](Context&) -> std::optional<int> {
        std::lock_guard lock(mutex);
        runs.push_back(Clock::now());
        if (changed) return 7;
        return std::nullopt;
    };
    Pending following = queue.postUntilSomething({"tracker", "list"}, every, watch, -1, record());
    std::this_thread::sleep_for(180ms);
    // Another job is served between the runs, at once.
    Pending other = queue.post({"w_1", "capture"}, [](Context&) { return 3; }, -1, record());
    EXPECT_TRUE(main.runUntil([&] { return !answers.empty(); }, 2000ms));
    EXPECT_EQ(answers, std::vector<int>{3});
    queue.drain();  // returns: work waiting for a change does not hold it
    changed = true;
    for (int i = 0; i < 400 && answers.size() < 2; ++i) {
        main.runPending();
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(answers, (std::vector<int>{3, 7}));
    {
        std::lock_guard lock(mutex);
        ASSERT_GE(runs.size(), 4u);
        EXPECT_LE(runs.size(), 10u);
        // At once, then on the grid: a loaded machine wakes some late.
        std::size_t onGrid = 0;
        for (std::size_t i = 1; i < runs.size(); ++i) {
            onGrid += runs[i].time_since_epoch() % every < 15ms;
            // The first may come just before a grid instant, its next on it.
            if (i >= 2) {
                EXPECT_GE(runs[i] - runs[i - 1], every / 10) << "run " << i << " came too soon";
            }
        }
        EXPECT_GE(2 * onGrid, runs.size() - 1) << onGrid << " of " << runs.size() - 1 << " runs on the grid";
    }
    // Let go while it waits: it runs no more and never answers.
    changed = false;
    Pending dropped = queue.postUntilSomething({"tracker", "list"}, every, watch, -1, record());
    std::this_thread::sleep_for(70ms);
    dropped = Pending();
    std::size_t ranWhenDropped = 0;
    {
        std::lock_guard lock(mutex);
        ranWhenDropped = runs.size();
    }
    changed = true;
    std::this_thread::sleep_for(3 * every);
    std::lock_guard lock(mutex);
    EXPECT_LE(runs.size(), ranWhenDropped + 1) << "ran on once let go";
    EXPECT_EQ(main.runPending(), 0u);
}

TEST_F(WorkQueueTest, WorkWaitingToBeWokenRunsOnlyAtTheInstantAfterAWakeAndNoWakeIsLost) {
    WorkQueue<Context> queue("test", 1, main.executor(), make);
    const auto every = 30ms;
    std::atomic<int> runs = 0;
    std::atomic<bool> changed = false;
    std::atomic<Gate*> gate = nullptr;  // set while the test holds a run inside
    auto watch = [&](Context&) -> std::optional<int> {
        ++runs;
        if (Gate* g = gate) g->pass();
        if (changed) return 9;
        return std::nullopt;
    };
    auto waitRuns = [&](int n) {
        for (int i = 0; i < 400 && runs < n; ++i) std::this_thread::sleep_for(5ms);
        return runs.load();
    };
    Pending following = queue.postUntilSomething({"tracker", "list"}, every, watch, -1, record(), true);
    EXPECT_EQ(waitRuns(1), 1) << "not run at once";
    std::this_thread::sleep_for(6 * every);
    EXPECT_EQ(runs, 1) << "ran again unwoken";
    queue.drain();  // it does not hold a drain either

    queue.wake();
    const auto wokenAt = std::chrono::steady_clock::now();
    EXPECT_EQ(waitRuns(2), 2);
    EXPECT_LE(std::chrono::steady_clock::now() - wokenAt, 20 * every);
    std::this_thread::sleep_for(4 * every);
    EXPECT_EQ(runs, 2) << "one wake, more than one run";

    // Woken while it runs: it runs once more after.
    Gate held;
    gate = &held;
    queue.wake();
    held.entered.wait();
    gate = nullptr;
    queue.wake();
    held.open.count_down();
    EXPECT_EQ(waitRuns(4), 4) << "a wake during its run was lost";
    std::this_thread::sleep_for(4 * every);
    EXPECT_EQ(runs, 4);

    changed = true;
    queue.wake();
    EXPECT_TRUE(main.runUntil([&] { return !answers.empty(); }, 2000ms));
    EXPECT_EQ(answers, std::vector<int>{9});
    queue.wake();
    std::this_thread::sleep_for(4 * every);
    EXPECT_EQ(runs, 5) << "ran on after it told";
}

}  // namespace
}  // namespace kestrove

