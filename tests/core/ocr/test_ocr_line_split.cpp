#include "core/ocr/ocr_line_split.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrove;

namespace {

EngineWord word(std::string text, int left, int right, double confidence = 90) {
    return {std::move(text), {left, 20, right, 40}, confidence, {}};
}

// One 20-pixel-high line from its words; the line's own text is the words
// joined, as the engine gives it.
EngineLine line(std::vector<EngineWord> words, double confidence = 90) {
    EngineLine l;
    l.box = {words.front().box.left, 20, words.back().box.right, 40};
    for (const auto& w : words) l.text += (l.text.empty() ? "" : " ") + w.text;
    l.text += "\n";
    l.confidence = confidence;
    l.words = std::move(words);
    return l;
}

void expectBox(const NormRect& got, const NormRect& want) {
    EXPECT_NEAR(got.x, want.x, 1e-12);
    EXPECT_NEAR(got.y, want.y, 1e-12);
    EXPECT_NEAR(got.w, want.w, 1e-12);
    EXPECT_NEAR(got.h, want.h, 1e-12);
}

std::vector<std::string> texts(const std::vector<OCRLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(l.text);
    return out;
}

}  // namespace

TEST(OcrLineSplit, WordGapsWiderThanOneAndAHalfLineHeightsSplitALine) {
    struct Case {
        const char* name;
        EngineLine in;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"ordinary spaces", line({word("Status:", 10, 80), word("Exporting", 90, 180), word("42%", 190, 230)}),
         {"Status: Exporting 42%"}},
        {"gap of exactly 1.5 heights", line({word("Name:", 10, 60), word("Alice", 90, 140)}), {"Name: Alice"}},
        {"gap just wider", line({word("Name:", 10, 60), word("Alice", 91, 141)}), {"Name:", "Alice"}},
        {"three runs",
         line({word("Price", 10, 60), word("€219.50", 66, 146), word("Qty", 480, 515), word("3", 523, 533),
               word("Total", 700, 750)}),
         {"Price €219.50", "Qty 3", "Total"}},
    };
    for (const auto& c : cases) EXPECT_EQ(texts(toOCRLines({c.in}, 800, 60)), c.expected) << c.name;
}

TEST(OcrLineSplit, ARunTakesItsWordsBoxAndMeanConfidence) {
    const auto lines = toOCRLines({line({word("Price", 10, 60, 80), word("€219.50", 66, 146, 90),
                                         word("Qty", 480, 515, 70), word("3", 520, 530, 50)},
                                        82)},
                                  800, 50);
    ASSERT_EQ(lines.size(), 2u);
    expectBox(lines[0].box, {10 / 800.0, 20 / 50.0, 136 / 800.0, 20 / 50.0});
    EXPECT_DOUBLE_EQ(lines[0].confidence, 0.85);
    expectBox(lines[1].box, {480 / 800.0, 20 / 50.0, 50 / 800.0, 20 / 50.0});
    EXPECT_DOUBLE_EQ(lines[1].confidence, 0.60);
}

TEST(OcrLineSplit, AWholeLineKeepsTheEnginesTextBoxAndConfidenceWithinBounds) {
    EngineLine l = line({word("Ready", 5, 53), word("100%", 60, 104)}, 96.5);
    l.box = {-2, 6, 130, 21};  // a little past both sides of a 120 × 24 picture
    EngineLine blank;
    blank.text = " \n";
    blank.box = {0, 0, 10, 10};
    EngineLine overConfident = line({word("OK", 10, 40)}, 100.4);

    const auto lines = toOCRLines({blank, l, overConfident}, 120, 24);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "Ready 100%");
    expectBox(lines[0].box, {0, 6 / 24.0, 1, 15 / 24.0});
    EXPECT_DOUBLE_EQ(lines[0].confidence, 0.965);
    EXPECT_EQ(lines[1].confidence, 1.0);
}
