// The runner's loop on virtual time: its rhythm, the screen lock, restarts
// and stops, pictures not painted yet (losses of sight: the picture test).
#include <gtest/gtest.h>

#include "support/app/runner_harness.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using namespace runnerfix;

TEST(WatchRunnerLoop, QuietBoxSlowsItsChecksDownAndAChangeBringsThemBack) {
    for (bool direct : {false, true}) {
        RunnerHarness h;
        auto session = h.session(lines({"Working"}));
        if (direct)
            h.start(directWatch(), std::nullopt, false, DirectStart{session, {}});
        else
            h.start(watch(WatchType::anyChange, WatchMode::everyTime));
        std::vector<int> checks{0}, reads{0};
        for (int t = 1; t <= 3700; ++t) {
            // The wall clock stepped back, then forward: durations do not care.
            if (t == 300 || t == 2000) h.clock.setWall(h.clock.wallNow() + std::chrono::days(t == 300 ? -1 : 2));
            const auto c = h.captures(), r = session->reads.asked.size();
            h.run(1s);
            if (h.captures() > c) checks.push_back(t);
            if (session->reads.asked.size() > r) reads.push_back(t);
        }
        const auto apart = gaps(checks);
        for (std::size_t i = 0; i < apart.size(); ++i)
            EXPECT_EQ(apart[i], checks[i] < 600 ? 5 : checks[i] < 3600 ? 15 : 30) << "after " << checks[i];
        EXPECT_EQ(h.host.count("interval"), 2);
        if (direct) {
            EXPECT_EQ(gaps(reads), std::vector<int>(reads.size() - 1, 5)) << "direct reads every tick";
        }

        h.fake.capturer.screen = showing(30);
        h.run(30s);
        EXPECT_EQ(h.runner->interval(), 5);
        EXPECT_EQ(h.host.count("interval"), 3);
        EXPECT_EQ(gaps(h.times(20s, [&] { return h.captures(); })), (std::vector<int>{5, 5, 5}));
    }
}

TEST(WatchRunnerLoop, PauseComesFromPollSecondsUntilTheFirstCheck) {
    // While the screen is locked nothing is read; each tick asks once whether it may.
    struct Case {
        int poll;
        bool direct;
        int ticksIn20s;
    } cases[] = {{5, false, 4}, {2, false, 10}, {0, false, 20}, {-3, false, 20}, {0, true, 20}, {8, true, 2}};
    for (const Case& c : cases) {
        RunnerHarness h;
        h.host.screens = false;
        WatchSpec s = c.direct ? directWatch() : watch(WatchType::anyChange);
        s.pollSeconds = c.poll;
        h.start(s, std::nullopt, false, c.direct ? std::optional(DirectStart{h.session({}), {}}) : std::nullopt);
        const int before = h.host.screenQueries;
        h.run(20s);
        EXPECT_EQ(h.host.screenQueries - before, c.ticksIn20s) << c.poll << (c.direct ? " direct" : "");
        EXPECT_EQ(h.captures(), 0u);
        EXPECT_TRUE(h.host.log.empty()) << "a locked screen reads nothing and reports nothing";
    }
}

TEST(WatchRunnerLoop, RestartKeepsOneLoopAndStopEndsEverything) {
    RunnerHarness h;
    h.fake.capturer.captures.hold = true;
    h.start(watch(WatchType::anyChange));
    h.runner->start();
    h.runner->start();
    EXPECT_EQ(h.fake.capturer.captures.held(), 0u) << "the step of the earlier loop is dropped";
    EXPECT_EQ(h.clock.timersWaiting(), 1u);
    h.fake.capturer.captures.hold = false;
    const auto before = h.captures();
    EXPECT_EQ(h.times(30s, [&] { return h.captures(); }), (std::vector<int>{5, 10, 15, 20, 25, 30}));
    EXPECT_EQ(h.captures() - before, 6u);

    // Stopped or destroyed with a capture in flight: nothing arrives or is reported.
    for (bool destroy : {false, true}) {
        h.fake.capturer.screen = showing(destroy ? 10 : 240);
        h.fake.capturer.captures.hold = true;
        h.run(5s);
        ASSERT_EQ(h.fake.capturer.captures.held(), 1u);
        const auto reported = h.host.log.size();
        destroy ? h.runner.reset() : h.runner->stop();
        EXPECT_EQ(h.fake.capturer.captures.held() + h.clock.timersWaiting(), 0u);
        h.fake.capturer.captures.hold = false;
        h.run(60s);
        EXPECT_EQ(h.host.log.size(), reported);
        if (!destroy) h.runner->start(), h.settle();
    }
}

TEST(WatchRunnerLoop, HostThatEndsTheRunnerInsideAReportHearsNothingMore) {
    for (bool destroy : {false, true}) {
        RunnerHarness h;
        h.host.afterReport = [&](const std::string& what) {
            if (what == "picture") destroy ? h.runner.reset() : h.runner->stop();
        };
        h.fake.capturer.screen = showing(20);
        h.start(watch(WatchType::anyChange), grey(128));
        h.run(30s);
        EXPECT_EQ(h.host.log, std::vector<std::string>{"picture"}) << "the changed picture does not bark";
        EXPECT_EQ(h.clock.timersWaiting(), 0u);
    }
}

// A picture with a part nothing has painted yet (a window just redirected,
// the screen under one of our windows with nothing known below) is not the
// screen's: neither a change, nor a reference, nor a loss of sight.
TEST(WatchRunnerLoop, UnpaintedPictureIsNeitherJudgedNorKeptNorALoss) {
    for (bool bound : {false, true}) {
        RunnerHarness h;
        h.start(bound ? boundWatch(WatchType::anyChange) : watch(WatchType::anyChange), grey(128));
        const auto first = h.captures();
        h.fake.capturer.screen = [](const WatchRegion&) { return Captured(CaptureError::unpainted()); };
        h.run(30s);
        EXPECT_GT(h.captures(), first + 4) << "asked again at every check";
        EXPECT_EQ(h.host.count("picture"), 1) << "only the first picture";
        EXPECT_TRUE(h.host.losses.empty()) << "no loss";
        // The reference is still the picture from before: the same screen is no change.
        h.fake.capturer.screen = showing(128);
        h.run(10s);
        EXPECT_TRUE(h.host.barks.empty()) << (bound ? "bound" : "display");
        h.fake.capturer.screen = showing(20);
        h.run(10s);
        EXPECT_EQ(h.host.barks.size(), 1u) << (bound ? "bound" : "display");
    }
}

TEST(WatchRunnerLoop, WatchesStartedWithinOneSecondTickTogetherAndNeverBeforeTheirPause) {
    RunnerHarness h;
    struct Watch {
        std::shared_ptr<fakes::FakeDirectSession> session;
        std::unique_ptr<Runner> runner;
        std::vector<std::chrono::milliseconds> reads;
    };
    std::vector<Watch> watches(3);
    const auto origin = h.clock.now();  // on the grid
    const auto at = [&] { return std::chrono::duration_cast<std::chrono::milliseconds>(h.clock.now() - origin); };
    const std::chrono::milliseconds startsAt[] = {200ms, 500ms, 900ms};
    for (int i = 0; i < 3; ++i) {
        h.clock.advance(startsAt[i] - at());
        WatchSpec spec = directWatch();
        spec.id = "w_RUN00" + std::to_string(i + 2);
        watches[i].session = h.session(lines({"Working"}));
        watches[i].runner = h.factory.make({spec, nullptr, false, DirectStart{watches[i].session, {}}}, h.host);
        watches[i].runner->start();
        h.settle();
        if (!watches[i].session->reads.asked.empty()) watches[i].reads.push_back(at());
    }
    std::vector<std::size_t> seen{1, 1, 1};
    for (int step = 0; step < 200; ++step) {
        for (int i = 0; i < 3; ++i) {
            if (watches[i].session->reads.asked.size() > seen[i]) watches[i].reads.push_back(at());
            seen[i] = watches[i].session->reads.asked.size();
        }
        h.clock.advance(100ms);
        h.settle();
    }
    for (int i = 0; i < 3; ++i) {
        const auto& r = watches[i].reads;
        ASSERT_EQ(r.size(), 4u) << "watch " << i;
        EXPECT_EQ(r[0], startsAt[i]) << "the first tick runs at once";
        EXPECT_EQ(std::vector(r.begin() + 1, r.end()), (std::vector<std::chrono::milliseconds>{6s, 11s, 16s}))
            << "watch " << i << " ticks apart from the others, or off the grid";
        for (std::size_t k = 1; k < r.size(); ++k) EXPECT_GE(r[k] - r[k - 1], 5s) << "before its pause";
    }
}

TEST(WatchRunnerLoop, NextTickKeepsTheRhythmOnWholeSecondsAndRestsAfterALongTick) {
    using std::chrono::milliseconds;
    const auto t = [](milliseconds ms) { return std::chrono::steady_clock::time_point(ms); };
    struct Case {
        milliseconds due, ended;
        int pause;
        milliseconds next;
    } cases[] = {
        {10000ms, 10020ms, 5, 15000ms},  // a quick tick on the grid: exactly a pause later
        {10300ms, 10310ms, 5, 16000ms},  // a first tick off the grid: the next whole second
        {10000ms, 10999ms, 5, 15000ms},
        {10000ms, 13000ms, 5, 17000ms},  // a long tick: a pause less one second of rest
        {10000ms, 13400ms, 5, 18000ms},
        {10000ms, 10100ms, 15, 25000ms},
        {10000ms, 10100ms, 1, 11000ms},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WatchRunner::nextTick(t(c.due), t(c.ended), std::chrono::seconds(c.pause)), t(c.next))
            << c.due.count() << " " << c.ended.count() << " " << c.pause;
}

}  // namespace
}  // namespace kestrove
