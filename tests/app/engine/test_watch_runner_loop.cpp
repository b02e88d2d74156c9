// The runner's loop on virtual time: its rhythm, the screen lock, restarts
// and stops, pictures not painted yet (losses of sight: the picture test).
#include <gtest/gtest.h>

#include <functional>
#include <set>

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
        ASSERT_EQ(h.captures(), 1u);
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
// a box under our windows with nothing ever seen there) is not the screen's:
// neither a change nor a reference. Once or twice it is no loss; the third
// check in a row without a picture loses sight as a failed capture does,
// told once, and the next picture brings the box back by itself, judged
// against the reference from before. Under our windows that show only for a
// moment the watch waits 25 s before it is out of sight. Either way a box
// is checked every 5 s while it cannot be read, so even a quiet one (checked
// every 30 s) says it cannot see within a minute, and a change made meanwhile
// that still shows barks once it sees again.
TEST(WatchRunnerLoop, UnpaintedPictureIsNotJudgedAndThreeInARowLoseSight) {
    const auto unpainted = [](const WatchRegion&) { return Captured(CaptureError::unpainted()); };
    for (bool bound : {false, true})
        for (bool changedMeanwhile : {false, true}) {
            const std::string kind = std::string(bound ? "bound" : "display") + (changedMeanwhile ? ", changed" : "");
            RunnerHarness h;
            h.start(bound ? boundWatch(WatchType::anyChange) : watch(WatchType::anyChange), grey(128));
            const auto checks = [&](std::size_t n) {
                for (const auto until = h.captures() + n; h.captures() < until;) h.run(1s);
            };
            h.fake.capturer.screen = unpainted;
            checks(2);
            EXPECT_TRUE(h.host.losses.empty()) << kind << ": two are no loss";
            h.fake.capturer.screen = showing(128);
            checks(1);
            // The reference is still the picture from before: the same screen is no change.
            h.fake.capturer.screen = unpainted;
            checks(2);
            EXPECT_TRUE(h.host.losses.empty()) << kind << ": a picture between counts afresh";
            checks(1);
            EXPECT_EQ(h.host.losses, (std::vector<std::optional<WindowLoss>>{std::nullopt}))
                << kind << ": the third in a row loses sight";
            checks(3);
            EXPECT_EQ(h.host.losses.size(), 1u) << kind << ": told once";
            EXPECT_EQ(h.host.count("picture"), 2) << kind << ": none of them published";
            h.fake.capturer.screen = showing(changedMeanwhile ? 20 : 128);
            checks(1);
            EXPECT_EQ(h.host.count("regained"), 1) << kind;
            checks(2);
            EXPECT_EQ(h.host.barks.size(), changedMeanwhile ? 1u : 0u) << kind << ": a change that still shows barks";
            if (changedMeanwhile) continue;
            h.fake.capturer.screen = showing(20);
            checks(2);
            EXPECT_EQ(h.host.barks.size(), 1u) << kind;
        }
    const auto covered = [](const WatchRegion&) { return Captured(CaptureError::coveredForNow()); };
    struct Case {
        const char* name;
        std::function<Captured(const WatchRegion&)> screen;
        bool quiet;  // unchanged for an hour: checked every 30 s
        int leastSeconds;  // from the first check that could not read it
    } cases[] = {{"unpainted", unpainted, false, 10},
                 {"unpainted, quiet", unpainted, true, 10},
                 {"covered for now", covered, false, 25},
                 {"covered for now, quiet", covered, true, 25}};
    for (const Case& c : cases) {
        RunnerHarness h;
        h.start(watch(WatchType::anyChange), grey(128));
        if (c.quiet) h.run(3700s);
        ASSERT_EQ(h.runner->interval(), c.quiet ? 30 : 5) << c.name;
        const auto published = h.host.count("picture");
        h.fake.capturer.screen = c.screen;
        const auto hidden = h.clock.now();  // just after a check: the worst moment
        const auto before = h.captures();
        while (h.host.losses.empty() && h.clock.now() - hidden < 120s) h.run(1s);
        const auto lost = h.clock.now() - hidden;
        EXPECT_LE(lost, 60s) << c.name << ": out of sight within a minute";
        EXPECT_GT(lost, std::chrono::seconds(c.leastSeconds)) << c.name << ": not before";
        EXPECT_GE(h.captures() - before, std::size_t(c.leastSeconds / 5 + 1)) << c.name << ": every 5 s meanwhile";
        h.run(60s);
        EXPECT_EQ(h.host.losses, (std::vector<std::optional<WindowLoss>>{std::nullopt})) << c.name << ": told once";
        EXPECT_EQ(h.host.count("picture"), published) << c.name << ": none of them published";
        h.fake.capturer.screen = showing(20);
        for (const auto until = h.captures() + 3; h.captures() < until;) h.run(1s);
        EXPECT_EQ(h.host.count("regained"), 1) << c.name;
        EXPECT_EQ(h.host.barks.size(), 1u) << c.name << ": the change made meanwhile barks once it sees again";
    }
}

TEST(WatchRunnerLoop, WatchesStartedAtDifferentMomentsTickTogetherAfterTheirFirstPause) {
    using std::chrono::milliseconds;
    RunnerHarness h;
    struct Watch {
        std::shared_ptr<fakes::FakeDirectSession> session;
        std::unique_ptr<Runner> runner;
        milliseconds pause{};
        std::vector<milliseconds> reads;
    };
    std::vector<Watch> watches(20);
    const auto origin = h.clock.now();  // on the grid
    const auto at = [&] { return std::chrono::duration_cast<milliseconds>(h.clock.now() - origin); };
    std::set<milliseconds> wakes;  // instants at which any watch read, after the last start
    std::size_t started = 0;
    while (at() < 75s) {
        // Spread over almost three pauses.
        if (started < watches.size() && at() == milliseconds(300 + 700 * started)) {
            Watch& w = watches[started];
            WatchSpec spec = directWatch();
            spec.id = "w_RUN" + std::to_string(100 + started);
            w.pause = 5s;
            w.session = h.session(lines({"Working"}));
            w.runner = h.factory.make({spec, nullptr, false, DirectStart{w.session, {}}}, h.host);
            w.runner->start();
            h.settle();
            ASSERT_EQ(w.session->reads.asked.size(), 1u) << "the first tick runs at once";
            w.reads.push_back(at());
            ++started;
        }
        h.clock.advance(100ms);
        h.settle();
        for (std::size_t i = 0; i < started; ++i) {
            Watch& w = watches[i];
            if (w.session->reads.asked.size() == w.reads.size()) continue;
            ASSERT_EQ(w.session->reads.asked.size(), w.reads.size() + 1) << "two reads in 100 ms";
            w.reads.push_back(at());
            if (at() > 15s) wakes.insert(at());
        }
    }
    for (const Watch& w : watches) {
        const auto& r = w.reads;
        ASSERT_GE(r.size(), 4u);
        EXPECT_GE(r[1] - r[0], w.pause / 2) << "started at " << r[0].count();
        EXPECT_LT(r[1] - r[0], w.pause * 3 / 2) << "started at " << r[0].count();
        for (std::size_t k = 2; k < r.size(); ++k)
            EXPECT_EQ(r[k] - r[k - 1], w.pause) << "started at " << r[0].count() << ", read at " << r[k].count();
    }
    // Every 5 s from 20 s to 75 s: 12 wakes for all twenty.
    EXPECT_EQ(wakes.size(), 12u) << "the watches read apart";
}

TEST(WatchRunnerLoop, APictureStartedOffTheGridChecksAgainOnTheFirstTickOfTheGrid) {
    for (auto startsAt : {1200ms, 3400ms}) {
        RunnerHarness h;
        const auto origin = h.clock.now();  // on the grid
        h.clock.advance(startsAt);
        h.start(watch(WatchType::anyChange, WatchMode::everyTime));
        ASSERT_EQ(h.captures(), 1u);
        std::vector<std::chrono::milliseconds> checks{startsAt};
        std::size_t seen = h.captures();
        while (h.clock.now() - origin < 26s) {
            h.clock.advance(100ms);
            h.settle();
            if (h.captures() == seen) continue;
            seen = h.captures();
            checks.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(h.clock.now() - origin));
        }
        // The grid instant nearest a pause after the start, then a pause apart.
        std::vector<std::chrono::milliseconds> expected{startsAt};
        for (std::chrono::milliseconds c = startsAt < 2500ms ? 5s : 10s; c <= 26s; c += 5s) expected.push_back(c);
        EXPECT_EQ(checks, expected) << "started at " << startsAt.count();
    }
}

TEST(WatchRunnerLoop, NextTickKeepsThePhaseOfItsPauseAndRestsAfterALongTick) {
    using std::chrono::milliseconds;
    const auto t = [](milliseconds ms) { return std::chrono::steady_clock::time_point(ms); };
    struct Case {
        milliseconds due, ended;
        int pause;
        bool afterStart;
        milliseconds next;
    } cases[] = {
        {10000ms, 10020ms, 5, false, 15000ms},  // a quick tick on the grid: exactly a pause later
        {10000ms, 10999ms, 5, false, 15000ms},
        {10000ms, 13000ms, 5, false, 20000ms},  // a long tick: a pause less one second of rest, on the grid
        {30000ms, 30100ms, 15, false, 45000ms},
        {45000ms, 45100ms, 30, false, 90000ms},  // a pause that grew: its own grid
        {30000ms, 30100ms, 5, false, 35000ms},
        {10000ms, 10100ms, 1, false, 11000ms},
        {10300ms, 10310ms, 5, true, 15000ms},  // after a start: the grid instant nearest a pause later
        {12400ms, 12410ms, 5, true, 15000ms},
        {12500ms, 12510ms, 5, true, 15000ms},
        {12600ms, 12610ms, 5, true, 20000ms},
        {10000ms, 10010ms, 5, true, 15000ms},  // a start on the grid: a pause later
        {31000ms, 31050ms, 15, true, 45000ms},
        {38000ms, 38050ms, 15, true, 60000ms},
        {12400ms, 14000ms, 5, true, 20000ms},  // a long first tick rests half a pause less one second
    };
    for (const Case& c : cases)
        EXPECT_EQ(WatchRunner::nextTick(t(c.due), t(c.ended), std::chrono::seconds(c.pause), c.afterStart), t(c.next))
            << c.due.count() << " " << c.ended.count() << " " << c.pause << " " << c.afterStart;
}

}  // namespace
}  // namespace kestrove
