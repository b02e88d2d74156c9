// A number's point or comma told by the mark the picture shows.

#include "core/ocr/ocr_separators.hpp"

#include <gtest/gtest.h>

#include "core/foundation/text.hpp"
#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

namespace {

// Digits 6 wide and 10 tall standing on row 12, at the given left edges; a
// mark between the second and third, 2 wide, from `markTop` to `markBottom`.
// The engine read the word as `symbols` say, the marks over the mark's place.
struct Drawn {
    GreyPicture picture;
    EngineLine line;
};

Drawn number(int markTop, int markBottom, const std::vector<std::string>& symbols) {
    auto rows = blank(40, 18);
    const int lefts[] = {2, 10, 22, 30};
    for (int left : lefts) ink(rows, left, 2, 6, 10);
    if (markBottom > markTop) ink(rows, 18, markTop, 2, markBottom - markTop);
    EngineWord word{"", {2, 2, 36, 12}, 90, {}};
    std::size_t d = 0;
    for (const std::string& s : symbols) {
        const bool isDigit = s[0] >= '0' && s[0] <= '9';
        const PixelBox box = isDigit ? PixelBox{lefts[d], 2, lefts[d] + 6, 12} : PixelBox{17, 8, 21, 14};
        d += isDigit;
        word.text += s;
        word.symbols.push_back({s, box, 90});
    }
    return {drawn(rows), {"pre " + word.text + "\n", {2, 2, 36, 12}, 90, {{"pre", {0, 2, 1, 12}, 90, {}}, word}}};
}

}  // namespace

TEST(OcrSeparators, APointOrACommaIsTheOneTheMarkShows) {
    struct Case {
        const char* what;
        int markTop, markBottom;
        std::vector<std::string> symbols;
        const char* read;
    };
    const Case cases[] = {
        {"a point read as both", 10, 12, {"2", "4", ",", ".", "9", "9"}, "24.99"},
        {"a point read as a comma", 10, 12, {"2", "4", ",", "9", "9"}, "24.99"},
        {"a point read right", 10, 12, {"2", "4", ".", "9", "9"}, "24.99"},
        {"a comma read as a point", 10, 15, {"2", "4", ".", "9", "9"}, "24,99"},
        {"a comma read as both", 10, 15, {"2", "4", ".", ",", "9", "9"}, "24,99"},
        {"a comma read right", 10, 15, {"2", "4", ",", "9", "9"}, "24,99"},
        {"a point a pixel above the digits' foot", 9, 11, {"2", "4", ",", "9", "9"}, "24.99"},
        {"a comma's tail a pixel below it", 9, 13, {"2", "4", ".", "9", "9"}, "24,99"},
        {"a raised mark is neither", 2, 5, {"2", "4", ",", "9", "9"}, "24,99"},
        {"no mark, nothing to tell", 0, 0, {"2", "4", ",", "9", "9"}, "24,99"},
        {"not between digits", 10, 12, {"2", "4", "9", "9", ","}, "2499,"},
    };
    for (const Case& c : cases) {
        Drawn d = number(c.markTop, c.markBottom, c.symbols);
        mendSeparators(d.line, d.picture, 250);
        EXPECT_EQ(d.line.words[1].text, c.read) << c.what;
        EXPECT_EQ(text::trimWhitespaceAndNewlines(d.line.text), "pre " + std::string(c.read)) << c.what;
    }
}
