#include "core/rules/rules.hpp"

#include <gtest/gtest.h>

#include "support/samples.hpp"

#include <string>
#include <vector>

using namespace kestrove;

namespace {

BaselineReading reading(const std::vector<std::string>& texts) { return BaselineReading(samples::stackedLines(texts)); }

std::optional<std::string> firstClock(const std::string& line) {
    return Rules::clock().firstGroup(line, 0);
}

}  // namespace

TEST(Rules, ZeroReplacesEveryNumberCharacter) {
    struct Row {
        std::string in, out;
    };
    const std::vector<Row> rows = {
        {"12:34", "00:00"}, {"T-05:30", "T-00:00"}, {"00:00", "00:00"},
        {"٣:٤٥", "0:00"},   {"½ left", "0 left"},   {"no digits", "no digits"},
        {"", ""},
    };
    for (const Row& r : rows) EXPECT_EQ(Rules::zero(r.in), r.out) << r.in;
}

TEST(Rules, ClockStandsAloneBetweenDigitsColonsAndPoints) {
    EXPECT_EQ(firstClock("1:23:45"), "1:23:45");
    EXPECT_EQ(firstClock("Time left 04:59"), "04:59");
    EXPECT_EQ(firstClock("ends 0:00."), "0:00");
    for (const char* none : {"123:45", "1.12:30", "1,12:30", "12:345", "12:30:", "12:3", "no clock"})
        EXPECT_EQ(firstClock(none), std::nullopt) << none;
}

TEST(Rules, SentencePatterns) {
    struct Row {
        std::string sentence;
        bool fail, timer, done;
    };
    const std::vector<Row> rows = {
        {"the export fails", true, false, false},
        {"the export is done", false, false, true},
        {"the timer runs out", false, true, false},
        {"time's up", false, true, false},
        {"it shows 00:00", false, true, false},
        {"the build is no longer red", true, false, false},
        {"upload is 100 % through", false, false, true},
        {"it reaches 100%", false, false, false},  // "%" then the end: no word boundary
        {"the redirect completes", false, false, true},  // "red" is no word here
        {"FERTIG", false, false, true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Rules::failPattern().matches(std::string_view(r.sentence)), r.fail) << r.sentence;
        EXPECT_EQ(Rules::timerPattern().matches(std::string_view(r.sentence)), r.timer) << r.sentence;
        EXPECT_EQ(Rules::donePattern().matches(std::string_view(r.sentence)), r.done) << r.sentence;
    }
}

TEST(Rules, CountdownIsTheFirstClockOfTheFirstLineShowingOne) {
    EXPECT_EQ(Rules::countdown(reading({"Sale ends", "in 05:00 or 1:00", "12:00"})), "05:00");
    EXPECT_EQ(Rules::countdown(reading({"Sale ends soon", "123:45"})), std::nullopt);
    EXPECT_EQ(Rules::countdown(BaselineReading::empty()), std::nullopt);
}

TEST(Rules, CountdownRuleWaitsForZerosAndKeepsTheRest) {
    WatchSpec w;
    w.id = "w_ABC123";
    w.command = "the timer runs out";
    w.type = WatchType::numberCompare;
    w.comparator = Comparison::gte;
    w.value = 0;
    w.target = {"timer", ValueUnit::seconds, std::nullopt, Anchor{0.5, 0.5}};
    w.baseline.currentText = "Time left 04:59";
    w.baseline.currentValue = 299;

    WatchSpec r = Rules::countdownRule(w, "04:59");
    EXPECT_EQ(r.type, WatchType::textAppears);
    EXPECT_EQ(r.ruleFrom, WatchType::stateReached);
    EXPECT_EQ(r.comparator, Comparison::none);
    EXPECT_EQ(r.value, std::nullopt);
    EXPECT_EQ(r.target, (WatchTarget{std::nullopt, std::nullopt, "00:00", std::nullopt}));
    EXPECT_EQ(r.baseline.currentDisplay, "04:59");
    EXPECT_FALSE(r.baseline.currentlyMet);
    EXPECT_EQ(r.baseline.currentText, "Time left 04:59");
    EXPECT_EQ(r.baseline.currentValue, 299);
    EXPECT_EQ(r.id, w.id);
    EXPECT_EQ(r.command, w.command);

    w.ruleFrom = WatchType::newItem;
    WatchSpec zeros = Rules::countdownRule(w, "0:00");
    EXPECT_EQ(zeros.ruleFrom, WatchType::newItem);
    EXPECT_EQ(zeros.target.text, "0:00");
    EXPECT_TRUE(zeros.baseline.currentlyMet);
}

TEST(Rules, BusyPhrasePrefersTheWordTheSentenceNames) {
    struct Row {
        std::vector<std::string> lines;
        std::string sentence;
        std::optional<std::string> phrase;
    };
    const std::vector<Row> rows = {
        {{"Exporting…"}, "the export is done", "Exporting…"},
        {{"Exporting... 40%"}, "the export is done", "Exporting..."},
        {{"Downloading 3 files", "Installing"}, "the install is finished", "Installing"},
        {{"Downloading 3 files", "Installing"}, "it is finished", "Downloading"},
        {{"Reloading page"}, "it is done", "Reloading"},
        // "in pr" holds a space, so no sentence word can prefer it.
        {{"Status: IN PROGRESS", "Waiting for review"}, "the progress is done", "Waiting"},
        {{"Status: IN PROGRESS"}, "the progress is done", "IN PROGRESS"},
        {{"3 people ahead of you"}, "my turn", "people ahead"},
        {{"Datei wird geladen…"}, "fertig", "wird geladen…"},
        {{"Téléchargement: ÉXPORTING"}, "done", "ÉXPORTING"},
        {{"Ｌｏａｄｉｎｇ"}, "ready", "Ｌｏａｄｉｎｇ"},
        {{"Upload complete"}, "the upload is complete", std::nullopt},
        {{}, "done", std::nullopt},
    };
    for (const Row& r : rows) EXPECT_EQ(Rules::busyPhrase(reading(r.lines), r.sentence), r.phrase) << r.lines.size() << " " << r.sentence;
}

TEST(Rules, CounterTargetNeedsACountNotAboveItsTotal) {
    auto counted = [](const std::vector<std::string>& lines) -> std::optional<std::pair<double, double>> {
        auto c = Rules::counterTarget(reading(lines));
        if (!c) return std::nullopt;
        return std::pair{c->number.value, c->total};
    };
    EXPECT_EQ(counted({"12 of 40 files"}), (std::pair{12.0, 40.0}));
    EXPECT_EQ(counted({"40 / 40"}), (std::pair{40.0, 40.0}));
    EXPECT_EQ(counted({"Datei 3 von 8"}), (std::pair{3.0, 8.0}));
    EXPECT_EQ(counted({"41 of 40", "3 of 0", "page 2 out of 5"}), (std::pair{2.0, 5.0}));
    EXPECT_EQ(counted({"1.5 of 3", "٣ of ٥", "1234567 of 9999999"}), std::nullopt);

    auto c = Rules::counterTarget(reading({"Header", "Step 3 of 10"}));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->number.line, 1);
    EXPECT_EQ(c->number.location, 5);
    EXPECT_TRUE(c->number.anchor.has_value());
}

namespace {

WatchSpec base(const std::string& command) {
    WatchSpec s;
    s.id = "w_RULE01";
    s.command = command;
    s.type = WatchType::stateReached;
    s.mode = WatchMode::everyTime;
    s.region = {7, 10, 20, 300, 80, 2, std::nullopt};
    s.target.description = command;
    s.baseline.currentText = "first reading";
    s.createdAt = Date{std::chrono::seconds(1'800'000'000)};
    return s;
}

}  // namespace

TEST(Rules, NewItemBecomesANewLineRuleOverTheLinesShown) {
    EXPECT_EQ(Rules::rule(WatchType::newItem, base("someone replies"), reading({"12:30", "9:05 pm", "•••"})), std::nullopt);
    EXPECT_EQ(Rules::rule(WatchType::newItem, base("someone replies"), BaselineReading::empty()), std::nullopt);

    WatchSpec start = base("someone replies");
    start.comparator = Comparison::gt;
    start.value = 3;
    start.baseline.currentlyMet = true;
    auto one = Rules::rule(WatchType::newItem, start, reading({"10:02", "Anna: see you at 12:30"}));
    ASSERT_TRUE(one);
    WatchSpec expected = start;
    expected.type = WatchType::newLine;
    expected.ruleFrom = WatchType::newItem;
    expected.comparator = Comparison::none;
    expected.value.reset();
    expected.target = {"a new line of text", std::nullopt, std::nullopt, std::nullopt};
    expected.baseline.lines = std::vector<std::string>{"anna: see you at #:#"};
    expected.baseline.currentDisplay = "1 line";
    EXPECT_EQ(*one, expected);

    auto three = Rules::rule(WatchType::newItem, start, reading({"a", "b", "A", "c"}));
    ASSERT_TRUE(three);
    EXPECT_EQ(three->baseline.currentDisplay, "3 lines");
}

TEST(Rules, StateReachedTriesBusyThenCountdownThenDone) {
    struct Row {
        std::string command;
        std::vector<std::string> lines;
        std::optional<WatchType> type;
        std::optional<std::string> text;
        Comparison comparator;
        std::optional<double> value;
        std::optional<std::string> display;
        bool met;
    };
    using enum WatchType;
    const std::vector<Row> rows = {
        {"the export fails", {"Exporting…"}, std::nullopt, std::nullopt, Comparison::none, std::nullopt, std::nullopt, false},
        {"the export is done", {"Exporting…"}, textGone, "Exporting…", Comparison::none, std::nullopt, std::nullopt, false},
        {"It's done", {"Syncing 4 files"}, textGone, "Syncing", Comparison::none, std::nullopt, std::nullopt, false},
        {"it's not done", {"Syncing 4 files"}, std::nullopt, std::nullopt, Comparison::none, std::nullopt, std::nullopt, false},
        {"the timer runs out", {"Time left 04:59"}, textAppears, "00:00", Comparison::none, std::nullopt, "04:59", false},
        {"the timer runs out", {"Time left 00:00"}, textAppears, "00:00", Comparison::none, std::nullopt, "00:00", true},
        {"the timer runs out", {"no clock here"}, std::nullopt, std::nullopt, Comparison::none, std::nullopt, std::nullopt, false},
        {"the upload is done", {"12 of 40 files"}, numberCompare, std::nullopt, Comparison::gte, 40, "12", false},
        {"the upload is done", {"40 / 40"}, numberCompare, std::nullopt, Comparison::gte, 40, "40", true},
        {"the upload is done", {"41 of 40", "3 of 0", "Progress 45%"}, numberCompare, std::nullopt, Comparison::gte, 100, "45%", false},
        {"it reaches 100%", {"Progress 45.5%"}, numberCompare, std::nullopt, Comparison::gte, 100, "45.5%", false},
        {"it reaches 100%", {"Progress 120%"}, std::nullopt, std::nullopt, Comparison::none, std::nullopt, std::nullopt, false},
        {"the countdown is over", {"Round 3 of 5"}, numberCompare, std::nullopt, Comparison::gte, 5, "3", false},
        {"the download is stuck", {"Downloading…", "1 of 3"}, std::nullopt, std::nullopt, Comparison::none, std::nullopt, std::nullopt, false},
        {"the page looks nice", {"Loading…"}, textGone, "Loading…", Comparison::none, std::nullopt, std::nullopt, false},
        {"the page looks nice", {"Step 1 of 3"}, std::nullopt, std::nullopt, Comparison::none, std::nullopt, std::nullopt, false},
    };
    for (const Row& r : rows) {
        const WatchSpec b = base(r.command);
        std::optional<WatchSpec> got = Rules::rule(WatchType::stateReached, b, reading(r.lines));
        ASSERT_EQ(got.has_value(), r.type.has_value()) << r.command << " / " << r.lines.front();
        if (!got) continue;
        EXPECT_EQ(got->type, *r.type) << r.command;
        EXPECT_EQ(got->ruleFrom, WatchType::stateReached) << r.command;
        EXPECT_EQ(got->target.text, r.text) << r.command;
        EXPECT_EQ(got->comparator, r.comparator) << r.command;
        EXPECT_EQ(got->value, r.value) << r.command;
        EXPECT_EQ(got->baseline.currentDisplay, r.display) << r.command;
        EXPECT_EQ(got->baseline.currentlyMet, r.met) << r.command;
        // What the rule does not decide stays as it was.
        EXPECT_EQ(got->id, b.id);
        EXPECT_EQ(got->command, b.command);
        EXPECT_EQ(got->mode, b.mode);
        EXPECT_EQ(got->region, b.region);
        EXPECT_EQ(got->createdAt, b.createdAt);
        EXPECT_EQ(got->baseline.currentText, b.baseline.currentText);
    }
    EXPECT_EQ(Rules::rule(WatchType::anyChange, base("the export is done"), reading({"Exporting…"})), std::nullopt);
}

TEST(Rules, NumberRulesKeepTheNumbersPlaceAndValue) {
    const BaselineReading box = reading({"Uploading", "Files 12 of 40"});
    auto counter = Rules::rule(WatchType::stateReached, base("the upload is complete"), box);
    ASSERT_TRUE(counter);
    // The busy word wins over the counter.
    EXPECT_EQ(counter->type, WatchType::textGone);

    auto counted = Rules::rule(WatchType::stateReached, base("it is complete"), reading({"Files 12 of 40"}));
    ASSERT_TRUE(counted);
    const std::vector<ReadNumber> numbers = reading({"Files 12 of 40"}).numbers(false);
    EXPECT_EQ(counted->target, (WatchTarget{"number", std::nullopt, std::nullopt, numbers.front().anchor}));
    EXPECT_EQ(counted->baseline.currentValue, 12);

    auto percent = Rules::rule(WatchType::stateReached, base("it is complete"), reading({"Progress 45%"}));
    ASSERT_TRUE(percent);
    EXPECT_EQ(percent->target.unit, ValueUnit::percent);
    EXPECT_EQ(percent->target.description, "number");
    EXPECT_TRUE(percent->target.anchor.has_value());
    EXPECT_EQ(percent->baseline.currentValue, 45);
}
