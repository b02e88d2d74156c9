#include "core/rules/evaluation.hpp"

#include <gtest/gtest.h>

#include "support/samples.hpp"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/rules/new_line_rule.hpp"
#include "core/rules/rules.hpp"

using namespace kestrove;

namespace {

std::vector<OCRLine> lines(const std::vector<std::string>& texts) { return samples::stackedLines(texts); }

WatchSpec rule(WatchType type) {
    WatchSpec s;
    s.id = "w_TEST01";
    s.type = type;
    return s;
}

WatchSpec rule(WatchType type, const std::string& text) {
    WatchSpec s = rule(type);
    s.target.text = text;
    return s;
}

WatchSpec numberRule(Comparison c, double value, std::optional<ValueUnit> unit = std::nullopt,
                     std::optional<Anchor> anchor = std::nullopt) {
    WatchSpec s = rule(WatchType::numberCompare);
    s.comparator = c;
    s.value = value;
    s.target.description = "number";
    s.target.unit = unit;
    s.target.anchor = anchor;
    return s;
}

ReadNumber at(double value, std::optional<Anchor> anchor, std::optional<ValueUnit> unit = std::nullopt) {
    ReadNumber n;
    n.value = value;
    n.text = std::to_string(value);
    n.unit = unit;
    n.anchor = anchor;
    return n;
}

Evaluation ev(bool met, std::optional<double> value = std::nullopt, std::optional<std::string> display = std::nullopt,
              bool readable = true) {
    Evaluation e;
    e.met = met;
    e.value = value;
    e.display = std::move(display);
    e.readable = readable;
    return e;
}

// A countdown rule as the rules make it from a first reading.
WatchSpec countdownFrom(const std::string& shown) {
    WatchSpec base = rule(WatchType::stateReached);
    base.command = "the timer runs out";
    return Rules::countdownRule(base, shown);
}

}  // namespace

TEST(Evaluation, KindsJudgedElsewhereAreNeverMet) {
    for (WatchType t : {WatchType::anyChange, WatchType::stateReached, WatchType::newItem})
        EXPECT_EQ(LocalCompiler::evaluate(rule(t, "Done"), lines({"Done", "42"})), Evaluation{}) << rawValue(t);
}

TEST(Evaluation, TextRulesAskWhetherTheTextIsThere) {
    const auto shown = lines({"Export finished", "Sold  Out!"});
    EXPECT_TRUE(LocalCompiler::evaluate(rule(WatchType::textAppears, "sold out"), shown).met);
    EXPECT_FALSE(LocalCompiler::evaluate(rule(WatchType::textAppears, "Ready"), shown).met);
    EXPECT_FALSE(LocalCompiler::evaluate(rule(WatchType::textGone, "EXPORT finished"), shown).met);
    EXPECT_TRUE(LocalCompiler::evaluate(rule(WatchType::textGone, "Exporting…"), shown).met);
    // A plain text rule without a source never reads a clock as zeros.
    EXPECT_EQ(LocalCompiler::evaluate(rule(WatchType::textAppears, "00:00"), lines({"0:00"})), Evaluation{});
    EXPECT_TRUE(LocalCompiler::evaluate(rule(WatchType::textAppears, "Ready"), shown).readable);
}

TEST(Evaluation, CountdownRuleIsMetByZerosOrWhenItsClockIsGone) {
    struct Row {
        std::string shownFirst;
        std::vector<std::string> now;
        bool met, readable;
    };
    const std::vector<Row> rows = {
        {"0:12", {"Ends in 0:12"}, false, true},
        {"0:12", {"Ends in 0:00"}, true, true},
        {"0:12", {"Auction closed"}, true, false},
        {"0:12", {}, true, false},
        {"05:00", {"Time left 04:59"}, false, true},
        {"05:00", {"Time left 00:00"}, true, true},
        {"05:00", {"Time left 00 : 00"}, true, true},
        // A clock that drops its leading zero still ends on zeros.
        {"10:00", {"Time left 0:00"}, true, true},
        {"10:00", {"Time left 0:01"}, false, true},
        {"1:00:00", {"0:00"}, true, true},
        {"0:12", {"Ends in 00:00"}, true, true},
        {"10:00", {"Round 2 of 3", "Next 00:00:00"}, true, true},
        // Only the clock the rule was made from, the first, counts: another
        // timer already at zero does not.
        {"25:00", {"Work 24:59", "Break 0:00"}, false, true},
        {"25:00", {"Work 0:00", "Break 5:00"}, true, true},
    };
    for (const Row& r : rows) {
        const WatchSpec spec = countdownFrom(r.shownFirst);
        const Evaluation e = LocalCompiler::evaluate(spec, lines(r.now));
        EXPECT_EQ(e.met, r.met) << r.shownFirst << " then " << (r.now.empty() ? "" : r.now.back());
        EXPECT_EQ(e.readable, r.readable) << r.shownFirst << " then " << (r.now.empty() ? "" : r.now.back());
        EXPECT_EQ(e.value, std::nullopt);
        EXPECT_EQ(e.display, std::nullopt);
    }
    // The rule's stored form is the zero text of what was shown, unchanged.
    EXPECT_EQ(countdownFrom("10:00").target.text, "00:00");

    // Only a clock made of zeros stands in for the countdown's own text.
    WatchSpec notZeros = countdownFrom("10:00");
    notZeros.target.text = "Ready";
    EXPECT_FALSE(LocalCompiler::evaluate(notZeros, lines({"0:00"})).met);
    WatchSpec noClock = countdownFrom("10:00");
    noClock.target.text = "0";
    EXPECT_FALSE(LocalCompiler::evaluate(noClock, lines({"Auction closed"})).met);
}

TEST(Evaluation, NumberRulesCompareTheNumberRead) {
    struct Row {
        Comparison c;
        double target;
        std::string line;
        bool met;
        double value;
        std::string display;
    };
    const std::vector<Row> rows = {
        {Comparison::lt, 200, "Price $1,299.00", false, 1299, "1,299.00"},
        {Comparison::lt, 200, "Price $199.99", true, 199.99, "199.99"},
        {Comparison::lte, 200, "200", true, 200, "200"},
        {Comparison::gt, 50, "Battery 50%", false, 50, "50%"},
        {Comparison::gte, 50, "Battery 50.5%", true, 50.5, "50.5%"},
        {Comparison::eq, 5, "5.00005", true, 5.00005, "5.00005"},
        {Comparison::eq, 5, "5.0002", false, 5.0002, "5.0002"},
        {Comparison::none, 5, "5", false, 5, "5"},
    };
    for (const Row& r : rows) {
        const Evaluation e = LocalCompiler::evaluate(numberRule(r.c, r.target), lines({r.line}));
        EXPECT_EQ(e.met, r.met) << r.line;
        EXPECT_TRUE(e.readable) << r.line;
        ASSERT_TRUE(e.value) << r.line;
        EXPECT_DOUBLE_EQ(*e.value, r.value) << r.line;
        EXPECT_EQ(e.display, r.display) << r.line;
    }
    // Without a value the target is 0.
    WatchSpec noValue = numberRule(Comparison::lte, 0);
    noValue.value.reset();
    EXPECT_TRUE(LocalCompiler::evaluate(noValue, lines({"Queue: 0"})).met);
    EXPECT_EQ(LocalCompiler::evaluate(numberRule(Comparison::lt, 5), lines({"nothing here"})),
              ev(false, std::nullopt, std::nullopt, false));
}

TEST(Evaluation, NumberRulesReadTimesInTheirOwnUnit) {
    const Evaluation e = LocalCompiler::evaluate(numberRule(Comparison::lt, 2, ValueUnit::minutes), lines({"90 s left"}));
    EXPECT_TRUE(e.met);
    EXPECT_DOUBLE_EQ(*e.value, 1.5);
    EXPECT_EQ(e.display, "90 s");

    const Evaluation clock = LocalCompiler::evaluate(numberRule(Comparison::lt, 60, ValueUnit::seconds), lines({"Ends in 1:05 "}));
    EXPECT_FALSE(clock.met);
    EXPECT_DOUBLE_EQ(*clock.value, 65);
    EXPECT_EQ(clock.display, "1:05");

    // Currencies of another kind are passed over; numbers without a unit are not.
    const Evaluation eur = LocalCompiler::evaluate(numberRule(Comparison::lt, 100, ValueUnit::eur), lines({"$80", "120", "90 €"}));
    EXPECT_DOUBLE_EQ(*eur.value, 120);
    EXPECT_FALSE(eur.met);
}

TEST(Evaluation, PercentageRuleFromTheRulesReadsOnlyPercentages) {
    WatchSpec spec = numberRule(Comparison::gte, 100, ValueUnit::percent);
    spec.ruleFrom = WatchType::stateReached;
    const Evaluation e = LocalCompiler::evaluate(spec, lines({"3 of 10", "45%"}));
    EXPECT_EQ(e, ev(false, 45, "45%"));
    EXPECT_EQ(LocalCompiler::evaluate(spec, lines({"100%"})), ev(true, 100, "100%"));
    // The progress text is gone: the work is done, but nothing was read.
    EXPECT_EQ(LocalCompiler::evaluate(spec, lines({"3 of 10"})), ev(true, std::nullopt, std::nullopt, false));

    // The same rule typed by the user takes numbers without a unit too, and is not met when none is read.
    spec.ruleFrom.reset();
    EXPECT_DOUBLE_EQ(*LocalCompiler::evaluate(spec, lines({"3 of 10", "45%"})).value, 3);
    EXPECT_EQ(LocalCompiler::evaluate(spec, lines({"done"})), ev(false, std::nullopt, std::nullopt, false));
}

TEST(Evaluation, NewLineRuleReportsTheFirstUnseenLine) {
    WatchSpec spec = rule(WatchType::newLine);
    spec.baseline.lines = std::vector<std::string>{"anna #:#: hi"};
    EXPECT_EQ(LocalCompiler::evaluate(spec, lines({"Anna 10:02: hi"})), Evaluation{});
    EXPECT_EQ(LocalCompiler::evaluate(spec, lines({"Anna 10:02: hi", "Ben 10:05: hello", "Cleo: hey"})),
              ev(true, std::nullopt, "ben #:#: hello"));
    // Lines given by the caller replace the stored ones.
    EXPECT_EQ(LocalCompiler::evaluate(spec, lines({"a", "b"}), std::vector<std::string>{"a"}),
              ev(true, std::nullopt, "b"));
    EXPECT_EQ(LocalCompiler::evaluate(spec, lines({"a"}), std::vector<std::string>{"a"}), Evaluation{});
    spec.baseline.lines.reset();
    EXPECT_EQ(LocalCompiler::evaluate(spec, lines({"anything"})), ev(true, std::nullopt, "anything"));
}

TEST(Evaluation, PickNumberTakesTheFittingNumberNearestTheAnchor) {
    const Anchor anchor{0.2, 0.5};
    struct Row {
        std::vector<ReadNumber> numbers;
        std::optional<Anchor> anchor;
        std::optional<double> picked;
    };
    const std::vector<Row> rows = {
        {{at(1, Anchor{0.25, 0.5}), at(2, Anchor{0.8, 0.5})}, anchor, 1},
        {{at(1, Anchor{0.8, 0.5}), at(2, Anchor{0.25, 0.5})}, anchor, 2},
        {{at(1, Anchor{0.25, 0.5}), at(2, Anchor{0.75, 0.5})}, Anchor{0.5, 0.5}, 1},  // a tie keeps the earlier
        {{at(1, std::nullopt), at(2, Anchor{0.9, 0.9})}, anchor, 2},
        {{at(1, Anchor{0.9, 0.9}), at(2, std::nullopt)}, anchor, 1},
        {{at(1, std::nullopt), at(2, std::nullopt)}, anchor, 1},
        {{at(1, std::nullopt), at(2, Anchor{std::numeric_limits<double>::infinity(), 0})}, anchor, 1},
        {{at(1, Anchor{0.9, 0.9}), at(2, Anchor{0.2, 0.5})}, std::nullopt, 1},
        {{}, anchor, std::nullopt},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::optional<ReadNumber> n = LocalCompiler::pickNumber(rows[i].numbers, std::nullopt, rows[i].anchor);
        EXPECT_EQ(n ? std::optional(n->value) : std::nullopt, rows[i].picked) << "row " << i;
    }
}

TEST(Evaluation, PickNumberKeepsOnlyNumbersThatFitTheUnit) {
    const std::vector<ReadNumber> numbers = {at(1, Anchor{0.2, 0.5}, ValueUnit::usd), at(2, Anchor{0.9, 0.5}),
                                             at(3, Anchor{0.2, 0.5}, ValueUnit::seconds),
                                             at(4, Anchor{0.3, 0.5}, ValueUnit::eur)};
    auto picked = [&](std::optional<ValueUnit> unit) {
        std::optional<ReadNumber> n = LocalCompiler::pickNumber(numbers, unit, Anchor{0.2, 0.5});
        return n ? std::optional(n->value) : std::nullopt;
    };
    EXPECT_EQ(picked(std::nullopt), 1);
    EXPECT_EQ(picked(ValueUnit::eur), 4);
    EXPECT_EQ(picked(ValueUnit::hours), 3);
    EXPECT_EQ(picked(ValueUnit::percent), 2);
    EXPECT_EQ(LocalCompiler::pickNumber({at(5, std::nullopt, ValueUnit::gbp)}, ValueUnit::usd, std::nullopt), std::nullopt);
}
