// Words parted where the picture shows a space the engine left out.

#include "core/ocr/ocr_spacing.hpp"

#include <gtest/gtest.h>

#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

namespace {

// One line of characters, each `size` wide, at the given left edges; the
// engine's words as `words` say (character counts), each character a symbol.
struct Drawn {
    GreyPicture picture;
    EngineLine line;
};

Drawn line(const std::string& text, const std::vector<int>& lefts, const std::vector<int>& words, int size = 6) {
    auto rows = blank(lefts.back() + size + 4, 14);
    EngineLine out{"", {lefts.front(), 2, lefts.back() + size, 12}, 90, {}};
    std::size_t i = 0;
    for (int count : words) {
        EngineWord word{"", {lefts[i], 2, lefts[i + count - 1] + size, 12}, 90, {}};
        for (int k = 0; k < count; ++k, ++i) {
            ink(rows, lefts[i], 2, size, 10);
            word.text += text[i];
            word.symbols.push_back({std::string(1, text[i]), {lefts[i], 2, lefts[i] + size, 12}});
        }
        out.text += (out.text.empty() ? "" : " ") + word.text;
        out.words.push_back(word);
    }
    return {drawn(rows), out};
}

}  // namespace

TEST(OcrSpacing, ANumberIsPartedFromAWordBesideItWhereThePictureShowsASpace) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<int> lefts, words;
        const char* read;
    };
    const Case cases[] = {
        // "in 30s": the gap after 30 as wide as the space after "in".
        {"a unit glued to its number", "in30s", {0, 8, 20, 28, 40}, {2, 3}, "in 30 s"},
        {"hours glued to minutes", "at2h15", {0, 8, 20, 32, 44, 52}, {2, 4}, "at 2 h 15"},
        {"a number's own digits stay", "in305", {0, 8, 20, 28, 36}, {2, 3}, "in 305"},
        {"a narrow gap is no space", "in30s", {0, 8, 20, 28, 36}, {2, 3}, "in 30s"},
        {"letters are not parted", "abcde", {0, 8, 20, 28, 40}, {2, 3}, "ab cde"},
        {"a lone word has no measure of a space", "30s", {0, 8, 20}, {3}, "30s"},
        // A lone word: a space is four times its widest gap of one kind.
        {"a unit far from its number, alone", "73km", {0, 8, 30, 38}, {4}, "73 km"},
        {"a unit a side bearing from its number, alone", "73km", {0, 8, 20, 28}, {4}, "73km"},
        {"a rank, alone", "1st", {0, 8, 16}, {3}, "1st"},
        {"a paper size, alone", "A0", {0, 20}, {2}, "A0"},
        {"a file name, alone", "mp3", {0, 8, 16}, {3}, "mp3"},
        // "Net -1,306": the comma's wide side bearings are no space.
        {"a grouping comma stays with its digits", "is1,306", {0, 8, 20, 32, 40, 48, 56}, {2, 5}, "is 1,306"},
        {"so does a decimal point", "at4.50", {0, 8, 20, 32, 40, 48}, {2, 4}, "at 4.50"},
    };
    for (const Case& c : cases) {
        Drawn d = line(c.text, c.lefts, c.words);
        partAtSpaces(d.line, d.picture, 250);
        EXPECT_EQ(d.line.text, c.read) << c.what;
    }
}

TEST(OcrSpacing, TheWidestBlankIsMeasuredBetweenInk) {
    const GreyPicture p = drawn({"#..#....#", "#..#....#"});
    EXPECT_EQ(widestBlank(p, 250, 0, 9, 0, 2), 4);
    EXPECT_EQ(widestBlank(p, 250, 0, 4, 0, 2), 2);
    EXPECT_EQ(widestBlank(p, 250, -5, 50, 0, 9), 4);  // clipped to the picture
    EXPECT_EQ(widestBlank(p, 20, 0, 9, 0, 2), 1);     // against a dark ground the ink is blank
}
