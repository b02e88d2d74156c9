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
    // A line that came right after the bark is the baseline once the text
    // kept still for a read; the line after it fires.
    EXPECT_EQ(fires(d, {read({"bob: hello", "carol: hey", "dave: yo"}), read({"bob: hello", "carol: hey", "dave: yo"}),
                        read({"carol: hey", "dave: yo", "erin: hm"}), read({"carol: hey", "dave: yo", "erin: hm"})}),
              (std::vector<bool>{false, false, false, true}));

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

TEST(DirectDecider, ABarkThatRestsOnMissingTextWaitsForThePicture) {
    // A text_gone watch: the direct reading loses "Exporting" while the
    // picture of the box still shows it (a widened dialog moved the label).
    WatchSpec gone = spec(WatchType::textGone, 1);
    gone.target.text = "Exporting";
    DirectDecider d(gone, {}, true);
    ASSERT_FALSE(d.take(read({"Exporting 42 photos"})).fired);
    ASSERT_TRUE(d.take(read({})).fired);
    EXPECT_TRUE(d.needsPicture());
    EXPECT_FALSE(d.confirm(lines({"Exporting 42 photos"})));
    EXPECT_FALSE(d.needsPicture());
    // No picture at all proves nothing either.
    ASSERT_TRUE(d.take(read({"Cancel"})).fired);  // armed again by the refusal
    EXPECT_FALSE(d.confirm(std::nullopt));
    // Once the picture agrees the text is gone, the watch barks, once.
    ASSERT_TRUE(d.take(read({})).fired);
    EXPECT_TRUE(d.confirm(lines({"Done"})));
    EXPECT_FALSE(d.take(read({})).fired);
    EXPECT_TRUE(d.confirm(std::nullopt));  // nothing pending: nothing to refuse

    // The same holds through the settled gate of a watch that waits for stillness.
    WatchSpec still = gone;
    still.ruleFrom = WatchType::textGone;
    DirectDecider s(still, {}, true);
    ASSERT_FALSE(s.take(read({})).fired);  // a change: the count starts again
    ASSERT_TRUE(s.take(read({})).fired);
    EXPECT_FALSE(s.confirm(lines({"Exporting"})));
    EXPECT_TRUE(s.take(read({})).fired);
}

TEST(DirectDecider, ABarkOnWhatWasReadNeedsNoPicture) {
    struct Case {
        const char* what;
        WatchSpec watch;
        std::vector<DirectAnswer> answers;
        bool needsPicture;
    };
    WatchSpec price = spec(WatchType::numberCompare, 1);
    price.comparator = Comparison::lt;
    price.value = 200;
    WatchSpec appears = spec(WatchType::textAppears, 1);
    appears.target.text = "Ready";
    // A percentage rule is met when its percentage is gone: that rests on absence.
    WatchSpec percent = spec(WatchType::numberCompare, 1);
    percent.comparator = Comparison::gte;
    percent.value = 100;
    percent.target.unit = ValueUnit::percent;
    percent.ruleFrom = WatchType::numberCompare;
    for (const Case& c : std::vector<Case>{
             {"a price read below the limit", price, {read({"Total: 189.00"})}, false},
             {"a text that appeared", appears, {read({"Ready"})}, false},
             {"a percentage that vanished", percent, {read({"Copying 45%"}), read({"Copying"})}, true},
         }) {
        DirectDecider d(c.watch, {}, true);
        bool fired = false;
        for (const DirectAnswer& a : c.answers) fired = d.take(a).fired;
        ASSERT_TRUE(fired) << c.what;
        EXPECT_EQ(d.needsPicture(), c.needsPicture) << c.what;
        // A bark from the picture clears any check still pending.
        d.markFired();
        EXPECT_FALSE(d.needsPicture()) << c.what;
    }
}
