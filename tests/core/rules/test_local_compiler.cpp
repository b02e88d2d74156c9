#include "core/rules/local_compiler.hpp"
#include "core/reading/text_match.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrove;
using Kind = CompileOutcome::Kind;

namespace {

BaselineReading readingOf(std::vector<std::string> texts) {
    std::vector<OCRLine> lines;
    double y = 0;
    for (std::string& t : texts) {
        lines.push_back(OCRLine{std::move(t), NormRect{0.05, y, 0.9, 0.1}, 0.9});
        y += 0.12;
    }
    return BaselineReading(std::move(lines));
}

const WatchRegion box{7, 10, 20, 300, 120, 2, std::nullopt};
const Date created = std::chrono::system_clock::from_time_t(1'800'000'000);

// Hands out w_ALT001, w_ALT002, … so every id of an outcome is known.
struct PinnedIDs {
    int next = 0;
    std::string operator()() { return "w_ALT00" + std::to_string(++next); }
};

CompileOutcome compileOn(const std::string& sentence, const std::vector<std::string>& box_,
                         std::optional<ReadNumber> chosen = std::nullopt) {
    return LocalCompiler::compile(sentence, readingOf(box_), box, chosen, "w_TEST01", created, PinnedIDs{});
}

}  // namespace

TEST(LocalCompiler, BaseRuleCarriesTheSentenceBoxAndFirstReading) {
    CompileOutcome o = compileOn("Bark when the price drops below 200 €!", {"Wireless Headphones", "Price 249,99 €"});
    ASSERT_EQ(o.kind(), Kind::confirm);
    const WatchSpec& s = *o.spec();
    EXPECT_EQ(s.id, "w_TEST01");
    EXPECT_EQ(s.command, "the price drops below 200 €");
    EXPECT_EQ(s.region, box);
    EXPECT_EQ(s.mode, WatchMode::once);
    EXPECT_EQ(s.pollSeconds, 5);
    EXPECT_EQ(s.debounceChecks, 2);
    EXPECT_EQ(s.createdAt, created);
    EXPECT_EQ(s.target.description, "price");
    EXPECT_EQ(s.baseline.currentText, "Wireless Headphones");
    EXPECT_FALSE(s.confidence || s.fallbackFrom || s.ruleFrom || s.direct);
}

TEST(LocalCompiler, VagueSentenceOffersExamplesForTheBox) {
    CompileOutcome o = compileOn("hmm", {"Uploading\u2026"});
    ASSERT_EQ(o.kind(), Kind::tooVague);
    EXPECT_EQ(o.spec(), nullptr);
    EXPECT_EQ(o.as<CompileOutcome::TooVague>()->examples,
              (std::vector<std::string>{"this changes", "\"Uploading\u2026\" is gone", "the number drops below 100"}));
}

TEST(LocalCompiler, TextAlreadyOnScreenOffersToWaitForItToGo) {
    CompileOutcome o = compileOn("\"Done\" appears", {"Status: Done"});
    ASSERT_EQ(o.kind(), Kind::alreadyVisible);
    const auto& v = *o.as<CompileOutcome::AlreadyVisible>();
    EXPECT_TRUE(v.spec.baseline.currentlyMet);
    EXPECT_EQ(v.alternative.id, "w_ALT001");
    EXPECT_EQ(v.alternative.type, WatchType::textGone);
    EXPECT_EQ(v.alternative.command, "\"Done\" is gone");
    EXPECT_EQ(v.alternative.target.text, "Done");
    EXPECT_FALSE(v.alternative.baseline.currentlyMet);
}

// Quotes around nothing but spaces name no text: such a text is never read,
// so it would count as gone already and bark on the first check.
TEST(LocalCompiler, QuotedBlankNamesNoText) {
    for (const char* sentence : {"\"  \" is gone", "'  ' disappears", "\" \" appears"}) {
        CompileOutcome o = compileOn(sentence, {"Exporting…"});
        EXPECT_EQ(o.kind(), Kind::tooVague) << sentence;
    }
}

TEST(LocalCompiler, TextAlreadyGoneFallsBackToAnyChange) {
    CompileOutcome o = compileOn("\"Error\" is gone", {"All good", "Synced 3 files"});
    ASSERT_EQ(o.kind(), Kind::alreadyTrue);
    const auto& t = *o.as<CompileOutcome::AlreadyTrue>();
    EXPECT_TRUE(t.spec.baseline.currentlyMet);
    EXPECT_EQ(t.read, "Synced files");
    EXPECT_EQ(t.fallback.id, "w_ALT001");
    EXPECT_EQ(t.fallback.type, WatchType::anyChange);
    EXPECT_EQ(t.fallback.fallbackFrom, WatchType::textGone);
    EXPECT_EQ(t.fallback.target, (WatchTarget{"anything here", std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(t.fallback.command, t.spec.command);
}

TEST(LocalCompiler, GoneSubjectTakesTheLineThatMentionsIt) {
    CompileOutcome o = compileOn("the spinner is gone", {"Inbox", "Spinner: syncing mail"});
    ASSERT_EQ(o.kind(), Kind::confirm);
    EXPECT_EQ(o.spec()->target.text, "Spinner: syncing mail");
    EXPECT_EQ(o.spec()->target.description, "spinner");

    CompileOutcome empty = compileOn("the spinner is gone", {});
    ASSERT_EQ(empty.kind(), Kind::noText);
    EXPECT_EQ(empty.as<CompileOutcome::NoText>()->fallback.fallbackFrom, WatchType::textGone);
}

// Stripping the numbers of "Error 404 not found" leaves wording the box does
// not show; waiting for that wording to go would bark at once.
TEST(LocalCompiler, GoneTextIsAlwaysSomethingTheBoxShows) {
    struct Case {
        std::string sentence;
        std::vector<std::string> lines;
        std::string target;
    };
    const std::vector<Case> cases = {
        {"the error is gone", {"Error 404 not found"}, "Error 404 not found"},
        {"the error is gone", {"Inbox", "Error: disk full"}, "Error: disk full"},
        {"the error is gone", {"Error 42"}, "Error"},
        {"it is gone", {"Uploading 3 of 12 files"}, "Uploading 3 of 12 files"},
        {"it is gone", {"Uploading\u2026 45%"}, "Uploading\u2026"},
    };
    for (const Case& c : cases) {
        CompileOutcome o = compileOn(c.sentence, c.lines);
        ASSERT_EQ(o.kind(), Kind::confirm) << c.lines.front();
        EXPECT_EQ(o.spec()->target.text, c.target);
        EXPECT_TRUE(TextMatch::contains(readingOf(c.lines).lines, *o.spec()->target.text)) << c.target;
    }
}

TEST(LocalCompiler, SubjectLinePriceWordsAndUnitsSingleOutTheNumber) {
    CompileOutcome bySubject = compileOn("price drops below 100", {"Price 120 €", "Qty 3"});
    ASSERT_EQ(bySubject.kind(), Kind::confirm);
    EXPECT_EQ(bySubject.spec()->baseline.currentValue, 120);
    EXPECT_EQ(bySubject.spec()->target.unit, ValueUnit::eur);

    CompileOutcome byPrice = compileOn("the total drops below 100", {"Items 4", "Sum 120 €"});
    ASSERT_EQ(byPrice.kind(), Kind::confirm);
    EXPECT_EQ(byPrice.spec()->baseline.currentValue, 120);

    CompileOutcome byUnit = compileOn("it reaches 100%", {"3 of 10", "45%"});
    ASSERT_EQ(byUnit.kind(), Kind::confirm);
    EXPECT_EQ(byUnit.spec()->baseline.currentDisplay, "45%");

    CompileOutcome twoPrices = compileOn("price drops below 100", {"Was 150 €", "Now 120 €"});
    ASSERT_EQ(twoPrices.kind(), Kind::whichNumber);
    const auto& which = *twoPrices.as<CompileOutcome::WhichNumber>();
    ASSERT_EQ(which.candidates.size(), 2u);
    EXPECT_EQ(which.candidates[1].line, 1);

    CompileOutcome picked = compileOn("price drops below 130", {"Was 150 €", "Now 120 €"}, which.candidates[1]);
    ASSERT_EQ(picked.kind(), Kind::alreadyTrue);
    EXPECT_EQ(picked.as<CompileOutcome::AlreadyTrue>()->read, "120");
    EXPECT_EQ(picked.spec()->target.anchor, which.candidates[1].anchor);
}

// A rule in euros could never read "45%": such a number is neither offered
// nor taken when picked.
TEST(LocalCompiler, NumbersOfTheWrongUnitAreNeverOffered) {
    CompileOutcome o = compileOn("the price drops below 5 €", {"Battery 45%"});
    ASSERT_EQ(o.kind(), Kind::notVisible);
    EXPECT_EQ(o.as<CompileOutcome::NotVisible>()->target, "price");
    const ReadNumber percent = readingOf({"Battery 45%"}).numbers(false).front();
    EXPECT_EQ(compileOn("the price drops below 5 €", {"Battery 45%"}, percent).kind(), Kind::notVisible);

    CompileOutcome none = compileOn("the queue is below 5", {"Please wait"});
    ASSERT_EQ(none.kind(), Kind::notVisible);
    EXPECT_EQ(none.as<CompileOutcome::NotVisible>()->target, "queue");
    CompileOutcome blank = compileOn("below 5", {});
    ASSERT_EQ(blank.kind(), Kind::notVisible);
    EXPECT_EQ(blank.as<CompileOutcome::NotVisible>()->target, "number");
}

TEST(LocalCompiler, ApproachTurnsRoundWhenTheNumberIsAlreadyPast) {
    CompileOutcome down = compileOn("it reaches 50", {"80"});
    ASSERT_EQ(down.kind(), Kind::confirm);
    EXPECT_EQ(down.spec()->comparator, Comparison::lte);

    CompileOutcome up = compileOn("it reaches 50", {"20"});
    EXPECT_EQ(up.spec()->comparator, Comparison::gte);

    CompileOutcome plain = compileOn("it is at least 50", {"80"});
    ASSERT_EQ(plain.kind(), Kind::alreadyTrue);
    EXPECT_EQ(plain.as<CompileOutcome::AlreadyTrue>()->read, "80");
}

TEST(LocalCompiler, TimeRulesCompareInTheirOwnUnit) {
    CompileOutcome o = compileOn("less than 2 minutes left", {"Time remaining: 5:30"});
    ASSERT_EQ(o.kind(), Kind::confirm);
    EXPECT_EQ(o.spec()->baseline.currentValue, 5.5);
    EXPECT_EQ(o.spec()->baseline.currentDisplay, "5:30");
    EXPECT_EQ(o.spec()->target.unit, ValueUnit::minutes);
}

TEST(LocalCompiler, FallbacksAndJudgeRules) {
    WatchSpec judged = LocalCompiler::judgeSpec("Bark when the build is green!", WatchType::stateReached,
                                                readingOf({"Build #2211 running"}), box, "w_JUDGE1", created);
    EXPECT_EQ(judged.id, "w_JUDGE1");
    EXPECT_EQ(judged.command, "the build is green");
    EXPECT_EQ(judged.type, WatchType::stateReached);
    EXPECT_EQ(judged.target, (WatchTarget{"the build is green", std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(judged.baseline, (Baseline{std::nullopt, false, std::nullopt, "Build #2211 running", std::nullopt}));

    WatchSpec rule = judged;
    rule.type = WatchType::textGone;
    rule.ruleFrom = WatchType::stateReached;
    rule.value = 3;
    rule.direct = DirectInfo{true};
    rule.baseline.currentlyMet = true;
    rule.baseline.lines = std::vector<std::string>{"a"};
    WatchSpec fallback = LocalCompiler::anyChangeFallback(rule, [] { return std::string("w_NEW001"); });
    EXPECT_EQ(fallback.id, "w_NEW001");
    EXPECT_EQ(fallback.fallbackFrom, WatchType::stateReached);
    EXPECT_FALSE(fallback.value || fallback.ruleFrom || fallback.direct);
    EXPECT_EQ(fallback.baseline, (Baseline{std::nullopt, false, std::nullopt, "Build #2211 running", std::nullopt}));
    EXPECT_EQ(fallback.command, rule.command);

    WatchSpec same = LocalCompiler::anyChangeSpec(rule);
    EXPECT_EQ(same.id, "w_JUDGE1");
    EXPECT_EQ(same.type, WatchType::anyChange);
    EXPECT_FALSE(same.fallbackFrom);

    // Without a pinned source every fallback gets a fresh id.
    EXPECT_NE(LocalCompiler::anyChangeFallback(rule).id, LocalCompiler::anyChangeFallback(rule).id);
}
