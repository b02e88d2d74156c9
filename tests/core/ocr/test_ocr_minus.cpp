// Recognition's long dash right before a number, or before the currency sign
// right before it, is the number's minus; dashes of ordinary text stay.

#include "core/ocr/ocr_mending.hpp"

#include <gtest/gtest.h>

using namespace kestrove;

TEST(OcrMinus, ALongDashStartingAnAmountIsItsMinus) {
    const std::pair<const char*, const char*> rows[] = {  // read, mended
        {"Loss \u2014$48.20", "Loss \u2212$48.20"},
        {"\u2013\u20AC1.050,00", "\u2212\u20AC1.050,00"},
        {"(\u2014\u00A33)", "(\u2212\u00A33)"},
        {"Loss \u201452", "Loss \u221252"},
        // Ordinary text: ranges, separators, a dash not right before the sign.
        {"$10\u2013$20", "$10\u2013$20"},
        {"pages 10\u201320", "pages 10\u201320"},
        {"Price \u2014 $5", "Price \u2014 $5"},
        {"\u2014$ 5", "\u2014$ 5"},
        {"A\u2014$5", "A\u2014$5"},
        {"Q3 \u2014 \u20AC5", "Q3 \u2014 \u20AC5"},
        {"Sales \u2014$", "Sales \u2014$"},
    };
    for (const auto& [read, mended] : rows) EXPECT_EQ(mendedLine(read), mended) << read;
}
