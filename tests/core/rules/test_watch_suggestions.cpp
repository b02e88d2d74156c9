#include "core/rules/watch_suggestions.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/samples.hpp"

using namespace kestrove;

namespace {

BaselineReading readingOf(const std::vector<std::string>& texts) {
    return BaselineReading(samples::stackedLines(texts));
}

ReadNumber numberOf(double value, std::optional<ValueUnit> unit, int decimals = 0, std::string text = "") {
    return ReadNumber{value, std::move(text), unit, decimals, 0, 0, 0, std::nullopt};
}

using Examples = std::vector<std::string>;

}  // namespace

TEST(WatchSuggestions, NiceBelowIsARoundNumberUnderTheValue) {
    const std::vector<std::pair<double, double>> cases = {
        {100, 50}, {101, 100}, {150, 100}, {37, 30}, {12, 10}, {10, 5}, {2, 1}, {1.5, 1},
        {1, 0}, {0.5, 0}, {-20, 0}, {999, 900}, {1000, 500}, {25000, 20000}, {1.01, 1},
    };
    for (const auto& [x, nice] : cases) EXPECT_DOUBLE_EQ(LocalCompiler::niceBelow(x), nice) << x;
    EXPECT_EQ(LocalCompiler::niceBelow(std::nan("")), 0);
}

TEST(WatchSuggestions, NumberSuggestionFitsTheUnitAndIsNotTrueYet) {
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(45, ValueUnit::percent)), "it reaches 100%");
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(120, ValueUnit::percent)), "it drops below 100%");
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(90, ValueUnit::seconds, 0, "1:30")), "less than 30 seconds remaining");
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(12, ValueUnit::minutes, 0, "12 min")), "less than 10 minutes remaining");
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(25, ValueUnit::hours, 0, "25 hours")), "less than 1000 minutes remaining");
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(1299, ValueUnit::usd, 2)), "the price drops below 1,000");
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(12, ValueUnit::gbp)), "the price drops below 10");
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(340, std::nullopt)), "the number drops below 300");
    EXPECT_EQ(LocalCompiler::numberSuggestion(numberOf(0.5, std::nullopt, 1)), "the number goes above 0.5");
}

TEST(WatchSuggestions, ExamplesFollowWhatTheBoxShows) {
    // The compiler's vague sentences show more of these; here, what only this call shows.
    EXPECT_EQ(LocalCompiler::suggestions(BaselineReading::empty(), false), (Examples{"this changes"}));
    // A steady text with a number: the number with a unit is preferred.
    EXPECT_EQ(LocalCompiler::suggestions(readingOf({"Order 48213", "Total $1,299.00"}), true),
              (Examples{"this changes", "it says \"Done\"", "the price drops below 1,000"}));
    // A transient text with a percentage.
    EXPECT_EQ(LocalCompiler::suggestions(readingOf({"Downloading update files 63%"}), false),
              (Examples{"this changes", "\"Downloading update files\" is gone", "it reaches 100%"}));
    EXPECT_EQ(LocalCompiler::suggestions(readingOf({"Queue 12"}), false), (Examples{"this changes", "the number drops below 10"}));
}
