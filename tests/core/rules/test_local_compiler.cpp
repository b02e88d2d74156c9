// Realistic sentences over realistic boxes: what each compiles to, and how the
// rule it makes judges the box's later readings.
#include "core/rules/local_compiler.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/rules/command_parser.hpp"
#include "core/rules/evaluation.hpp"
#include "support/compile_agreement.hpp"

using namespace kestrove;
using Kind = CompileOutcome::Kind;

namespace {

using enum WatchType;
using enum Comparison;
constexpr auto no = std::nullopt;
const WatchRegion region{1, 100, 80, 320, 140, 1, std::nullopt};
const Date now = std::chrono::system_clock::from_time_t(1'800'000'000);

std::vector<OCRLine> linesOf(const std::vector<std::string>& texts) {
    std::vector<OCRLine> lines;
    double y = 0.05;
    for (const std::string& t : texts) lines.push_back(OCRLine{t, NormRect{0.05, y, 0.9, 0.12}, 0.95}), y += 0.15;
    return lines;
}

struct Later {
    std::vector<std::string> lines;
    bool met;
    bool readable = true;
};

struct Scenario {
    std::string sentence;
    std::vector<std::string> box;
    Kind kind;
    WatchType type = anyChange;
    Comparison comparator = none;
    std::optional<double> value = no;
    std::optional<ValueUnit> unit = no;
    std::optional<std::string> text = no;
    std::optional<double> current = no;
    std::optional<std::string> display = no;
    std::vector<Later> later = {};
    // What the outcome names, when not empty: the text read (alreadyTrue), what
    // was looked for (notVisible), else the rule's description.
    std::string said = "";
    // Numbers offered to choose from, and the one the user picks.
    std::size_t offered = 0;
    std::optional<std::size_t> picked = no;
};

CompileOutcome compile(const Scenario& sc, const std::optional<ReadNumber>& chosen = no) {
    return LocalCompiler::compile(sc.sentence, BaselineReading(linesOf(sc.box)), region, chosen, "w_FIRST1", now,
                                  [] { return std::string("w_ALT001"); });
}

void run(const Scenario& sc) {
    SCOPED_TRACE("'" + sc.sentence + "'");
    // The rule judges the reading it was made from as the compiler did: a text awaited to go is one the box
    // shows, else it would count as gone at once.
    EXPECT_EQ(kestrove::testing::compileAgreementFault(sc.sentence, BaselineReading(linesOf(sc.box))), no);
    CompileOutcome o = compile(sc);
    std::optional<ReadNumber> picked;
    if (sc.offered > 0) {
        ASSERT_EQ(o.kind(), Kind::whichNumber);
        const auto& candidates = o.as<CompileOutcome::WhichNumber>()->candidates;
        ASSERT_EQ(candidates.size(), sc.offered);
        if (!sc.picked) return;
        picked = candidates[*sc.picked];
        o = compile(sc, picked);
    }
    ASSERT_EQ(o.kind(), sc.kind);
    const WatchSpec* spec = o.spec();
    ASSERT_NE(spec, nullptr);
    EXPECT_EQ(std::tie(spec->type, spec->comparator, spec->value, spec->target.unit, spec->target.text),
              std::tie(sc.type, sc.comparator, sc.value, sc.unit, sc.text));
    EXPECT_EQ(std::tie(spec->baseline.currentValue, spec->baseline.currentDisplay), std::tie(sc.current, sc.display));
    EXPECT_EQ(spec->baseline.currentlyMet, sc.kind == Kind::alreadyTrue || sc.kind == Kind::alreadyVisible);
    // What every rule carries from the sentence, the box and the first reading.
    EXPECT_EQ(std::tie(spec->id, spec->command, spec->region, spec->createdAt, spec->mode),
              std::make_tuple("w_FIRST1", CommandParser::clean(sc.sentence), region, now, WatchMode::once));
    EXPECT_EQ(std::pair(spec->pollSeconds, spec->debounceChecks), std::pair(5, 2));
    EXPECT_FALSE(spec->confidence || spec->fallbackFrom || spec->direct);
    if (picked) {
        EXPECT_EQ(spec->target.anchor, picked->anchor);
    }

    std::optional<std::string> said = spec->target.description;
    const WatchSpec* fallback = nullptr;
    if (const auto* t = o.as<CompileOutcome::AlreadyTrue>()) {
        said = t->read;
        if (sc.type == numberCompare) {
            EXPECT_EQ(t->read, sc.display);
        }
        fallback = &t->fallback;
    }
    if (const auto* n = o.as<CompileOutcome::NoText>()) fallback = &n->fallback;
    if (const auto* n = o.as<CompileOutcome::NeedsJudge>()) fallback = &n->fallback;
    if (const auto* n = o.as<CompileOutcome::NotVisible>()) said = n->target;
    if (!sc.said.empty()) {
        EXPECT_EQ(said, sc.said);
    }
    if (fallback) {  // stands in for the kind asked for, under its own id
        EXPECT_EQ(std::tie(fallback->id, fallback->type, fallback->fallbackFrom, fallback->command),
                  std::make_tuple("w_ALT001", anyChange, spec->ruleFrom.value_or(sc.type), spec->command));
        EXPECT_EQ(fallback->target, (WatchTarget{"anything here", no, no, no}));
    }
    if (const auto* v = o.as<CompileOutcome::AlreadyVisible>()) {
        const WatchSpec& alt = v->alternative;
        EXPECT_EQ(std::tie(alt.id, alt.type, alt.command, alt.target.text, alt.baseline.currentlyMet),
                  std::make_tuple("w_ALT001", textGone, "\"" + *sc.text + "\" is gone", sc.text, false));
    }
    for (const Later& l : sc.later) {
        std::string shown;
        for (const std::string& t : l.lines) shown += "[" + t + "]";
        const Evaluation ev = LocalCompiler::evaluate(*spec, linesOf(l.lines));
        EXPECT_EQ(ev.met, l.met) << shown;
        EXPECT_EQ(ev.readable, l.readable) << shown;
    }
}

}  // namespace

TEST(LocalCompiler, Scenarios) {
    const Scenario scenarios[] = {
        // Prices with currencies.
        {"Bark when the price drops below 200 €!", {"Wireless Headphones", "Price 249,99 €", "In stock"}, Kind::confirm,
         numberCompare, lt, 200, ValueUnit::eur, no, 249.99, "249.99",
         {{{"Wireless Headphones", "Price 189,00 €"}, true}, {{"Price 210,50 €"}, false}, {{"Sold out"}, false, false}},
         "price"},
        // "Subtotal" mentions the subject too, so the user picks the total.
        {"tell me when the total is under $50", {"Subtotal $62.40", "Shipping $4.99", "Total $67.39"}, Kind::confirm,
         numberCompare, lt, 50, ValueUnit::usd, no, 67.39, "67.39",
         {{{"Subtotal $45.00", "Shipping $4.99", "Total $49.99"}, true}, {{"Total $67.39"}, false}}, "", 3, 2},
        {"the price drops below 100", {"Price 120 €", "Qty 3"}, Kind::confirm, numberCompare, lt, 100, ValueUnit::eur,
         no, 120, "120", {{{"Price 95 €", "Qty 3"}, true}, {{"Price 101 €", "Qty 1"}, false}}},
        // No line names the total, but only one number is a price.
        {"the total drops below 100", {"Items 4", "Sum 120 €"}, Kind::confirm, numberCompare, lt, 100, ValueUnit::eur,
         no, 120, "120"},
        {"the price drops below 100", {"Was 150 €", "Now 120 €"}, Kind::confirm, numberCompare, lt, 100, ValueUnit::eur,
         no, 120, "120", {{{"Was 150 €", "Now 99 €"}, true}, {{"Was 99 €", "Now 120 €"}, false}}, "", 2, 1},
        {"when it is cheaper than £20", {"Paperback £18.50"}, Kind::alreadyTrue, numberCompare, lt, 20, ValueUnit::gbp,
         no, 18.5, "18.50"},
        {"the fare is at most 1.200 EUR", {"Madrid → Lisbon", "from 1.349 €"}, Kind::confirm, numberCompare, lte, 1200,
         ValueUnit::eur, no, 1349, "1,349", {{{"Madrid → Lisbon", "from 1.199 €"}, true}}},
        // A rule in euros could never read "45%": no number of its unit is not visible, like no number at all.
        {"the price drops below 5 €", {"Battery 45%"}, Kind::notVisible, numberCompare, lt, 5, ValueUnit::eur, no, no,
         no, {}, "price"},
        {"below 5", {}, Kind::notVisible, numberCompare, lt, 5, no, no, no, no, {}, "number"},
        // Countdowns and times.
        {"when the countdown hits zero", {"Offer ends in", "04:59"}, Kind::confirm, textAppears, none, no, no, "00:00",
         no, "04:59", {{{"Offer ends in", "03:12"}, false}, {{"Offer ends in", "00:00"}, true}, {{}, true, false}}},
        {"when the timer hits zero", {"00:00"}, Kind::alreadyTrue, textAppears, none, no, no, "00:00", no, "00:00"},
        {"less than 2 minutes left", {"Time remaining: 5:30"}, Kind::confirm, numberCompare, lt, 2, ValueUnit::minutes,
         no, 5.5, "5:30",
         {{{"Time remaining: 1:45"}, true}, {{"Time remaining: 2:00"}, false}, {{"Time remaining: 90 sec"}, true},
          {{"Done"}, false, false}}},
        // Progress counters and percentages.
        {"when the upload is done", {"Uploaded 12 of 40 files"}, Kind::confirm, numberCompare, gte, 40, no, no,
         12, "12",
         {{{"Uploaded 40 of 40 files"}, true}, {{"Uploaded 13 of 40 files"}, false}, {{"Upload paused"}, true, false}}},
        {"when it reaches 100%", {"Progress 45%"}, Kind::confirm, numberCompare, gte, 100, ValueUnit::percent, no, 45,
         "45%", {{{"Progress 100%"}, true}, {{"Progress 99.5%"}, false}, {{"Finishing up"}, false, false}}},
        // The percentage is the only number in the percent unit.
        {"it reaches 100%", {"3 of 10", "45%"}, Kind::confirm, numberCompare, gte, 100, ValueUnit::percent, no, 45,
         "45%", {{{"10 of 10", "100%"}, true}}},
        // Reaching a number comes down to it or goes up to it, from where it is now.
        {"it reaches 50", {"80"}, Kind::confirm, numberCompare, lte, 50, no, no, 80, "80", {{{"50"}, true}}},
        {"it reaches 50", {"20"}, Kind::confirm, numberCompare, gte, 50, no, no, 20, "20"},
        {"below 200", {"150"}, Kind::alreadyTrue, numberCompare, lt, 200, no, no, 150, "150"},
        // Texts going and appearing.
        {"Exporting is gone", {"Exporting\u2026 42%"}, Kind::confirm, textGone, none, no, no, "Exporting", no, no,
         {{{"Export complete"}, true}, {{"Exporting\u2026 80%"}, false}}},
        {"\"Error\" is gone", {"All good", "Synced 3 files"}, Kind::alreadyTrue, textGone, none, no, no, "Error",
         no, no, {}, "Synced files"},
        // Stripping the numbers would leave wording the box does not show.
        // The box's own line stands in for the subject: the rule waits for that line to go, not for its numbers
        // to move.
        {"the error is gone", {"Error 404 not found"}, Kind::confirm, textGone, none, no, no, "Error 404 not found", no,
         no, {{{"Welcome back"}, true}, {{"Error 500 not found"}, false}, {{"Error 500"}, true}}, "error"},
        // A text the sentence names is exact: a new number is another text.
        {"\"Error 404\" is gone", {"Error 404 not found"}, Kind::confirm, textGone, none, no, no, "Error 404", no, no,
         {{{"Error 500 not found"}, true}}},
        {"the error is gone", {"Inbox", "Error: disk full"}, Kind::confirm, textGone, none, no, no, "Error: disk full"},
        {"the error is gone", {"Error 42"}, Kind::confirm, textGone, none, no, no, "Error"},
        {"it is gone", {"Uploading 3 of 12 files"}, Kind::confirm, textGone, none, no, no, "Uploading 3 of 12 files", no,
         no, {{{"Uploading 4 of 12 files"}, false}, {{"Upload complete"}, true}}},
        {"it is gone", {"Uploading\u2026 45%"}, Kind::confirm, textGone, none, no, no, "Uploading\u2026"},
        {"the spinner is gone", {}, Kind::noText, textGone},
        {"Done appears", {"Rendering frame 12 of 240"}, Kind::confirm, textAppears, none, no, no, "Done", no, no,
         {{{"Done"}, true}, {{"Rendering frame 13 of 240"}, false}}},
        {"\"Done\" appears", {"Status: Done"}, Kind::alreadyVisible, textAppears, none, no, no, "Done"},
        // New lines, and kinds only a model judges.
        {"someone replies", {"Anna: are you there?", "Me: one sec"}, Kind::confirm, newLine, none, no, no, no, no,
         "2 lines", {{{"Anna: are you there?", "Me: one sec", "Anna: ok thanks"}, true}}},
        {"a new message arrives", {}, Kind::needsJudge, newItem},
        {"when the build is green", {"Build #2211 running"}, Kind::needsJudge, stateReached},
        {"this changes", {"Dashboard"}, Kind::confirm, anyChange, none, no, no, no, no, no, {{{"Dashboard 2"}, false}}},
    };
    for (const Scenario& s : scenarios) run(s);
}

// A number of another unit is not taken when picked either.
TEST(LocalCompiler, APickedNumberOfAnotherUnitIsNotVisible) {
    const Scenario euros{"the price drops below 5 €", {"Battery 45%"}, Kind::notVisible};
    const ReadNumber percent = BaselineReading(linesOf(euros.box)).numbers(false).front();
    const CompileOutcome o = compile(euros, percent);
    ASSERT_EQ(o.kind(), Kind::notVisible);
    EXPECT_EQ(o.as<CompileOutcome::NotVisible>()->target, "price");
}

// Boxes beyond the scenarios where compiler and evaluation could part: a watch confirmed as not met yet
// does not bark at once, one already true is met, and every number offered can be read.
TEST(LocalCompiler, CompilerAndEvaluationAgreeOnTheFirstReading) {
    const std::tuple<std::string, std::vector<std::string>, Kind> pairs[] = {
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
        {"the error is gone", {"==================================== FAILURES ===="}, Kind::confirm},
        // A line of symbols alone: no text a rule could wait on to go.
        {"it is gone", {"\u2014\u2014", "\u2022\u2022\u2022"}, Kind::noText},
        {"someone replies", {"Anna: are you there?", "12:30"}, Kind::confirm},
    };
    for (const auto& [sentence, box, kind] : pairs) {
        const std::string where = sentence + " over " + box.front();
        EXPECT_EQ(compile({sentence, box, kind}).kind(), kind) << where;
        EXPECT_EQ(kestrove::testing::compileAgreementFault(sentence, BaselineReading(linesOf(box))), no) << where;
    }
}

TEST(LocalCompiler, VagueSentencesGetExamplesForTheBox) {
    using Examples = std::vector<std::string>;
    const Examples plain = {"this changes", "it says \"Done\"", "the number drops below 100"};
    const Examples exporting = {"this changes", "\"Exporting…\" is gone", "the number drops below 100"};
    const std::tuple<std::string, std::vector<std::string>, Examples> cases[] = {
        {"hmm", {"Uploading\u2026"}, {"this changes", "\"Uploading\u2026\" is gone", "the number drops below 100"}},
        {"do your thing", {"Battery 64%"}, {"this changes", "it says \"Done\"", "it reaches 100%"}},
        {"when?", {}, plain},
        // Not a watch for the letters "it", which "Edit" would satisfy.
        {"when it appears", {"Edit profile"},
         {"this changes", "\"Edit profile\" is gone", "the number drops below 100"}},
        // Quotes around spaces name no text: never read, it would count as gone at once.
        {"\"  \" is gone", {"Exporting…"}, exporting},
        {"'  ' disappears", {"Exporting…"}, exporting},
        {"\" \" appears", {"Exporting…"}, exporting},
    };
    for (const auto& [sentence, box, examples] : cases) {
        const CompileOutcome o = compile({sentence, box, Kind::tooVague});
        ASSERT_EQ(o.kind(), Kind::tooVague) << sentence;
        EXPECT_EQ(o.spec(), nullptr);
        EXPECT_EQ(o.as<CompileOutcome::TooVague>()->examples, examples) << sentence;
    }
}

TEST(LocalCompiler, JudgeRulesAndFallbacks) {
    const BaselineReading reading(linesOf({"Build #2211 running"}));
    const WatchSpec judged =
        LocalCompiler::judgeSpec("Bark when the build is green!", stateReached, reading, region, "w_JUDGE1", now);
    const Baseline firstReading{no, false, no, "Build #2211 running", no};
    EXPECT_EQ(std::tie(judged.id, judged.command, judged.type, judged.baseline),
              std::make_tuple("w_JUDGE1", "the build is green", stateReached, firstReading));
    EXPECT_EQ(judged.target, (WatchTarget{"the build is green", no, no, no}));

    WatchSpec rule = judged;
    rule.type = textGone;
    rule.ruleFrom = stateReached;
    rule.value = 3;
    rule.direct = DirectInfo{true};
    rule.baseline.currentlyMet = true;
    rule.baseline.lines = std::vector<std::string>{"a"};
    const WatchSpec fallback = LocalCompiler::anyChangeFallback(rule, [] { return std::string("w_NEW001"); });
    EXPECT_EQ(std::tie(fallback.id, fallback.fallbackFrom, fallback.baseline, fallback.command),
              std::make_tuple("w_NEW001", stateReached, firstReading, rule.command));
    EXPECT_FALSE(fallback.value || fallback.ruleFrom || fallback.direct);
    const WatchSpec same = LocalCompiler::anyChangeSpec(rule);
    EXPECT_EQ(std::tie(same.id, same.type, same.fallbackFrom), std::make_tuple("w_JUDGE1", anyChange, no));
    // Without a pinned source every fallback gets a fresh id.
    EXPECT_NE(LocalCompiler::anyChangeFallback(rule).id, LocalCompiler::anyChangeFallback(rule).id);
}
