#include "core/reading/number_parser.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrove;

namespace {

struct Found { double value; std::string text; std::optional<ValueUnit> unit; int decimals, location, length; };
struct Case { std::string text; bool preferTime; std::vector<Found> expected; };

constexpr auto none = std::nullopt;
constexpr auto sec = ValueUnit::seconds;
constexpr auto min = ValueUnit::minutes;
constexpr auto hrs = ValueUnit::hours;

void expectNumbers(const Case& c) {
    SCOPED_TRACE("\"" + c.text + "\"" + (c.preferTime ? " preferring time" : ""));
    std::vector<ReadNumber> got = NumberParser::numbers(c.text, c.preferTime);
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Found& want = c.expected[i];
        EXPECT_DOUBLE_EQ(got[i].value, want.value) << "number " << i;
        EXPECT_EQ(std::tie(got[i].text, got[i].unit, got[i].decimals, got[i].location, got[i].length),
                  std::tie(want.text, want.unit, want.decimals, want.location, want.length)) << "number " << i;
        EXPECT_EQ(got[i].line, 0);
        EXPECT_FALSE(got[i].anchor.has_value());
    }
}

}  // namespace

TEST(NumberParser, FindsEveryNumberWithItsUnitAndPlace) {
    const Case cases[] = {
        {"", false, {}},
        {"1.234,5 €", false, {{1234.5, "1.234,5", ValueUnit::eur, 1, 0, 7}}},
        {"1,234.5", false, {{1234.5, "1,234.5", none, 1, 0, 7}}},
        {"1,234,567 and 1.234.567", false, {{1234567, "1,234,567", none, 0, 0, 9}, {1234567, "1.234.567", none, 0, 14, 9}}},
        {"1'234'567", false, {{1234567, "1'234'567", none, 0, 0, 9}}},
        {"1\u202F234,50", false, {{1234.5, "1\u202F234,50", none, 2, 0, 8}}},
        {"1 234", false, {{1, "1", none, 0, 0, 1}, {234, "234", none, 0, 2, 3}}},
        {"1,234", false, {{1234, "1,234", none, 0, 0, 5}}},
        {"12,5", false, {{12.5, "12,5", none, 1, 0, 4}}},
        {"1234,567", false, {{1234.567, "1234,567", none, 3, 0, 8}}},
        {"0,500", false, {{0.5, "0,500", none, 3, 0, 5}}},
        {"00,500", false, {{500, "00,500", none, 0, 0, 6}}},
        {"1.500", false, {{1.5, "1.500", none, 3, 0, 5}}},
        // A comma decimal anywhere in the text makes "." group thousands everywhere in it.
        {"1,5 and 1.500", false, {{1.5, "1,5", none, 1, 0, 3}, {1500, "1.500", none, 0, 8, 5}}},
        {"0.500 or 1,25", false, {{0.5, "0.500", none, 3, 0, 5}, {1.25, "1,25", none, 2, 9, 4}}},
        {"€1.500", false, {{1500, "1.500", ValueUnit::eur, 0, 1, 5}}},
        {"$1.500", false, {{1.5, "1.500", ValueUnit::usd, 3, 1, 5}}},
        {"1.2.3", false, {}},
        {"x −5", false, {{-5, "−5", none, 0, 2, 2}}},
        {"5-10", false, {{5, "5", none, 0, 0, 1}, {10, "10", none, 0, 2, 2}}},
        // Positions count UTF-16 code units: the emoji takes two.
        {"😀 Battery 45%", false, {{45, "45", ValueUnit::percent, 0, 11, 2}}},
        // Codes, words and digits it cannot read.
        {"rev2", false, {}},
        {"COVID-19", false, {}},
        {"A-4", false, {}},  // the letter right at the start
        {"Model\u20113", false, {}},
        {"Model \u22123", false, {{-3, "\u22123", none, 0, 6, 2}}},
        {"5x 3D 2nd 10am", false, {}},
        {"4ms", false, {}},
        {"4 ms", false, {{4, "4", none, 0, 0, 1}}},
        {"\u0661\u0662\u0663", false, {}},  // Arabic-Indic digits
        {"Meeting at 12:30", false, {}},
        // Too large to hold: no number rather than an infinite one.
        {std::string(400, '9'), false, {}},
        {std::string("2").append(308, '0').append(" items"), false, {}},
        {std::string("1").append(308, '0'), false, {{1e308, std::string("1").append(308, '0'), none, 0, 0, 309}}},
        // Units before and after.
        {"$5", false, {{5, "5", ValueUnit::usd, 0, 1, 1}}},
        {"5 percent", false, {{5, "5", ValueUnit::percent, 0, 0, 1}}},
        {"5 percentage", false, {{5, "5", none, 0, 0, 1}}},
        {"5 $", false, {{5, "5", none, 0, 0, 1}}},
        {"5  %", false, {{5, "5", none, 0, 0, 1}}},
        {"EUR 20", false, {{20, "20", ValueUnit::eur, 0, 4, 2}}},
        {"XEUR 20", false, {{20, "20", none, 0, 5, 2}}},
        {"20 Euros", false, {{20, "20", ValueUnit::eur, 0, 0, 2}}},
        {"£3 or 4 GBP", false, {{3, "3", ValueUnit::gbp, 0, 1, 1}, {4, "4", ValueUnit::gbp, 0, 6, 1}}},
        {"usd 7.25", false, {{7.25, "7.25", ValueUnit::usd, 2, 4, 4}}},
        {"10 min", false, {{10, "10 min", min, 0, 0, 6}}},
        {"Ready in 3 hours.", false, {{3, "3 hours", hrs, 0, 9, 7}}},
        {"10m", false, {}},
        {"10m", true, {{10, "10m", min, 0, 0, 3}}},
        {"5 s left", false, {{5, "5", none, 0, 0, 1}}},
        {"$5m", false, {}},
        // A currency's code glued to the amount leaves it a number; a code
        // that is also a word does not.
        {"249CHF", false, {{249, "249", none, 0, 0, 3}}},
        {"12,50SEK", false, {{12.5, "12,50", none, 2, 0, 5}}},
        {"10TOP", false, {}},
        {"3CHFX", false, {}},
        // The sign may stand before a line break, which the end anchor lets through.
        {"€\r\n5", false, {{5, "5", ValueUnit::eur, 0, 3, 1}}},
        // Clocks, and durations merged when time is preferred.
        {"12:30", false, {}},
        {"12:30", true, {{750, "12:30", sec, 0, 0, 5}}},
        {"1:05:30", true, {{3930, "1:05:30", sec, 0, 0, 7}}},
        {"5 at 12:30", true, {{5, "5", none, 0, 0, 1}, {750, "12:30", sec, 0, 5, 5}}},
        {"2h 5m", false, {}},
        {"2h 5m", true, {{7500, "2h 5m", sec, 0, 0, 5}}},
        {"30s 2h", true, {{7230, "30s 2h", sec, 0, 0, 6}}},
        {"1 hour and 30 minutes", true, {{5400, "1 hour and 30 minutes", sec, 0, 0, 21}}},
        {"1 hour, 30 minutes", true, {{5400, "1 hour, 30 minutes", sec, 0, 0, 18}}},
        {"1 hour or 30 minutes", true, {{1, "1 hour", hrs, 0, 0, 6}, {30, "30 minutes", min, 0, 10, 10}}},
        {"1 hour AND 30 minutes", true, {{1, "1 hour", hrs, 0, 0, 6}, {30, "30 minutes", min, 0, 11, 10}}},
        {"1 hour and 30 minutes", false, {{1, "1 hour", hrs, 0, 0, 6}, {30, "30 minutes", min, 0, 11, 10}}},
        // A clock counts as seconds and merges with a time number beside it.
        {"12:30 5 min", true, {{1050, "12:30 5 min", sec, 0, 0, 11}}},
        {"12:30, 45", true, {{750, "12:30", sec, 0, 0, 5}, {45, "45", none, 0, 7, 2}}},
        // Merged, these would be too large to hold: they stay apart.
        {std::string("49").append(303, '0').append(" hours 2").append(305, '0').append(" min"), true,
         {{4.9e304, std::string("49").append(303, '0').append(" hours"), hrs, 0, 0, 311},
          {2e305, std::string("2").append(305, '0').append(" min"), min, 0, 312, 310}}},
        // A duration too large to count in seconds is no number; the same digits as a plain number are.
        {std::string(306, '9').append(" hours 1 s"), true, {{1, "1 s", sec, 0, 313, 3}}},
        {std::string(306, '9').append(" hours"), false, {}},
        {std::string(306, '9').append(" apples"), false, {{1e306, std::string(306, '9'), none, 0, 0, 306}}},
    };
    for (const Case& c : cases) expectNumbers(c);
}

TEST(NumberParser, AMinusRightBeforeACurrencySignSignsTheAmount) {
    constexpr auto usd = ValueUnit::usd;
    const Case cases[] = {
        {"Loss \u2212$48.20", false, {{-48.2, "\u2212$48.20", usd, 2, 5, 7}}},
        {"-$48.20", false, {{-48.2, "-$48.20", usd, 2, 0, 7}}},
        {"\u2212\u20AC1.050,00", false, {{-1050, "\u2212\u20AC1.050,00", ValueUnit::eur, 2, 0, 10}}},
        {"(-\u00A33)", false, {{-3, "-\u00A33", ValueUnit::gbp, 0, 1, 3}}},
        {"Refund \u2212\u00A5480", false, {{-480, "\u2212\u00A5480", none, 0, 7, 5}}},
        {"-\u20B9 5", false, {{5, "5", none, 0, 3, 1}}},
        {"$-48.20", false, {{-48.2, "-48.20", usd, 2, 1, 6}}},
        // Ordinary text it leaves alone: ranges, separators, a minus that
        // is not right before the sign, a sign not right before the digits.
        {"10-20", false, {{10, "10", none, 0, 0, 2}, {20, "20", none, 0, 3, 2}}},
        {"pages 10\u201320", false, {{10, "10", none, 0, 6, 2}, {20, "20", none, 0, 9, 2}}},
        {"$10-$20", false, {{10, "10", usd, 0, 1, 2}, {20, "20", usd, 0, 5, 2}}},
        {"$1.5-$2", false, {{1.5, "1.5", usd, 1, 1, 3}, {2, "2", usd, 0, 6, 1}}},
        {"Price - $5", false, {{5, "5", usd, 0, 9, 1}}},
        {"\u2212 $5", false, {{5, "5", usd, 0, 3, 1}}},
        {"-$ 48", false, {{48, "48", usd, 0, 3, 2}}},
        {"A-$5", false, {{5, "5", usd, 0, 3, 1}}},
        {"-x$5", false, {{5, "5", usd, 0, 3, 1}}},
    };
    for (const Case& c : cases) expectNumbers(c);
}

TEST(NumberParser, ThinSpacesGroupDigitsInThrees) {
    const std::string thin = "\u2009";
    const Case cases[] = {
        {"Revenue 12" + thin + "345" + thin + "678 \u20AC", false,
         {{12345678, "12" + thin + "345" + thin + "678", ValueUnit::eur, 0, 8, 10}}},
        {"1" + thin + "234,50", false, {{1234.5, "1" + thin + "234,50", none, 2, 0, 8}}},
        // Ordinary spaced numbers, dates and times stay apart.
        {"1" + thin + "2" + thin + "3", false, {{1, "1", none, 0, 0, 1}, {2, "2", none, 0, 2, 1}, {3, "3", none, 0, 4, 1}}},
        {"Page 3 of 10", false, {{3, "3", none, 0, 5, 1}, {10, "10", none, 0, 10, 2}}},
        {"8" + thin + "Dec" + thin + "2026", false, {{8, "8", none, 0, 0, 1}, {2026, "2026", none, 0, 6, 4}}},
        {"12:30" + thin + "450", false, {{450, "450", none, 0, 6, 3}}},
        {"12:30" + thin + "450", true, {{750, "12:30", sec, 0, 0, 5}, {450, "450", none, 0, 6, 3}}},
        {"12:30\u00A0450", false, {{450, "450", none, 0, 6, 3}}},
        {"25" + thin + "12" + thin + "2026", false,
         {{25, "25", none, 0, 0, 2}, {12, "12", none, 0, 3, 2}, {2026, "2026", none, 0, 6, 4}}},
    };
    for (const Case& c : cases) expectNumbers(c);
    // Only a clock's end keeps them apart, not any colon before the digits.
    for (const std::string space : {"\u00A0", "\u202F", "\u2009"}) {
        expectNumbers({"Total:12" + space + "345 \u20AC", false, {{12345, "12" + space + "345", ValueUnit::eur, 0, 6, 6}}});
        expectNumbers({"Scale 1:250" + space + "000", false,
                       {{1, "1", none, 0, 6, 1}, {250000, "250" + space + "000", none, 0, 8, 7}}});
        expectNumbers({"Due 9:45" + space + "120", false, {{120, "120", none, 0, 9, 3}}});
    }
    EXPECT_EQ(NumberParser::parseLiteral("1" + thin + "000", false), (NumberParser::Literal{1000, 0}));
}

TEST(NumberParser, WhatStandsRightBeforeTheDigitsDecidesWhateverLiesFurtherBack) {
    auto read = [](const char* line, bool preferTime) {
        std::vector<std::pair<double, int>> out;
        for (const ReadNumber& n : NumberParser::numbers(line, preferTime)) out.emplace_back(n.value, n.location);
        return out;
    };
    using Found = std::vector<std::pair<double, int>>;
    EXPECT_EQ(read("\U0001D400\U0001D4005", false), Found{});  // a letter outside the BMP
    EXPECT_EQ(read("\U0001D400\U0001D400 -5", false), (Found{{-5, 5}}));
    EXPECT_EQ(read("ab.5 x,5 v 5", false), (Found{{5, 11}}));
    EXPECT_EQ(read("long text before 12:30 and 7", false), (Found{{7, 27}}));
    EXPECT_EQ(read("long text before 12:30", true), (Found{{750, 17}}));
}

TEST(NumberParser, ParseLiteralChoosesTheDecimalSeparator) {
    using L = NumberParser::Literal;
    const std::tuple<std::string, bool, std::optional<L>> rows[] = {  // text, comma hint, value and decimals
        {"1.234,5", false, L{1234.5, 1}},   {"1,234.5", false, L{1234.5, 1}},    {"1.234.567", false, L{1234567, 0}},
        {"1.234", false, L{1.234, 3}},      {"1.234", true, L{1234, 0}},         {"0.234", true, L{0.234, 3}},
        {"1234.567", true, L{1234.567, 3}}, {"1,234", true, L{1234, 0}},         {"1,234", false, L{1234, 0}},
        {"12,5", false, L{12.5, 1}},        {"0,500", false, L{0.5, 3}},         {"1234,567", false, L{1234.567, 3}},
        {" \u22127 ", false, L{-7, 0}},     {"-0,25", false, L{-0.25, 2}},       {"1\u2019000", false, L{1000, 0}},
        {"1'000.50", false, L{1000.5, 2}},  {".5", false, L{0.5, 1}},            {"5.", false, L{5, 0}},
        {std::string("0.").append(400, '0').append("1"), false, L{0, 401}},
        {"", false, none}, {"-", false, none}, {".", false, none}, {"1 000", false, none}, {"12a", false, none},
        {"\u0661\u0662", false, none}, {std::string(400, '9'), false, none},
    };
    for (const auto& [text, hint, expected] : rows) {
        SCOPED_TRACE("\"" + text + "\"" + (hint ? " with the comma hint" : ""));
        std::optional<L> got = NumberParser::parseLiteral(text, hint);
        ASSERT_EQ(got.has_value(), expected.has_value());
        if (!got) continue;
        EXPECT_DOUBLE_EQ(got->value, expected->value);
        EXPECT_EQ(got->decimals, expected->decimals);
    }
}

TEST(NumberParser, UnitWords) {
    const std::tuple<std::string, bool, std::optional<ValueUnit>> rows[] = {  // word, short forms allowed, unit
        {"%", false, ValueUnit::percent},  {" Percent ", false, ValueUnit::percent},
        {"€", false, ValueUnit::eur},      {"EUR", false, ValueUnit::eur},
        {"euros", false, ValueUnit::eur},  {"$", false, ValueUnit::usd},
        {"Dollar", false, ValueUnit::usd}, {"£", false, ValueUnit::gbp},
        {"pounds", false, ValueUnit::gbp}, {"hrs", false, hrs},
        {"mins", false, min},              {"SECOND", false, sec},
        {"h", false, none},                {"h", true, hrs},
        {"M", true, min},                  {"s", true, sec},
        {"ms", true, none},                {"yen", false, none},
    };
    for (const auto& [word, allowShort, unit] : rows) EXPECT_EQ(NumberParser::unit(word, allowShort), unit) << word;
}

// Parts that overlap are never merged: the parser never makes them, another caller might.
TEST(NumberParser, MergeDurationsLeavesOverlappingParts) {
    const std::vector<ReadNumber> parts = {{1, "1 h", hrs, 0, 0, 3, 0, std::nullopt},
                                           {30, "30 min", min, 0, 2, 6, 0, std::nullopt}};
    EXPECT_EQ(NumberParser::mergeDurations(parts, "1 h 30 min"), parts);
}
