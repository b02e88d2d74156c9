#include "core/rules/evaluation.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "core/rules/rules.hpp"
#include "support/samples.hpp"

using namespace kestrove;

namespace {

using enum Comparison;
constexpr auto no = std::nullopt;

WatchSpec rule(WatchType type, std::optional<std::string> text = no) {
    WatchSpec s;
    s.type = type;
    s.target.text = std::move(text);
    return s;
}

WatchSpec number(Comparison c, std::optional<double> value, std::optional<ValueUnit> unit = no,
                 std::optional<WatchType> from = no) {
    WatchSpec s = rule(WatchType::numberCompare);
    s.comparator = c;
    s.value = value;
    s.target.unit = unit;
    s.ruleFrom = from;
    return s;
}

// A countdown rule as the rules make it from a first reading; `text` replaces its zeros.
WatchSpec countdown(const std::string& shown, std::optional<std::string> text = no) {
    WatchSpec s = Rules::countdownRule(rule(WatchType::stateReached), shown);
    if (text) s.target.text = text;
    return s;
}

WatchSpec newLines(std::optional<std::vector<std::string>> seen) {
    WatchSpec s = rule(WatchType::newLine);
    s.baseline.lines = std::move(seen);
    return s;
}

Evaluation ev(bool met, std::optional<double> value = no, std::optional<std::string> display = no,
              bool readable = true) {
    return Evaluation{met, value, std::move(display), readable};
}
const Evaluation unreadable = ev(false, no, no, false);
const Evaluation goneUnread = ev(true, no, no, false);

ReadNumber at(double value, std::optional<Anchor> anchor, std::optional<ValueUnit> unit = no) {
    return ReadNumber{value, std::to_string(value), unit, 0, 0, 1, 0, anchor};
}

}  // namespace

TEST(Evaluation, EachKindJudgesTheLinesReadNow) {
    using enum WatchType;
    const WatchSpec percentRule = number(gte, 100, ValueUnit::percent, stateReached);
    const struct {
        WatchSpec spec;
        std::vector<std::string> lines;
        Evaluation expected;
    } rows[] = {
        // Kinds judged elsewhere are never met here.
        {rule(anyChange, "Done"), {"Done", "42"}, ev(false)},
        {rule(stateReached, "Done"), {"Done"}, ev(false)},
        {rule(newItem, "Done"), {"Done"}, ev(false)},
        {rule(textAppears, "sold out"), {"Export finished", "Sold  Out!"}, ev(true)},
        {rule(textAppears, "Ready"), {"Export finished"}, ev(false)},
        {rule(textGone, "EXPORT finished"), {"Export finished"}, ev(false)},
        {rule(textGone, "Exporting…"), {"Export finished"}, ev(true)},
        // A plain text rule never reads a clock as zeros; a countdown rule does.
        {rule(textAppears, "00:00"), {"0:00"}, ev(false)},
        {countdown("0:12"), {"Ends in 0:12"}, ev(false)},
        {countdown("0:12"), {"Ends in 0:00"}, ev(true)},
        {countdown("05:00"), {"Time left 00 : 00"}, ev(true)},  // zeros the clock pattern does not take
        {countdown("10:00"), {"Time left 0:00"}, ev(true)},  // the leading zero dropped on the way down
        // Only the clock the rule was made from, the first, counts: another timer at zero does not.
        {countdown("10:00"), {"started 10:02", "left 0:00"}, ev(false)},
        {countdown("25:00"), {"Work 0:00", "Break 5:00"}, ev(true)},
        // Its clock gone, the countdown is over, though nothing was read.
        {countdown("0:12"), {"Auction closed"}, goneUnread},
        {countdown("0:12"), {}, goneUnread},
        // Only a clock made of zeros stands in for the countdown's own text.
        {countdown("10:00", "Ready"), {"0:00"}, ev(false)},
        {countdown("10:00", "0"), {"Auction closed"}, ev(false)},
        {number(lt, 200), {"Price $1,299.00"}, ev(false, 1299, "1,299.00")},
        {number(lt, 200), {"Price $199.99"}, ev(true, 199.99, "199.99")},
        {number(gte, 50), {"Battery 50.5%"}, ev(true, 50.5, "50.5%")},
        {number(lte, no), {"Queue: 0"}, ev(true, 0, "0")},  // without a value the target is 0
        {number(lt, 5), {"nothing here"}, unreadable},
        // Times in the rule's own unit; currencies of another kind passed over, numbers without a unit not.
        {number(lt, 2, ValueUnit::minutes), {"90 s left"}, ev(true, 1.5, "90 s")},
        {number(lt, 60, ValueUnit::seconds), {"Ends in 1:05 "}, ev(false, 65, "1:05")},
        {number(lt, 100, ValueUnit::eur), {"$80", "120", "90 €"}, ev(false, 120, "120")},
        // A percentage rule of the rules reads only percentages, and is met when the progress is gone;
        // the same rule typed by the user takes numbers without a unit too.
        {percentRule, {"3 of 10", "45%"}, ev(false, 45, "45%")},
        {percentRule, {"100%"}, ev(true, 100, "100%")},
        {percentRule, {"3 of 10"}, goneUnread},
        {number(gte, 100, ValueUnit::percent), {"3 of 10", "45%"}, ev(false, 3, "3")},
        {number(gte, 100, ValueUnit::percent), {"done"}, unreadable},
        // New lines: stored texts compared in their normal form; the first unseen line is shown.
        {newLines(std::vector<std::string>{"anna #:#: hi"}), {"Anna 10:02: hi"}, ev(false)},
        {newLines(std::vector<std::string>{"anna #:#: hi"}), {"Anna 10:02: hi", "Ben 10:05: hello", "Cleo: hey"},
         ev(true, no, "ben #:#: hello")},
        {newLines(no), {"anything"}, ev(true, no, "anything")},
    };
    for (const auto& r : rows)
        EXPECT_EQ(LocalCompiler::evaluate(r.spec, samples::stackedLines(r.lines)), r.expected)
            << rawValue(r.spec.type) << " " << r.spec.target.text.value_or("") << " on "
            << (r.lines.empty() ? "nothing" : r.lines.back());
    // Lines given by the caller replace the stored ones.
    const WatchSpec seen = newLines(std::vector<std::string>{"x"});
    EXPECT_EQ(LocalCompiler::evaluate(seen, samples::stackedLines({"a", "b"}), std::vector<std::string>{"a"}),
              ev(true, no, "b"));
    EXPECT_EQ(LocalCompiler::evaluate(seen, samples::stackedLines({"a"}), std::vector<std::string>{"a"}), ev(false));
}

TEST(Evaluation, PickNumberTakesTheFittingNumberNearestTheAnchor) {
    const Anchor anchor{0.2, 0.5};
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        std::vector<ReadNumber> numbers;
        std::optional<Anchor> anchor;
        std::optional<double> picked;
    } rows[] = {
        {{at(1, Anchor{0.25, 0.5}), at(2, Anchor{0.8, 0.5})}, anchor, 1},
        {{at(1, Anchor{0.25, 0.5}), at(2, Anchor{0.75, 0.5})}, Anchor{0.5, 0.5}, 1},  // a tie keeps the earlier
        {{at(1, no), at(2, Anchor{0.9, 0.9})}, anchor, 2},
        {{at(1, Anchor{0.9, 0.9}), at(2, no)}, anchor, 1},
        {{at(1, no), at(2, Anchor{inf, 0})}, anchor, 1},
        {{at(1, Anchor{0.9, 0.9}), at(2, Anchor{0.2, 0.5})}, no, 1},
        {{}, anchor, no},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        std::optional<ReadNumber> n = LocalCompiler::pickNumber(rows[i].numbers, no, rows[i].anchor);
        EXPECT_EQ(n ? std::optional(n->value) : no, rows[i].picked) << "row " << i;
    }
    // Only numbers that fit the unit: any time unit for a time rule, none for any rule.
    const std::vector<ReadNumber> numbers = {at(1, anchor, ValueUnit::usd), at(2, Anchor{0.9, 0.5}),
                                             at(3, anchor, ValueUnit::seconds),
                                             at(4, Anchor{0.3, 0.5}, ValueUnit::eur)};
    const std::pair<std::optional<ValueUnit>, double> units[] = {
        {no, 1}, {ValueUnit::eur, 4}, {ValueUnit::hours, 3}, {ValueUnit::percent, 2}};
    for (const auto& [unit, value] : units) EXPECT_EQ(LocalCompiler::pickNumber(numbers, unit, anchor)->value, value);
    EXPECT_EQ(LocalCompiler::pickNumber({at(5, no, ValueUnit::gbp)}, ValueUnit::usd, no), no);
}
