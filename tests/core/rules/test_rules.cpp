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
    const std::pair<std::string, std::string> rows[] = {
        {"12:34", "00:00"}, {"T-05:30", "T-00:00"}, {"00:00", "00:00"}, {"٣:٤٥", "0:00"}, {"½ left", "0 left"},
        {"no digits", "no digits"}, {"", ""},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(Rules::zero(in), out) << in;
}

TEST(Rules, ClockStandsAloneBetweenDigitsColonsAndPoints) {
    EXPECT_EQ(firstClock("1:23:45"), "1:23:45");
    EXPECT_EQ(firstClock("Time left 04:59"), "04:59");
    EXPECT_EQ(firstClock("ends 0:00."), "0:00");
    for (const char* none : {"123:45", "1.12:30", "1,12:30", "12:345", "12:30:", "12:3", "no clock"})
        EXPECT_EQ(firstClock(none), std::nullopt) << none;
}

TEST(Rules, SentencePatterns) {
    const std::tuple<std::string, bool, bool, bool> rows[] = {  // fails, timer, done
        {"the export fails", true, false, false},
        {"the export is done", false, false, true},
        {"the timer runs out", false, true, false},
        {"time's up", false, true, false},
        {"it shows 00:00", false, true, false},
        {"the build is no longer red", true, false, false},
        {"upload is 100 % through", false, false, true},
        {"it reaches 100%", false, false, false},        // "%" then the end: no word boundary
        {"the redirect completes", false, false, true},  // "red" is no word here
        {"FERTIG", false, false, true},
    };
    for (const auto& [sentence, fail, timer, done] : rows) {
        EXPECT_EQ(Rules::failPattern().matches(std::string_view(sentence)), fail) << sentence;
        EXPECT_EQ(Rules::timerPattern().matches(std::string_view(sentence)), timer) << sentence;
        EXPECT_EQ(Rules::donePattern().matches(std::string_view(sentence)), done) << sentence;
    }
}

TEST(Rules, CountdownIsTheFirstClockOfTheFirstLineShowingOne) {
    EXPECT_EQ(Rules::countdown(reading({"Sale ends", "in 05:00 or 1:00", "12:00"})), "05:00");
    EXPECT_EQ(Rules::countdown(reading({"Sale ends soon", "123:45"})), std::nullopt);
    EXPECT_EQ(Rules::countdown(BaselineReading::empty()), std::nullopt);
}

// What else a countdown rule sets is checked through the rules and the compiler that make one.
TEST(Rules, CountdownRuleKeepsTheKindItStandsInForAndIsMetOnZeros) {
    WatchSpec w;
    w.ruleFrom = WatchType::newItem;
    const WatchSpec zeros = Rules::countdownRule(w, "0:00");
    EXPECT_EQ(std::tie(zeros.ruleFrom, zeros.target.text, zeros.baseline.currentlyMet),
              std::make_tuple(WatchType::newItem, "0:00", true));
}

TEST(Rules, BusyPhrasePrefersTheWordTheSentenceNames) {
    const std::tuple<std::vector<std::string>, std::string, std::optional<std::string>> rows[] = {
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
        {{"Upload complete"}, "the upload is complete", std::nullopt},
    };
    for (const auto& [lines, sentence, phrase] : rows)
        EXPECT_EQ(Rules::busyPhrase(reading(lines), sentence), phrase) << lines.size() << " " << sentence;
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
    using enum WatchType;
    using enum Comparison;
    constexpr auto no = std::nullopt;
    const struct {
        std::string command;
        std::vector<std::string> lines;
        std::optional<WatchType> type;
        std::optional<std::string> text;
        Comparison comparator;
        std::optional<double> value;
        std::optional<std::string> display;
        bool met;
    } rows[] = {
        {"the export fails", {"Exporting…"}, no, no, none, no, no, false},
        {"the export is done", {"Exporting…"}, textGone, "Exporting…", none, no, no, false},
        {"It's done", {"Syncing 4 files"}, textGone, "Syncing", none, no, no, false},
        {"it's not done", {"Syncing 4 files"}, no, no, none, no, no, false},
        {"the timer runs out", {"Time left 04:59"}, textAppears, "00:00", none, no, "04:59", false},
        {"the timer runs out", {"Time left 00:00"}, textAppears, "00:00", none, no, "00:00", true},
        {"the timer runs out", {"no clock here"}, no, no, none, no, no, false},
        {"the upload is done", {"12 of 40 files"}, numberCompare, no, gte, 40, "12", false},
        {"the upload is done", {"40 / 40"}, numberCompare, no, gte, 40, "40", true},
        {"the upload is done", {"41 of 40", "3 of 0", "Progress 45%"}, numberCompare, no, gte, 100, "45%", false},
        {"it reaches 100%", {"Progress 45.5%"}, numberCompare, no, gte, 100, "45.5%", false},
        {"it reaches 100%", {"Progress 120%"}, no, no, none, no, no, false},
        {"the countdown is over", {"Round 3 of 5"}, numberCompare, no, gte, 5, "3", false},
        {"the page looks nice", {"Loading…"}, textGone, "Loading…", none, no, no, false},
        {"the page looks nice", {"Step 1 of 3"}, no, no, none, no, no, false},
        // The busy word wins over the counter.
        {"the upload is complete", {"Uploading", "Files 12 of 40"}, textGone, "Uploading", none, no, no, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.command + " / " + r.lines.front());
        const WatchSpec b = base(r.command);
        std::optional<WatchSpec> got = Rules::rule(stateReached, b, reading(r.lines));
        ASSERT_EQ(got.has_value(), r.type.has_value());
        if (!got) continue;
        EXPECT_EQ(got->type, *r.type);
        EXPECT_EQ(got->ruleFrom, stateReached);
        EXPECT_EQ(got->target.text, r.text);
        EXPECT_EQ(got->comparator, r.comparator);
        EXPECT_EQ(got->value, r.value);
        EXPECT_EQ(got->baseline.currentDisplay, r.display);
        EXPECT_EQ(got->baseline.currentlyMet, r.met);
        // A text rule keeps only its text; a number rule watches the number where it was read.
        if (got->type != numberCompare) {
            EXPECT_EQ(got->target, (WatchTarget{no, no, r.text, no}));
        } else {
            EXPECT_EQ(got->target.description, "number");
            EXPECT_TRUE(got->target.anchor.has_value());
            EXPECT_TRUE(got->baseline.currentValue.has_value());
            EXPECT_EQ(got->target.unit, r.display->ends_with("%") ? std::optional(ValueUnit::percent) : no);
        }
        // What the rule does not decide stays as it was.
        EXPECT_EQ(std::tie(got->id, got->command, got->mode, got->region, got->createdAt, got->baseline.currentText),
                  std::tie(b.id, b.command, b.mode, b.region, b.createdAt, b.baseline.currentText));
    }
    EXPECT_EQ(Rules::rule(anyChange, base("the export is done"), reading({"Exporting…"})), no);
}
