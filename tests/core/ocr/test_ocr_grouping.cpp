// Spaces read between digit groups beside a currency sign group one amount;
// spaced numbers of ordinary text stay apart.

#include "core/ocr/ocr_mending.hpp"

#include <gtest/gtest.h>

using namespace kestrove;

TEST(OcrGrouping, GroupsOfThreeBesideACurrencySignAreOneAmount) {
    const std::string nbsp = "\u00A0";
    const std::pair<std::string, std::string> rows[] = {  // read, mended
        {"Revenue 12 345 678 \u20AC", "Revenue 12" + nbsp + "345" + nbsp + "678 \u20AC"},
        // A thin space Tesseract dropped: the six digits are two groups.
        {"Revenue 12 345678 \u20AC", "Revenue 12" + nbsp + "345" + nbsp + "678 \u20AC"},
        {"\u20AC 1 234567,50", "\u20AC 1" + nbsp + "234" + nbsp + "567,50"},
        {"9 876543,21 EUR", "9" + nbsp + "876" + nbsp + "543,21 EUR"},
        // Ordinary text: no currency beside it, groups not of threes, years.
        {"Population 1 234567", "Population 1 234567"},
        {"Page 3 of 10", "Page 3 of 10"},
        {"1 2 3 \u20AC", "1 2 3 \u20AC"},
        {"12 1234 \u20AC", "12 1234 \u20AC"},
        {"12 34567 \u20AC", "12 34567 \u20AC"},
        {"2024 275 \u20AC", "2024 275 \u20AC"},
        {"8 Dec 2026 \u20AC5", "8 Dec 2026 \u20AC5"},
    };
    for (const auto& [read, mended] : rows) EXPECT_EQ(mendedLine(read), mended) << read;
}
