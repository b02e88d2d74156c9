#include "core/reading/text_match.hpp"

#include <gtest/gtest.h>

#include "support/samples.hpp"

#include <string>
#include <vector>

using namespace kestrove;

namespace {

std::vector<OCRLine> linesOf(const std::vector<std::string>& texts) { return samples::stackedLines(texts); }

}  // namespace

TEST(TextMatch, TruncateCutsAtALateSpaceOrMidWord) {
    const std::tuple<std::string, std::size_t, std::string> rows[] = {
        {"Your order has shipped", 12, "Your order…"},
        {"Downloading update files", 10, "Downloadin…"},
        {"Exactly ten", 11, "Exactly ten"},
        {"abcd efgh", 8, "abcd efg…"},  // 4 characters before the space is not more than half
        {"Done", 0, "…"},
        // Characters, not bytes or code units.
        {"👍🏽👍🏽👍🏽", 2, "👍🏽👍🏽…"},
        {"Café crème brûlée", 12, "Café crème…"},
    };
    for (const auto& [text, n, cut] : rows) EXPECT_EQ(TextMatch::truncate(text, n), cut) << text << " to " << n;
}

TEST(TextMatch, StripNumbersRemovesAmountsClocksAndSeparators) {
    const std::pair<std::string, std::string> rows[] = {
        {"Price: $1,299.00", "Price"}, {"12:30 – Boarding", "Boarding"}, {"Order 42   shipped", "Order shipped"},
        {"Total (3 items) 12 €", "Total ( items"}, {"rev2 and A4 stay", "rev2 and A4 stay"}, {"−5 °C", "°C"},
        {"[1/3]", ""},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(TextMatch::stripNumbers(in), out) << in;
}

TEST(TextMatch, NormalizeFoldsAndKeepsLettersMarksAndDigits) {
    const std::pair<std::string, std::string> rows[] = {
        {"Sold Out!", "soldout"}, {"Café", "cafe"},    {"ＡＢＣ１２", "abc12"},
        {"—•••", ""},             {"Ünïcödé 2.0", "unicode20"}, {"日本語", "日本語"},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(TextMatch::normalize(in), out) << in;
}

TEST(TextMatch, ContainsComparesNormalisedTextAcrossLines) {
    const std::tuple<std::vector<std::string>, std::string, bool> rows[] = {
        {{"SOLD", "OUT"}, "sold out", true},
        {{"Status: Sold-Out"}, "sold out", true},
        {{"CAFE OPEN"}, "Café", true},
        {{"Abandoned"}, "done", true},
        {{"In stock"}, "sold out", false},
        {{}, "anything", false},
        // Nothing left once normalised: only the literal text counts.
        {{"Why??"}, "??", true},
        {{"Why ? ?"}, "??", false},
        {{"A → B"}, "→", true},
        {{"Done"}, "", false},
        {{}, "??", false},
    };
    for (const auto& [lines, text, found] : rows) EXPECT_EQ(TextMatch::contains(linesOf(lines), text), found) << text;
}

TEST(TextMatch, ContainsFindsAClockOnlyWhereItStandsAlone) {
    const std::tuple<std::string, std::string, bool> rows[] = {
        {"Departs 12:30", "12:30", true},  {"Departs 12 : 30", "12:30", true}, {"1:05:30 left", "1:05:30", true},
        {"Departs 112:30", "12:30", false}, {"12:305", "12:30", false},        {"12:30:15", "12:30", false},
        {"12:30 : 15", "12:30", false},    {"09:05", "9:05", false},          {"12h30", "12:30", false},
        // Normalising would have found "1230" here; a clock is never matched that way.
        {"Room 1230", "12:30", false},
    };
    for (const auto& [line, clock, found] : rows)
        EXPECT_EQ(TextMatch::contains(linesOf({"first line", line}), clock), found) << clock << " in " << line;
}

TEST(TextMatch, ClockLiteralIsAWholeClock) {
    for (const char* yes : {"1:05", "12:30", "1:05:30"})
        EXPECT_TRUE(TextMatch::clockLiteral().matches(std::string_view(yes))) << yes;
    for (const char* no : {"123:45", "12:3", "12:30:", "at 12:30", "12:30:15:00"})
        EXPECT_FALSE(TextMatch::clockLiteral().matches(std::string_view(no))) << no;
}
