#include "core/rules.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrove;

namespace {

BaselineReading reading(const std::vector<std::string>& texts) {
    BaselineReading r;
    double y = 0;
    for (const std::string& t : texts) {
        r.lines.push_back({t, {0, y, 1, 0.1}, 0.9});
        y += 0.1;
    }
    return r;
}

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
