#include <gtest/gtest.h>

#include "support/samples.hpp"

#include "core/windows/direct_decider.hpp"

using namespace kestrove;

namespace {

std::vector<OCRLine> lines(std::initializer_list<std::string> texts) { return samples::textLines(texts); }

DirectAnswer read(std::initializer_list<std::string> texts) { return DirectAnswer::lines(lines(texts)); }
const DirectAnswer silence = DirectAnswer::noAnswer(DirectSilence::timedOut);

WatchSpec spec(WatchType type, int debounce = 2) {
    WatchSpec s;
    s.type = type;
    s.debounceChecks = debounce;
    s.region.window = WindowAnchor{7, "Chat", std::nullopt, 0, 0, 400, 300};
    return s;
}

// Fired flags of a series of answers.
std::vector<bool> fires(DirectDecider& d, const std::vector<DirectAnswer>& answers) {
    std::vector<bool> out;
    for (const DirectAnswer& a : answers) out.push_back(d.take(a).fired);
    return out;
}

}  // namespace

TEST(DirectDecider, SilenceBreaksTheStreakWithoutCounting) {
    WatchSpec s = spec(WatchType::textAppears);
    s.target.text = "Ready";
    DirectDecider d(s, {}, true);
    EXPECT_FALSE(d.take(read({"Ready"})).fired);
    const DirectDecider::Step quiet = d.take(silence);
    EXPECT_EQ(quiet, DirectDecider::Step{});
    ASSERT_TRUE(d.lastEvaluation());
    EXPECT_TRUE(d.lastEvaluation()->met);  // kept from the last counted read
    // The met run starts again from 0 after the silence.
    EXPECT_EQ(fires(d, {read({"Ready"}), read({"Ready"})}), (std::vector<bool>{false, true}));
    // Fired once; stays quiet while met, re-arms on a read that is not met.
    EXPECT_EQ(fires(d, {read({"Ready"}), read({"Busy"}), read({"Ready"}), read({"Ready"})}),
              (std::vector<bool>{false, false, false, true}));

    // Silence does not re-arm a gate that fired.
    WatchSpec quick = s;
    quick.debounceChecks = 1;
    DirectDecider once(quick, {}, true);
    EXPECT_TRUE(once.take(read({"Ready"})).fired);
    EXPECT_EQ(fires(once, {silence, read({"Ready"})}), (std::vector<bool>{false, false}));
    quick.debounceChecks = 0;  // still at least one read
    EXPECT_TRUE(DirectDecider(quick, {}, true).take(read({"Ready"})).fired);
}

TEST(DirectDecider, SilenceBetweenIdenticalReadingsIsNoChange) {
    WatchSpec s = spec(WatchType::textGone);
    s.target.text = "Exporting";
    s.ruleFrom = WatchType::stateReached;  // waits for the box to be still
    DirectDecider d(s, {}, true);
    // First read is a change; the one after the silence is not, so it counts.
    EXPECT_EQ(fires(d, {read({"Done"}), silence, read({"Done"}), read({"Done"})}),
              (std::vector<bool>{false, false, false, true}));
    DirectDecider moving(s, {}, true);
    EXPECT_EQ(fires(moving, {read({"Done 1"}), read({"Done 2"}), read({"Done 3"}), read({"Done 3"}), read({"Done 3"})}),
              (std::vector<bool>{false, false, false, false, true}));
}

TEST(DirectDecider, EveryTimeNewLineReportsEachLineOnce) {
    WatchSpec s = spec(WatchType::newLine);
    s.mode = WatchMode::everyTime;
    DirectDecider d(s, lines({"alice: hi"}), true);
    const DirectDecider::Step first = d.take(read({"alice: hi", "bob: hello"}));
    EXPECT_TRUE(first.counted);
    ASSERT_TRUE(first.evaluation);
    EXPECT_EQ(first.evaluation->display, "bob: hello");
    EXPECT_EQ(fires(d, {read({"alice: hi", "bob: hello"}), read({"alice: hi", "bob: hello"}),
                        read({"alice: hi", "bob: hello"})}),
              (std::vector<bool>{true, false, false}));
    EXPECT_EQ(fires(d, {read({"alice: hi", "bob: hello", "carol: hey"}), read({"alice: hi", "bob: hello", "carol: hey"})}),
              (std::vector<bool>{false, true}));

    // A once watch keeps its baseline: the same new line is met but never fires again.
    WatchSpec o = s;
    o.mode = WatchMode::once;
    DirectDecider onceOnly(o, lines({"alice: hi"}), true);
    EXPECT_EQ(fires(onceOnly, {read({"alice: hi", "bob: hello"}), read({"alice: hi", "bob: hello"}),
                               read({"alice: hi", "bob: hello"})}),
              (std::vector<bool>{false, true, false}));
    EXPECT_TRUE(onceOnly.lastEvaluation()->met);
}

TEST(DirectDecider, MarkFiredFollowsABarkFromThePicture) {
    WatchSpec s = spec(WatchType::newLine);
    s.mode = WatchMode::everyTime;
    DirectDecider d(s, lines({"alice: hi"}), true);
    EXPECT_FALSE(d.take(read({"alice: hi", "bob: hello"})).fired);
    d.markFired();
    // The line the picture already reported is not new any more.
    EXPECT_FALSE(d.take(read({"alice: hi", "bob: hello"})).evaluation->met);
    EXPECT_EQ(fires(d, {read({"alice: hi", "bob: hello", "carol: hey"}), read({"alice: hi", "bob: hello", "carol: hey"})}),
              (std::vector<bool>{false, true}));

    // Marked before any read: the baseline stays, the gate waits for a read that is not met.
    DirectDecider fresh(s, lines({"alice: hi"}), true);
    fresh.markFired();
    EXPECT_EQ(fires(fresh, {read({"alice: hi", "bob: hello"}), read({"alice: hi", "bob: hello"})}),
              (std::vector<bool>{false, false}));
    DirectDecider disarmed(s, lines({"alice: hi"}), false);
    EXPECT_EQ(fires(disarmed, {read({"alice: hi", "bob: hello"}), read({"alice: hi"}), read({"alice: hi", "x"}),
                               read({"alice: hi", "x"})}),
              (std::vector<bool>{false, false, false, true}));
}
