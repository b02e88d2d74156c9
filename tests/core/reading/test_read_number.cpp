#include "core/reading/read_number.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <unordered_set>

#include "core/reading/number_parser.hpp"
#include "core/watch/watch_json.hpp"

using namespace kestrove;

TEST(NumberFormat, GroupsAndRoundsTheDecimalValueHalfToEven) {
    const std::tuple<double, int, std::string> rows[] = {
        {1234567, 0, "1,234,567"}, {0.5, 2, "0.50"},      {1234.5, 1, "1,234.5"},  {-1234.5, 2, "-1,234.50"},
        {999.999, 2, "1,000.00"},  {2.675, 2, "2.68"},    {0.125, 2, "0.12"},      {0.375, 2, "0.38"},
        {2.5, 0, "2"},             {3.5, 0, "4"},         {0, 0, "0"},             {12345678.9, 1, "12,345,678.9"},
        // A count of decimals the formatter refuses still gives a readable text.
        {1.5, -1, "1.5"},
    };
    std::setlocale(LC_ALL, "de_DE.UTF-8");  // the user's locale must not leak in
    for (const auto& [value, decimals, text] : rows) EXPECT_EQ(NumberFormat::string(value, decimals), text) << value;
    std::setlocale(LC_ALL, "C");
    const std::pair<double, int> natural[] = {{3, 0}, {-40, 0}, {2.5, 1}, {-0.1, 1}, {2.25, 2}, {1.0 / 3, 2}};
    for (const auto& [value, decimals] : natural) EXPECT_EQ(NumberFormat::naturalDecimals(value), decimals) << value;
}

TEST(ReadNumber, DisplayShowsTimesAsReadAndOtherValuesFormatted) {
    const std::tuple<std::string, bool, std::string> rows[] = {  // line, time preferred, display
        {"€1.234,50", false, "1,234.50"},
        {"Battery 45%", false, "45%"},
        {"$1.500", false, "1.500"},
        {"-0,5", false, "-0.5"},
        {"10 min", false, "10 min"},
        {"12:30", true, "12:30"},
    };
    for (const auto& [line, preferTime, display] : rows) {
        std::vector<ReadNumber> found = NumberParser::numbers(line, preferTime);
        ASSERT_EQ(found.size(), 1u) << line;
        EXPECT_EQ(found[0].display(), display) << line;
    }
    ReadNumber padded{90, " 1:30 ", ValueUnit::seconds, 0, 0, 6, 0, std::nullopt};
    EXPECT_EQ(padded.display(), "1:30");
}

TEST(ReadNumber, ValueInConvertsOnlyBetweenTimeUnits) {
    auto number = [](double v, std::optional<ValueUnit> u) { return ReadNumber{v, "", u, 0, 0, 0, 0, std::nullopt}; };
    EXPECT_DOUBLE_EQ(number(90, ValueUnit::seconds).valueIn(ValueUnit::minutes), 1.5);
    EXPECT_DOUBLE_EQ(number(2, ValueUnit::hours).valueIn(ValueUnit::minutes), 120);
    EXPECT_DOUBLE_EQ(number(5, std::nullopt).valueIn(ValueUnit::minutes), 5);
    EXPECT_DOUBLE_EQ(number(45, ValueUnit::percent).valueIn(ValueUnit::minutes), 45);
    EXPECT_DOUBLE_EQ(number(90, ValueUnit::seconds).valueIn(ValueUnit::eur), 90);
    EXPECT_DOUBLE_EQ(number(90, ValueUnit::seconds).valueIn(std::nullopt), 90);
}

TEST(ReadNumber, JsonRoundTripLeavesAbsentMembersOut) {
    ReadNumber full{1234.5, "1.234,5", ValueUnit::eur, 1, 3, 7, 2, Anchor{0.25, 0.5}};
    Json j = toJson(full);
    EXPECT_EQ(j["unit"], "EUR");
    EXPECT_EQ(j["anchor"], (Json{{"x", 0.25}, {"y", 0.5}}));
    EXPECT_EQ(decodeJson<ReadNumber>(j.dump()), full);

    ReadNumber bare{5, "5", std::nullopt, 0, 0, 1, 0, std::nullopt};
    Json b = toJson(bare);
    EXPECT_FALSE(b.contains("unit"));
    EXPECT_FALSE(b.contains("anchor"));
    EXPECT_EQ(decodeJson<ReadNumber>(b.dump()), bare);
}

TEST(ReadNumber, JsonRejectsWhatWouldNotReadBack) {
    const std::tuple<std::string, JsonError::Kind, std::string> rows[] = {
        {R"({"value":1,"text":"1","decimals":0,"location":0,"length":1})", JsonError::Kind::keyNotFound, "line"},
        {R"({"value":"1","text":"1","decimals":0,"location":0,"length":1,"line":0})", JsonError::Kind::typeMismatch, "value"},
        {R"({"value":1,"text":"1","unit":"yen","decimals":0,"location":0,"length":1,"line":0})",
         JsonError::Kind::dataCorrupted, "unit"},
        {R"({"value":1,"text":"1","decimals":0.5,"location":0,"length":1,"line":0})", JsonError::Kind::typeMismatch,
         "decimals"},
        {R"({"value":1,"text":"1","decimals":0,"location":0,"length":1,"line":0,"anchor":{"x":1}})",
         JsonError::Kind::keyNotFound, "anchor.y"},
    };
    for (const auto& [text, kind, path] : rows) {
        try {
            decodeJson<ReadNumber>(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const JsonError& e) {
            EXPECT_EQ(std::pair(e.kind(), e.path()), std::pair(kind, path)) << text;
        }
    }
    ReadNumber infinite{std::numeric_limits<double>::infinity(), "", std::nullopt, 0, 0, 0, 0, std::nullopt};
    EXPECT_THROW(toJson(infinite), JsonError);
}

TEST(ReadNumber, EqualNumbersHashAlike) {
    ReadNumber a{0.0, "0", std::nullopt, 0, 0, 1, 0, Anchor{0, 0.5}};
    ReadNumber b = a;
    b.value = -0.0;
    ASSERT_EQ(a, b);
    EXPECT_EQ(std::hash<ReadNumber>{}(a), std::hash<ReadNumber>{}(b));
    std::unordered_set<ReadNumber> set{a, b};
    EXPECT_EQ(set.size(), 1u);
}
