#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "core/watch/runtime.hpp"

using namespace kestrove;

TEST(Gates, TriggerGateFiresOncePerMetPeriod) {
    struct Case { const char* what; int required; bool armed; std::vector<bool> met, fires; };
    const Case cases[] = {
        {"fires on the second, then not again until re-armed", 2, true,
         {true, true, true, true, false, true, true}, {false, true, false, false, false, false, true}},
        {"a miss breaks the run", 2, true, {true, false, true}, {false, false, false}},
        {"required 0 behaves as 1", 0, true, {true}, {true}},
        {"negative required behaves as 1", -3, true, {true, true, false, true}, {true, false, false, true}},
        {"made disarmed, must first see a miss", 1, false, {true, true, false, true}, {false, false, false, true}},
    };
    for (const auto& c : cases) {
        TriggerGate g(c.required, c.armed);
        for (std::size_t i = 0; i < c.met.size(); ++i) EXPECT_EQ(g.update(c.met[i]), c.fires[i]) << c.what << " #" << i;
    }
}

TEST(Gates, SettledGateCountsOnlyStillChecksAndStreaksBreak) {
    using Fires = std::vector<bool>;
    // Braced lists run their updates in order.
    SettledGate g(2, true);
    EXPECT_EQ((Fires{g.update(true, true), g.update(true, false), g.update(true, false), g.update(true, false)}),
              (Fires{false, false, true, false}));
    // A change while the condition holds starts the count again: the busy
    // word gone, then the box still moving, needs two still checks after it.
    SettledGate moving(2, true);
    EXPECT_EQ((Fires{moving.update(true, false), moving.update(true, true), moving.update(true, false),
                     moving.update(true, false)}),
              (Fires{false, false, false, true}));
    SettledGate busy(1, true);
    for (int i = 0; i < 50; ++i) EXPECT_FALSE(busy.update(true, true));
    EXPECT_EQ((Fires{busy.update(false, false), busy.update(true, false)}), (Fires{false, true}));
    // A broken streak counts again from nothing, still armed.
    SettledGate s(2, true);
    s.update(true, false);
    s.breakStreak();
    EXPECT_EQ((Fires{s.update(true, false), s.update(true, false)}), (Fires{false, true}));
    TriggerGate disarmed(1, false);
    disarmed.breakStreak();
    EXPECT_FALSE(disarmed.update(true));
    // Marked fired: the event was already barked elsewhere.
    TriggerGate t(2, true);
    t.update(true);
    t.markFired();
    EXPECT_EQ((Fires{t.update(true), t.update(true), t.update(false), t.update(true), t.update(true)}),
              (Fires{false, false, false, false, true}));
    // A new reference re-arms a fired gate at a still check, never a moving one.
    TriggerGate moved(1, true);
    EXPECT_EQ((Fires{moved.settle(false), moved.update(true), moved.settle(true), moved.settle(false),
                     moved.settle(false), moved.update(true)}),
              (Fires{false, true, false, true, false, true}));
}

TEST(CloudDebounceTest, WorkedSequences) {
    using V = CloudVerdict;
    struct Step { double met, obstructed; V verdict; bool recheck, obstructedAfter; };
    struct Case { const char* what; std::vector<Step> steps; };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"two met answers bark, a third waits, a miss re-arms",
         {{0.9, 0.1, V::askAgain, true, false}, {0.9, 0.1, V::bark, false, false},
          {0.9, 0.1, V::notYet, false, false}, {0.5, 0.1, V::notYet, false, false},
          {0.9, 0.1, V::askAgain, true, false}}},
        {"obstruction wins over a met score, twice is lost sight, then clears",
         {{0.9, 0.8, V::askAgain, true, false}, {0.2, 0.75, V::lostSight, false, true},
          {0.9, 0.1, V::askAgain, true, false}, {0.9, 0.1, V::bark, false, false}}},
        {"thresholds are inclusive",
         {{0.85, 0.0, V::askAgain, true, false}, {0.0, 0.7, V::askAgain, true, false},
          {0.0, 0.7, V::lostSight, false, true}}},
        {"a NaN score is neither met nor obstructed",
         {{nan, nan, V::notYet, false, false}, {0.9, nan, V::askAgain, true, false}}},
        {"obstruction resets the met run",
         {{0.9, 0.1, V::askAgain, true, false}, {0.9, 0.9, V::askAgain, true, false},
          {0.9, 0.1, V::askAgain, true, false}, {0.9, 0.1, V::bark, false, false}}},
    };
    for (const auto& c : cases) {
        CloudDebounce d(2, true);
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            EXPECT_EQ(d.record(s.met, s.obstructed), s.verdict) << c.what << " #" << i;
            EXPECT_EQ(d.wantsRecheck(), s.recheck) << c.what << " #" << i;
            EXPECT_EQ(d.obstructed(), s.obstructedAfter) << c.what << " #" << i;
        }
    }
}

TEST(CloudDebounceTest, FailuresTellAtTheThird) {
    CloudDebounce d(1, true);
    EXPECT_FALSE(d.recordFailure());
    EXPECT_FALSE(d.recordFailure());
    EXPECT_FALSE(d.cantReachServer());
    EXPECT_TRUE(d.recordFailure());
    EXPECT_TRUE(d.cantReachServer());
    EXPECT_FALSE(d.recordFailure());
    EXPECT_TRUE(d.cantReachServer());
    d.record(0.1, 0.1);
    EXPECT_FALSE(d.cantReachServer());
    EXPECT_FALSE(d.recordFailure());
}

TEST(PollScheduleTest, SlowsDownForQuietBoxes) {
    const std::pair<double, int> cases[] = {{-10, 5}, {0, 5}, {599.9, 5}, {600, 15}, {3599.9, 15}, {3600, 30}, {1e9, 30}};
    for (auto [quiet, seconds] : cases) EXPECT_EQ(PollSchedule::interval(quiet), seconds) << quiet;
}
