// How the accessibility check writes readings, rules, times and barks, and
// the numbers it takes from its environment.

#include <gtest/gtest.h>

#include <cmath>

#include "app/dev/ax_text.hpp"

namespace kestrove::DevAX {
namespace {

OCRLine line(std::string text) { return {std::move(text), NormRect::full(), 1}; }

TEST(AxText, NumbersCutOrRoundedWithoutSurprises) {
    // Milliseconds keep one decimal below ten and round halves away above.
    const std::pair<double, const char*> cases[] = {
        {3.14, "3.1"}, {9.96, "10.0"}, {0, "0.0"}, {10.4, "10"}, {12.5, "13"}, {1234.5, "1235"}, {99.49, "99"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(ms(value), text) << value;
    EXPECT_EQ(fixed(-0.01, 1), "0.0");
    EXPECT_EQ(real(2), "2.0");
    EXPECT_EQ(whole(-3.9), "-3");
    EXPECT_EQ(whole(std::nan("")), "?");
    EXPECT_EQ(whole(1e20), "100000000000000000000");
}

TEST(AxText, MedianTakesTheUpperMiddleAndNothingIsZero) {
    EXPECT_EQ(median({}), 0);
    EXPECT_EQ(median({3, 1, 4, 2}), 3);
    EXPECT_EQ(median({5}), 5);
    EXPECT_EQ(median({9, 1, 5}), 5);
    EXPECT_EQ(largest({}), 0);
    EXPECT_EQ(largest({2, 7, 3}), 7);
}

TEST(AxText, PadCountsCharactersNotBytes) {
    EXPECT_EQ(pad("abc", 5), "abc  ");
    EXPECT_EQ(pad("abcdef", 5), "abcdef ");
    EXPECT_EQ(pad("abcde", 5), "abcde ");
    // "€" and "…" are three bytes each but one character.
    EXPECT_EQ(pad("\u20ac249.00", 9), "\u20ac249.00  ");
    EXPECT_EQ(pad("Exporting\u2026", 12), "Exporting\u2026  ");
}

TEST(AxText, DescribeNamesTheKindAndWhatItLooksFor) {
    using T = WatchType;
    struct Case {
        WatchType type;
        std::optional<std::string> text;
        Comparison comparator;
        std::optional<double> value;
        std::optional<WatchType> from;
        const char* described;
    };
    const Case cases[] = {
        {T::anyChange, {}, Comparison::none, {}, {}, "any_change"},
        {T::textAppears, "Done", Comparison::none, {}, {}, "text_appears \"Done\""},
        {T::textAppears, {}, Comparison::none, {}, {}, "text_appears \"\""},
        {T::textGone, "Exporting", Comparison::none, {}, T::stateReached, "text_gone \"Exporting\" (derived, waits)"},
        {T::numberCompare, {}, Comparison::lt, 200, {}, "number_compare lt 200"},
        {T::numberCompare, {}, Comparison::gte, 1234567, {}, "number_compare gte 1.23457e+06"},
        {T::numberCompare, {}, Comparison::eq, {}, {}, "number_compare eq ?"},
        {T::newLine, {}, Comparison::none, {}, T::newItem, "new_line (derived)"},
    };
    for (const Case& c : cases) {
        WatchSpec spec;
        spec.type = c.type;
        spec.target.text = c.text;
        spec.comparator = c.comparator;
        spec.value = c.value;
        spec.ruleFrom = c.from;
        EXPECT_EQ(describe(spec), c.described);
    }
}

TEST(AxText, ReadingsAndBarksAsText) {
    EXPECT_EQ(show(std::vector<OCRLine>{}), "(no text)");
    EXPECT_EQ(show(std::vector<OCRLine>{line("a"), line("b")}), "a | b");
    EXPECT_EQ(show(DirectAnswer::noAnswer(DirectSilence::notExposed)), "NO ANSWER (notExposed)");
    EXPECT_EQ(show(DirectAnswer::lines({})), "(no text)");
    EXPECT_EQ(when(std::nullopt), "never");
    EXPECT_EQ(when(BarkRecord{3, 4.25, "189"}), "t3 (+4.2 s), read 189");
    EXPECT_EQ(when(BarkRecord{5, 10, std::nullopt}), "t5 (+10.0 s)");
    EXPECT_EQ(brief({line("Exporting"), line("Counter 12"), line("Cancel")}), "Exporting | Counter 12 [3 lines]");
    EXPECT_EQ(brief({line("one"), line("two")}), "(neither line) [2 lines]");
    EXPECT_EQ(brief({}), "(neither line) [0 lines]");
}

TEST(AxText, TickLengthFallsBackOnAnythingButASensibleNumber) {
    const std::pair<const char*, double> cases[] = {
        {nullptr, 2.0}, {"", 2.0}, {"abc", 2.0}, {"3x", 2.0}, {" 3", 2.0},  // not a number: the default
        {"0.5", 1.0},   {"0.25", 1.0}, {"-4", 1.0}, {"nan", 1.0},           // too short, or NaN: the least
        {"3", 3.0},     {"1.5", 1.5},  {"inf", 2.0}, {"1e400", 2.0}, {"1e9", 2.0},  // unbounded or absurd: the default
    };
    for (const auto& [text, seconds] : cases) EXPECT_EQ(tickLength(text), seconds) << (text ? text : "(unset)");
}

TEST(AxText, CounterSentenceAddsTwentyWhenTheNumberFits) {
    EXPECT_EQ(counterSentence({line("Exporting"), line("Counter 17 frames")}), "the counter reaches 37");
    EXPECT_EQ(counterSentence({line("Counter"), line("17")}), "the counter reaches 37");  // lines joined by a blank
    EXPECT_EQ(counterSentence({line("Counter: 17")}), std::nullopt);
    EXPECT_EQ(counterSentence({line("Counter x, Counter 5")}), "the counter reaches 25");
    EXPECT_EQ(counterSentence({line("Counter 9223372036854775787")}), "the counter reaches 9223372036854775807");
    EXPECT_EQ(counterSentence({line("Counter 9223372036854775788")}), std::nullopt);
    EXPECT_EQ(counterSentence({line("Counter 99999999999999999999999")}), std::nullopt);
}

}  // namespace
}  // namespace kestrove::DevAX
