// A sign read as a hyphen is the minus the picture shows.

#include "core/ocr/ocr_signs.hpp"

#include <gtest/gtest.h>

#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

TEST(OcrSigns, ASignAsLongAsTwoThirdsOfItsDigitIsTheTypographicMinus) {
    struct Case {
        const char* what;
        std::string before;  // a character read right before the sign, or none
        const char* sign;    // as Tesseract read it
        int length;          // of the mark, before a digit 15 tall
        bool bitmap;
        const char* read;
    };
    const Case cases[] = {
        {"a minus on a page", "", "-", 10, false, "\u22125"},
        {"a hyphen", "", "-", 5, false, "-5"},
        {"a hyphen read as a minus", "", "\u2212", 5, false, "-5"},
        {"a range between numbers", "4", "-", 10, false, "4-5"},
        {"a word's hyphen", "a", "-", 10, false, "a-5"},
        {"a terminal's one dash", "", "-", 10, true, "-5"},
    };
    for (const Case& c : cases) {
        auto rows = blank(40, 24);
        int x = 2;
        EngineWord word{"", {2, 4, 38, 19}, 90, {}};
        if (!c.before.empty()) {
            ink(rows, x, 4, 6, 15);
            word.symbols.push_back({c.before, {x, 4, x + 6, 19}, 90});
            x += 8;
        }
        ink(rows, x, 11, c.length, 2);
        word.symbols.push_back({c.sign, {x, 10, x + c.length, 13}, 90});
        x += c.length + 2;
        ink(rows, x, 4, 8, 15);
        word.symbols.push_back({"5", {x, 4, x + 8, 19}, 90});
        for (const EngineSymbol& s : word.symbols) word.text += s.text;
        std::vector<EngineLine> found{{word.text + "\n", {2, 4, 38, 19}, 90, {word}}};
        const Stacked stacked{drawn(rows), {{0, 0, 40, 24}}, {2}, {c.bitmap}};
        mendMinusSigns(found, stacked);
        EXPECT_EQ(found[0].words[0].text, c.read) << c.what;
    }
}
