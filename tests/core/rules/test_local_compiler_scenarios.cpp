// Realistic sentences over realistic boxes: what each compiles to, and how the
// rule it makes judges the box's later readings.
#include "core/rules/evaluation.hpp"
#include "core/rules/local_compiler.hpp"
#include "support/compile_agreement.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace kestrove;
using Kind = CompileOutcome::Kind;

namespace {

using enum WatchType;
using enum Comparison;
constexpr auto none_ = std::nullopt;

std::vector<OCRLine> linesOf(const std::vector<std::string>& texts) {
    std::vector<OCRLine> lines;
    double y = 0.05;
    for (const std::string& t : texts) {
        lines.push_back(OCRLine{t, NormRect{0.05, y, 0.9, 0.12}, 0.95});
        y += 0.15;
    }
    return lines;
}

struct Expected {
    Kind kind;
    WatchType type;
    Comparison comparator;
    std::optional<double> value;
    std::optional<ValueUnit> unit;
    std::optional<std::string> text;
    std::optional<double> currentValue;
    std::optional<std::string> currentDisplay;
    bool currentlyMet;
};

struct Later {
    std::vector<std::string> lines;
    bool met;
    bool readable = true;
};

struct Scenario {
    std::string sentence;
    std::vector<std::string> box;
    Expected expected;
    std::vector<Later> later = {};
    // Two or more numbers could be meant: how many are offered, and which one the user picks.
    std::size_t offered = 0;
    std::size_t picked = 0;
};

std::string describe(const Later& l) {
    std::string s;
    for (const std::string& t : l.lines) s += "[" + t + "]";
    return s.empty() ? "(nothing read)" : s;
}

void run(const Scenario& sc) {
    SCOPED_TRACE("'" + sc.sentence + "'");
    const BaselineReading reading(linesOf(sc.box));
    const WatchRegion region{1, 100, 80, 320, 140, 1, std::nullopt};
    const Date now = std::chrono::system_clock::from_time_t(1'800'000'000);
    auto ids = [] { return std::string("w_ALT001"); };

    CompileOutcome o = LocalCompiler::compile(sc.sentence, reading, region, std::nullopt, "w_FIRST1", now, ids);
    if (sc.offered > 0) {
        ASSERT_EQ(o.kind(), Kind::whichNumber);
        const auto& candidates = o.as<CompileOutcome::WhichNumber>()->candidates;
        ASSERT_EQ(candidates.size(), sc.offered);
        o = LocalCompiler::compile(sc.sentence, reading, region, candidates[sc.picked], "w_FIRST1", now, ids);
    }

    const Expected& e = sc.expected;
    ASSERT_EQ(o.kind(), e.kind);
    const WatchSpec* spec = o.spec();
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(spec->type, e.type);
    EXPECT_EQ(spec->comparator, e.comparator);
    EXPECT_EQ(spec->value, e.value);
    EXPECT_EQ(spec->target.unit, e.unit);
    EXPECT_EQ(spec->target.text, e.text);
    EXPECT_EQ(spec->baseline.currentValue, e.currentValue);
    EXPECT_EQ(spec->baseline.currentDisplay, e.currentDisplay);
    EXPECT_EQ(spec->baseline.currentlyMet, e.currentlyMet);
    if (const auto* t = o.as<CompileOutcome::AlreadyTrue>()) {
        EXPECT_EQ(t->fallback.type, anyChange);
        EXPECT_EQ(t->fallback.id, "w_ALT001");
    }

    for (const Later& l : sc.later) {
        Evaluation ev = LocalCompiler::evaluate(*spec, linesOf(l.lines));
        EXPECT_EQ(ev.met, l.met) << describe(l);
        EXPECT_EQ(ev.readable, l.readable) << describe(l);
    }
}

}  // namespace

TEST(CompileScenarios, PricesWithCurrencies) {
    const std::vector<Scenario> scenarios = {
        {"Bark when the price drops below 200 €!", {"Wireless Headphones", "Price 249,99 €", "In stock"},
         {Kind::confirm, numberCompare, lt, 200, ValueUnit::eur, none_, 249.99, "249.99", false},
         {{{"Wireless Headphones", "Price 189,00 €"}, true}, {{"Price 210,50 €"}, false}, {{"Sold out"}, false, false}}},
        // "Subtotal" mentions the subject too, so the user picks the total.
        {"tell me when the total is under $50", {"Subtotal $62.40", "Shipping $4.99", "Total $67.39"},
         {Kind::confirm, numberCompare, lt, 50, ValueUnit::usd, none_, 67.39, "67.39", false},
         {{{"Subtotal $45.00", "Shipping $4.99", "Total $49.99"}, true}, {{"Subtotal $62.40", "Shipping $4.99", "Total $67.39"}, false}},
         3, 2},
        {"the price drops below 100", {"Price 120 €", "Qty 3"},
         {Kind::confirm, numberCompare, lt, 100, ValueUnit::eur, none_, 120, "120", false},
         {{{"Price 95 €", "Qty 3"}, true}, {{"Price 101 €", "Qty 1"}, false}}},
        {"the price drops below 100", {"Was 150 €", "Now 120 €"},
         {Kind::confirm, numberCompare, lt, 100, ValueUnit::eur, none_, 120, "120", false},
         {{{"Was 150 €", "Now 99 €"}, true}, {{"Was 99 €", "Now 120 €"}, false}}, 2, 1},
        {"when it is cheaper than £20", {"Paperback £18.50"},
         {Kind::alreadyTrue, numberCompare, lt, 20, ValueUnit::gbp, none_, 18.5, "18.50", true}},
        {"the fare is at most 1.200 EUR", {"Madrid → Lisbon", "from 1.349 €"},
         {Kind::confirm, numberCompare, lte, 1200, ValueUnit::eur, none_, 1349, "1,349", false},
         {{{"Madrid → Lisbon", "from 1.199 €"}, true}}},
    };
    for (const Scenario& s : scenarios) run(s);
}

TEST(CompileScenarios, CountdownsAndTimes) {
    const std::vector<Scenario> scenarios = {
        {"when the countdown hits zero", {"Offer ends in", "04:59"},
         {Kind::confirm, textAppears, none, none_, none_, "00:00", none_, "04:59", false},
         {{{"Offer ends in", "03:12"}, false}, {{"Offer ends in", "00:00"}, true}, {{"Offer expired"}, true, false}, {{}, true, false}}},
        // A state sentence the countdown rule stands in for.
        {"when the timer is over", {"Time left 04:59"},
         {Kind::confirm, textAppears, none, none_, none_, "00:00", none_, "04:59", false},
         {{{"Time left 00:00"}, true}, {{"Time left 01:00"}, false}}},
        // The clock drops its leading zero on the way down and ends on "0:00".
        {"when the timer hits zero", {"Pomodoro", "10:00"},
         {Kind::confirm, textAppears, none, none_, none_, "00:00", none_, "10:00", false},
         {{{"Pomodoro", "9:59"}, false}, {{"Pomodoro", "0:01"}, false}, {{"Pomodoro", "0:00"}, true}}},
        {"when the timer hits zero", {"00:00"},
         {Kind::alreadyTrue, textAppears, none, none_, none_, "00:00", none_, "00:00", true}},
        {"less than 2 minutes left", {"Time remaining: 5:30"},
         {Kind::confirm, numberCompare, lt, 2, ValueUnit::minutes, none_, 5.5, "5:30", false},
         {{{"Time remaining: 1:45"}, true}, {{"Time remaining: 2:00"}, false}, {{"Time remaining: 90 sec"}, true}, {{"Done"}, false, false}}},
        {"when the ETA is under 10 min", {"ETA 1 hour 5 minutes"},
         {Kind::confirm, numberCompare, lt, 10, ValueUnit::minutes, none_, 65, "1 hour 5 minutes", false},
         {{{"ETA 8 minutes"}, true}}},
    };
    for (const Scenario& s : scenarios) run(s);
}

TEST(CompileScenarios, ProgressCountersAndPercentages) {
    const std::vector<Scenario> scenarios = {
        {"when the upload is done", {"Uploaded 12 of 40 files"},
         {Kind::confirm, numberCompare, gte, 40, none_, none_, 12, "12", false},
         {{{"Uploaded 40 of 40 files"}, true}, {{"Uploaded 13 of 40 files"}, false}, {{"Upload paused"}, true, false}}},
        {"when it reaches 100%", {"Progress 45%"},
         {Kind::confirm, numberCompare, gte, 100, ValueUnit::percent, none_, 45, "45%", false},
         {{{"Progress 100%"}, true}, {{"Progress 99.5%"}, false}, {{"Finishing up"}, false, false}}},
        // The percentage is the only number in the percent unit.
        {"it reaches 100%", {"3 of 10", "45%"},
         {Kind::confirm, numberCompare, gte, 100, ValueUnit::percent, none_, 45, "45%", false},
         {{{"10 of 10", "100%"}, true}}},
        {"when the battery is above 80%", {"Battery 64%", "Charging"},
         {Kind::confirm, numberCompare, gt, 80, ValueUnit::percent, none_, 64, "64%", false},
         {{{"Battery 81%", "Charging"}, true}, {{"Battery 80%", "Charging"}, false}}},
        // Two numbers; the user picks the position, which then must come down.
        {"when the queue position reaches 5", {"Your position in queue: 12", "Estimated wait 8 min"},
         {Kind::confirm, numberCompare, lte, 5, none_, none_, 12, "12", false},
         {{{"Your position in queue: 4", "Estimated wait 3 min"}, true}, {{"Your position in queue: 6", "Estimated wait 4 min"}, false}},
         2, 0},
        {"it reaches 50", {"80"}, {Kind::confirm, numberCompare, lte, 50, none_, none_, 80, "80", false}, {{{"50"}, true}}},
        {"below 200", {"150"}, {Kind::alreadyTrue, numberCompare, lt, 200, none_, none_, 150, "150", true}},
    };
    for (const Scenario& s : scenarios) run(s);
}

TEST(CompileScenarios, TextGoneAndAppearing) {
    const std::vector<Scenario> scenarios = {
        {"Exporting is gone", {"Exporting\u2026 42%"},
         {Kind::confirm, textGone, none, none_, none_, "Exporting", none_, none_, false},
         {{{"Export complete"}, true}, {{"Exporting\u2026 80%"}, false}}},
        {"\u201CSold out\u201D is gone", {"SOLD", "OUT"},
         {Kind::confirm, textGone, none, none_, none_, "Sold out", none_, none_, false},
         {{{"Add to cart"}, true}, {{"Sold out"}, false}}},
        {"\"Exporting\" is gone", {"Export complete"},
         {Kind::alreadyTrue, textGone, none, none_, none_, "Exporting", none_, none_, true}},
        // The stripped wording "Error not found" is not what the box shows.
        {"the error is gone", {"Error 404 not found"},
         {Kind::confirm, textGone, none, none_, none_, "Error 404 not found", none_, none_, false},
         {{{"Error 404 not found"}, false}, {{"Welcome back"}, true}}},
        // The box's own line stands in for "it": the rule waits for that line
        // to go, not for its numbers to move.
        {"it is gone", {"Uploading 3 of 12 files"},
         {Kind::confirm, textGone, none, none_, none_, "Uploading 3 of 12 files", none_, none_, false},
         {{{"Uploading 4 of 12 files"}, false}, {{"Upload complete"}, true}}},
        {"the error is gone", {"Error 404 not found"},
         {Kind::confirm, textGone, none, none_, none_, "Error 404 not found", none_, none_, false},
         {{{"Error 500 not found"}, false}, {{"Error 500"}, true}}},
        // A text the sentence names is exact: a new number is another text.
        {"\"Error 404\" is gone", {"Error 404 not found"},
         {Kind::confirm, textGone, none, none_, none_, "Error 404", none_, none_, false},
         {{{"Error 500 not found"}, true}}},
        {"when the download is done", {"Downloading 3 files", "Installing"},
         {Kind::confirm, textGone, none, none_, none_, "Downloading", none_, none_, false},
         {{{"Installing"}, true}, {{"Downloading 2 files", "Installing"}, false}}},
        {"Done appears", {"Rendering frame 12 of 240"},
         {Kind::confirm, textAppears, none, none_, none_, "Done", none_, none_, false},
         {{{"Done"}, true}, {{"Rendering frame 13 of 240"}, false}}},
        // Not a watch for "up", which "Setup" and "Upload" would satisfy.
        {"Ready shows up", {"Setup", "Uploading build"},
         {Kind::confirm, textAppears, none, none_, none_, "Ready", none_, none_, false},
         {{{"Upload finished", "Setup"}, false}, {{"Ready"}, true}}},
        {"it says \"Delivered\"", {"Out for delivery"},
         {Kind::confirm, textAppears, none, none_, none_, "Delivered", none_, none_, false},
         {{{"Delivered today"}, true}}},
        {"it says it's ready", {"Preparing"},
         {Kind::confirm, textAppears, none, none_, none_, "it's ready", none_, none_, false},
         {{{"It's ready"}, true}, {{"It is not ready"}, false}}},
        {"\"Done\" appears", {"Status: Done"},
         {Kind::alreadyVisible, textAppears, none, none_, none_, "Done", none_, none_, true}},
    };
    for (const Scenario& s : scenarios) run(s);
}

TEST(CompileScenarios, NewChatLinesAndModelKinds) {
    const std::vector<Scenario> scenarios = {
        {"someone replies", {"Anna: are you there?", "Me: one sec"},
         {Kind::confirm, newLine, none, none_, none_, none_, none_, "2 lines", false},
         {{{"Anna: are you there?", "Me: one sec", "Anna: ok thanks"}, true}, {{"Anna: are you there?", "Me: one sec"}, false}}},
        {"a new message arrives", {}, {Kind::needsJudge, newItem, none, none_, none_, none_, none_, none_, false}},
        {"when the build is green", {"Build #2211 running"},
         {Kind::needsJudge, stateReached, none, none_, none_, none_, none_, none_, false}},
        {"this changes", {"Dashboard"}, {Kind::confirm, anyChange, none, none_, none_, none_, none_, none_, false},
         {{{"Dashboard 2"}, false}}},
    };
    for (const Scenario& s : scenarios) run(s);
}

TEST(CompileScenarios, VagueSentencesGetExamples) {
    struct Case {
        std::string sentence;
        std::vector<std::string> box;
        std::vector<std::string> examples;
    };
    const std::vector<Case> cases = {
        {"hmm", {"Uploading\u2026"}, {"this changes", "\"Uploading\u2026\" is gone", "the number drops below 100"}},
        {"do your thing", {"Battery 64%"}, {"this changes", "it says \"Done\"", "it reaches 100%"}},
        {"when?", {}, {"this changes", "it says \"Done\"", "the number drops below 100"}},
        // Not a watch for the letters "it", which "Edit" would satisfy.
        {"when it appears", {"Edit profile"}, {"this changes", "\"Edit profile\" is gone", "the number drops below 100"}},
    };
    for (const Case& c : cases) {
        CompileOutcome o = LocalCompiler::compile(c.sentence, BaselineReading(linesOf(c.box)), WatchRegion{}, std::nullopt, "w_X",
                                                  Date{}, [] { return std::string("w_Y"); });
        ASSERT_EQ(o.kind(), Kind::tooVague) << c.sentence;
        EXPECT_EQ(o.as<CompileOutcome::TooVague>()->examples, c.examples) << c.sentence;
    }
}

// Whatever a sentence compiles to, the rule judges the reading it was made
// from as the compiler did: a watch confirmed as not met yet does not bark at
// once, one already true is met, and every number offered can be read.
TEST(CompileScenarios, CompilerAndEvaluationAgreeOnTheFirstReading) {
    struct Pair {
        std::string sentence;
        std::vector<std::string> box;
        Kind kind;
    };
    const std::vector<Pair> pairs = {
        {"the price drops below 200 €", {"Price 249,99 €"}, Kind::confirm},
        {"below 200", {"150"}, Kind::alreadyTrue},
        {"price drops below 100", {"Was 150 €", "Now 120 €"}, Kind::whichNumber},
        {"the price drops below 100 €", {"Discount 20%"}, Kind::notVisible},
        {"the price drops below 100 €", {"Discount 20%", "Price 120 €"}, Kind::confirm},
        {"when the queue position reaches 5", {"Your position in queue: 12", "Estimated wait 8 min"}, Kind::whichNumber},
        {"less than 2 minutes left", {"Time remaining: 5:30", "Step 2 of 3"}, Kind::confirm},
        {"when the timer hits zero", {"Work 25:00", "Break 0:00"}, Kind::confirm},
        {"when the timer hits zero", {"Break 0:00", "Work 25:00"}, Kind::alreadyTrue},
        {"when the countdown is over", {"Round 1", "Next in 00:10", "Last 00:00"}, Kind::confirm},
        {"when the countdown is over", {"Next in 00:00"}, Kind::alreadyTrue},
        {"when the upload is done", {"Uploaded 12 of 40 files", "Elapsed 1:02"}, Kind::confirm},
        {"when it reaches 100%", {"Battery 20%", "Progress 100%"}, Kind::whichNumber},
        {"when the export is done", {"Exporting\u2026 42%"}, Kind::confirm},
        {"\"Done\" appears", {"Status: Done"}, Kind::alreadyVisible},
        {"\"Done\" appears", {"Status: running"}, Kind::confirm},
        {"\"Error\" is gone", {"All good"}, Kind::alreadyTrue},
        {"the error is gone", {"Error 404 not found"}, Kind::confirm},
        {"the error is gone", {"==================================== FAILURES ===="}, Kind::confirm},
        {"it is gone", {"Uploading 3 of 12 files"}, Kind::confirm},
        {"it is gone", {"\u2014\u2014", "\u2022\u2022\u2022"}, Kind::noText},
        {"someone replies", {"Anna: are you there?", "12:30"}, Kind::confirm},
        {"when the build is green", {"Build #2211 running"}, Kind::needsJudge},
        {"this changes", {"Dashboard"}, Kind::confirm},
        {"hmm", {"Uploading\u2026"}, Kind::tooVague},
    };
    for (const Pair& p : pairs) {
        const BaselineReading reading(linesOf(p.box));
        const WatchRegion region{1, 0, 0, 400, 100, 1, std::nullopt};
        const CompileOutcome o =
            LocalCompiler::compile(p.sentence, reading, region, std::nullopt, "w_TEST00", Date{}, [] { return std::string("w_ALT000"); });
        EXPECT_EQ(static_cast<int>(o.kind()), static_cast<int>(p.kind)) << p.sentence << " over " << p.box.front();
        EXPECT_EQ(kestrove::testing::compileAgreementFault(p.sentence, reading), std::nullopt) << p.sentence << " over " << p.box.front();
    }
}
