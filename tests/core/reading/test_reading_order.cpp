#include "core/reading/reading_order.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace kestrove;

namespace {

OCRLine at(std::string text, double x, double y) { return {std::move(text), NormRect{x, y, 0.2, 0.05}, 0.9}; }

std::vector<std::string> texts(const std::vector<OCRLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(l.text);
    return out;
}

}  // namespace

TEST(ReadingOrder, RowsByTopThenLeftToRightWithinTheTolerance) {
    struct Case { const char* name; std::vector<OCRLine> in; std::vector<std::string> expected; };
    const std::vector<Case> cases = {
        {"tops 0.015 apart read as one row", {at("right", 0.6, 0.100), at("left", 0.1, 0.115)}, {"left", "right"}},
        {"tops 0.021 apart read top first", {at("upper", 0.6, 0.100), at("lower", 0.1, 0.121)}, {"upper", "lower"}},
        {"lower given first", {at("lower", 0.1, 0.121), at("upper", 0.6, 0.100)}, {"upper", "lower"}},
        {"three rows shuffled",
         {at("c", 0.1, 0.8), at("a2", 0.5, 0.1), at("b", 0.3, 0.45), at("a1", 0.05, 0.105)},
         {"a1", "a2", "b", "c"}},
        {"equal lines keep their order", {at("first", 0.2, 0.3), at("second", 0.2, 0.3), at("third", 0.2, 0.3)},
         {"first", "second", "third"}},
        // b is in a's row and c in b's, but c is not in a's: no consistent
        // order exists, and the sort must still end with every line once.
        {"chained rows", {at("a", 0.5, 0.00), at("b", 0.3, 0.015), at("c", 0.1, 0.03)}, {"b", "a", "c"}},
    };
    for (const auto& c : cases) {
        auto lines = c.in;
        sortInReadingOrder(lines);
        EXPECT_EQ(texts(lines), c.expected) << c.name;
    }
}

TEST(ReadingOrder, NoNeighboursOutOfOrderOnCrowdedRows) {
    // Tops on a fine grid make chains of near rows everywhere.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> step(0, 30);
    for (int round = 0; round < 50; ++round) {
        std::vector<OCRLine> lines;
        for (int i = 0; i < 40; ++i)
            lines.push_back(at(std::to_string(i), step(random) / 30.0, step(random) * 0.005));
        auto sorted = lines;
        sortInReadingOrder(sorted);

        auto a = texts(lines), b = texts(sorted);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        ASSERT_EQ(a, b) << "lines lost or repeated";
        for (std::size_t i = 1; i < sorted.size(); ++i)
            ASSERT_FALSE(readsBefore(sorted[i], sorted[i - 1])) << "round " << round << " at " << i;
    }
}
