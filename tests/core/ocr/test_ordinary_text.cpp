// Ordinary text that a picture-reading rule could take for something else
// (a line along the box's edge, a row the box cuts, a cursor, a price's
// cents, a badge, a sign, a bitmap font's dot) comes through as drawn.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/ocr/ocr_badges.hpp"
#include "core/ocr/ocr_cursors.hpp"
#include "core/ocr/ocr_enlarging.hpp"
#include "core/ocr/ocr_layout.hpp"
#include "core/ocr/ocr_mending.hpp"
#include "core/ocr/ocr_picture.hpp"
#include "core/ocr/ocr_signs.hpp"
#include "core/ocr/ocr_spacing.hpp"
#include "core/reading/number_parser.hpp"
#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

namespace {

// `count` n-like letters `h` tall from (x, top), each half as wide as tall.
int word(std::vector<std::string>& rows, int x, int top, int h, int count) {
    const int w = std::max(3, h / 2);
    for (int i = 0; i < count; ++i, x += w + 2) letter(rows, x, top, w, h);
    return x;
}

// The same in strokes 3 pixels thick, as large text is drawn.
void boldWord(std::vector<std::string>& rows, int x, int top, int h, int count) {
    const int w = h / 2 + 2;
    for (int i = 0; i < count; ++i, x += w + 4) {
        ink(rows, x, top, w, 3);
        ink(rows, x, top, 3, h);
        ink(rows, x + w - 3, top, 3, h);
    }
}

// A line of small letters `gap` rows from the top edge (or the bottom one)
// and a line of large bold ones, 24 tall, as a caption over a total or a
// note under it.
std::vector<std::string> smallBesideLarge(int small, int gap, bool atBottom) {
    const int height = gap + small + 5 + 24 + 5;
    auto rows = blank(140, height);
    if (atBottom) {
        boldWord(rows, 4, 5, 24, 5);
        word(rows, 4, height - gap - small, small, 14);
    } else {
        word(rows, 4, gap, small, 14);
        boldWord(rows, 4, gap + small + 5, 24, 5);
    }
    return rows;
}

struct EdgeCase {
    const char* what;
    int small, gap;
    bool atBottom;
};

// Each case's picture comes through `rule` as drawn.
void expectEachUnchanged(const std::vector<EdgeCase>& cases, void (*rule)(GreyPicture&)) {
    for (const EdgeCase& c : cases) {
        const auto rows = smallBesideLarge(c.small, c.gap, c.atBottom);
        GreyPicture p = drawn(rows);
        rule(p);
        EXPECT_EQ(rowsOf(p), rows) << c.what;
    }
}

std::vector<double> numbersOf(const std::string& text, bool preferTime) {
    std::vector<double> out;
    for (const ReadNumber& n : NumberParser::numbers(text, preferTime)) out.push_back(n.value);
    return out;
}

// A row read in two runs, one line each: `text`, and what the layout found
// small and raised after it.
std::string readWithRaised(const std::string& text, const std::string& raised) {
    const std::vector<InkRun> runs{{0, {2, 10, 60, 40}, 0, 44, false}, {0, {62, 10, 80, 24}, 0, 44, true}};
    Stacked stacked;
    stacked.placed = {{8, 8, 70, 42}, {8, 60, 30, 78}};
    stacked.scales = {1, 1};
    stacked.bitmap = {false, false};
    std::vector<EngineLine> found;
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string& t = i == 0 ? text : raised;
        found.push_back({t + "\n", stacked.placed[i], 90, {{t, stacked.placed[i], 90, {}}}});
    }
    const std::vector<EngineLine> lines = unstack(found, runs, stacked);
    return lines.empty() ? "" : lines.front().text;
}

// What the number reader gets from a row read in two runs whose second
// was raised: never the cents reading when no price is there.
void expectNoCents(const std::string& text, const std::string& raised, double cents) {
    for (const bool preferTime : {false, true}) {
        const std::vector<double> numbers = numbersOf(readWithRaised(text, raised), preferTime);
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), cents), 0) << text << " " << raised;
    }
}

}  // namespace

TEST(OrdinaryText, SmallLinesByTheEdgeAreNeitherBorderNorSliver) {
    expectEachUnchanged(
        {
            {"a caption touching the top", 8, 0, false},
            {"a caption a pixel below the top", 8, 1, false},
            {"a caption three pixels below the top", 8, 3, false},
            {"a small caption two pixels below the top", 6, 2, false},
            {"a note touching the bottom", 8, 0, true},
            {"a note two pixels above the bottom", 8, 2, true},
        },
        prepareForRecognition);
}

TEST(OrdinaryText, SmallLinesByTheEdgeAreNoCutRows) {
    expectEachUnchanged(
        {
            {"a caption touching the top", 8, 0, false},
            {"a caption a pixel below the top", 8, 1, false},
            {"a caption three pixels below the top", 8, 3, false},
            {"a note touching the bottom", 8, 0, true},
            {"a taller note touching the bottom", 11, 0, true},
            {"a note a pixel above the bottom", 8, 1, true},
            {"a note three pixels above the bottom", 10, 3, true},
        },
        clearAllCutRows);
}

TEST(OrdinaryText, RaisedDigitsAfterANumberWithoutAPriceAreNoCents) {
    EXPECT_EQ(numbersOf(readWithRaised("Price: $249", "99"), false), std::vector<double>{249.99});  // a price's cents
    expectNoCents("10", "12", 10.12);              // an exponent: 10¹²
    expectNoCents("Last train 23", "15", 23.15);  // minutes set small and raised
    expectNoCents("Build 3", "45", 3.45);
}

TEST(OrdinaryText, ASingleRaisedMarkIsNoCents) {
    // Letters 18 tall standing on row 22; after them one small mark.
    struct Case {
        const char* what;
        int y, w, h;
    };
    const Case cases[] = {
        {"a footnote's digit", 4, 5, 9},
        {"an exponent set close over the line", 3, 6, 10},
        {"a closing quote", 4, 3, 5},
        {"a degree sign", 4, 5, 6},
    };
    for (const Case& c : cases) {
        auto rows = blank(90, 28);
        const int x = word(rows, 3, 4, 18, 4);
        ink(rows, x, c.y, c.w, c.h);
        for (const InkRun& run : textRuns(drawn(rows))) EXPECT_FALSE(run.raised) << c.what;
    }
}

TEST(OrdinaryText, LettersShapedLikeCursorsStay) {
    // Each after a word of letters 10 tall on row 14.
    struct Case {
        const char* what;
        std::vector<std::string> glyph;  // from row 4
    };
    const Case cases[] = {
        {"a bitmap O, its corners open", {".####.", "#....#", "#....#", "#....#", "#....#", "#....#", "#....#", "#....#", "#....#", ".####."}},
        {"a D", {"#####.", "#....#", "#....#", "#....#", "#....#", "#....#", "#....#", "#....#", "#....#", "#####."}},
        {"a zero with a dot", {"######", "#....#", "#....#", "#....#", "#.##.#", "#.##.#", "#....#", "#....#", "#....#", "######"}},
        {"a bold I with serifs", {"######", "######", "..##..", "..##..", "..##..", "..##..", "..##..", "..##..", "######", "######"}},
    };
    for (const Case& c : cases) {
        auto rows = blank(60, 20);
        const int x = word(rows, 2, 4, 10, 4) + 2;
        for (std::size_t y = 0; y < c.glyph.size(); ++y)
            for (std::size_t i = 0; i < c.glyph[y].size(); ++i)
                if (c.glyph[y][i] == '#') rows[4 + y][x + i] = '#';
        GreyPicture p = drawn(rows);
        removeBlockCursors(p);
        prepareForRecognition(p);
        removeCursors(p);
        EXPECT_EQ(rowsOf(p), rows) << c.what;
    }
}

TEST(OrdinaryText, ABarBetweenWordsRisingAboveThemStays) {
    // A "|" as outline fonts draw it: from above the capitals to below the
    // line, between words ("Size: L | Colour"), in a 1- or 2-pixel stroke.
    for (const int width : {1, 2}) {
        auto rows = blank(90, 22);
        const int x = word(rows, 2, 4, 12, 3) + 5;
        ink(rows, x, 2, width, 18);
        word(rows, x + width + 6, 4, 12, 3);
        GreyPicture p = drawn(rows);
        removeCursors(p);
        EXPECT_EQ(rowsOf(p), rows) << width;
    }
}

TEST(OrdinaryText, FramesAndBandsRoundTextAreNoBadges) {
    struct Case {
        const char* what;
        bool frame;  // else a band of half-tone, the text dark on it
    };
    for (const Case& c : {Case{"an outlined button", true}, Case{"a selected row's band", false}}) {
        auto rows = blank(70, 40);
        if (c.frame) {
            ink(rows, 4, 4, 60, 1), ink(rows, 4, 23, 60, 1), ink(rows, 4, 4, 1, 20), ink(rows, 63, 4, 1, 20);
        } else {
            for (int y = 4; y < 24; ++y)
                for (int x = 4; x < 64; ++x) rows[y][x] = ':';
        }
        word(rows, 12, 9, 10, 6);
        const GreyPicture before = drawn(rows);
        GreyPicture p = before;
        lightenBadges(p);
        EXPECT_EQ(p.pixels, before.pixels) << c.what;
    }
}

TEST(OrdinaryText, LargeBoldLettersAndUnderlinesAreNoDarkPanelNorPill) {
    struct Case {
        const char* what;
        int barWidth, barHeight;  // a T's bar over its stem, or an underline under the words
        bool stem;
    };
    const Case cases[] = {
        {"a heading's bold T", 36, 6, true},
        {"an underlined link", 150, 2, false},
        {"a thick underline", 150, 3, false},
    };
    for (const Case& c : cases) {
        auto rows = blank(200, 44);
        word(rows, 60, 8, 24, 6);
        if (c.stem) ink(rows, 10, 6, c.barWidth, c.barHeight), ink(rows, 25, 6, 6, 26);
        else ink(rows, 10, 36, c.barWidth, c.barHeight);
        const GreyPicture before = drawn(rows);
        for (void (*rule)(GreyPicture&) : {lightenDarkPanels, flattenPills}) {
            GreyPicture p = before;
            rule(p);
            EXPECT_EQ(p.pixels, before.pixels) << c.what;
        }
    }
}

TEST(OrdinaryText, ABitmapPlusAndTKeepTheirLowerArms) {
    const std::vector<std::string> glyphs[] = {
        {".......", "...#...", "...#...", ".#####.", "...#...", "...#...", "......."},  // +
        {".......", "...#...", "..###..", "...#...", "...#...", "...##..", "......."},  // t
    };
    for (const auto& rows : glyphs) {
        GreyPicture p = drawn(rows);
        mendCrossDots(p, {0, 0, p.width, p.height});
        EXPECT_EQ(rowsOf(p), rows) << rows[3];
    }
}

TEST(OrdinaryText, RanksRangesAndVersionsAreNotPartedAtTheirNarrowGaps) {
    // A terminal's cells, 8 wide; each character's ink at its own place
    // within its cell (a 1 narrow and centred, a hyphen low and short).
    struct Glyph {
        char c;
        int left, width, top, height;  // within the cell, rows of a line 2-12
    };
    struct Case {
        const char* what;
        std::string text;
        std::string read;
    };
    auto glyphOf = [](char c) -> Glyph {
        if (c == '1') return {c, 3, 2, 2, 10};
        if (c == '-') return {c, 2, 4, 7, 1};
        if (c == '.') return {c, 3, 2, 10, 2};
        if (c >= 'a' && c <= 'z' && c != 't' && c != 'd' && c != 'l') return {c, 1, 6, 5, 7};
        return {c, 1, 6, 2, 10};
    };
    const Case cases[] = {
        {"a rank", "1st place", "1st place"},
        {"a range", "in 10-20 s", "in 10-20 s"},
        {"a version", "is v2.4.1", "is v2.4.1"},
    };
    for (const Case& c : cases) {
        auto rows = blank(8 * static_cast<int>(c.text.size()) + 8, 14);
        EngineLine line{c.text, {0, 2, 8 * static_cast<int>(c.text.size()), 12}, 90, {}};
        EngineWord current{"", {}, 90, {}};
        auto finish = [&] {
            if (current.symbols.empty()) return;
            current.box = current.symbols.front().box;
            for (const EngineSymbol& s : current.symbols) current.box = unite(current.box, s.box);
            rejoinSymbols(current);
            line.words.push_back(current);
            current = {"", {}, 90, {}};
        };
        for (std::size_t i = 0; i < c.text.size(); ++i) {
            if (c.text[i] == ' ') {
                finish();
                continue;
            }
            const Glyph g = glyphOf(c.text[i]);
            const int x = 8 * static_cast<int>(i) + g.left;
            ink(rows, x, g.top, g.width, g.height);
            current.symbols.push_back({std::string(1, g.c), {x, g.top, x + g.width, g.top + g.height}, 90});
        }
        finish();
        const GreyPicture p = drawn(rows);
        partAtSpaces(line, p, groundOf(p));
        EXPECT_EQ(line.text, c.read) << c.what;
    }
}

TEST(OrdinaryText, SignsBeforeCurrenciesAndAfterThemStayAsDrawn) {
    // A short hyphen before a currency sign, a long minus after one: each
    // before a digit 15 tall.
    struct Case {
        const char* what;
        const char* before;  // read before the sign, or nothing
        int length;          // of the sign's mark
        const char* sign;
        const char* after;
        const char* read;
    };
    const Case cases[] = {
        {"a hyphen before a euro sign", "", 5, "-", "\u20AC", "-\u20AC5"},
        {"a minus after a dollar sign", "$", 10, "-", "", "$\u22125"},
        {"a hyphen after a dollar sign", "$", 5, "-", "", "$-5"},
    };
    for (const Case& c : cases) {
        auto rows = blank(60, 24);
        EngineWord word{"", {2, 4, 58, 19}, 90, {}};
        int x = 2;
        auto glyph = [&](const std::string& text, int top, int w, int h) {
            ink(rows, x, top, w, h);
            word.symbols.push_back({text, {x, top, x + w, top + h}, 90});
            x += w + 2;
        };
        if (*c.before) glyph(c.before, 3, 8, 17);
        glyph(c.sign, 11, c.length, 2);
        if (*c.after) glyph(c.after, 4, 9, 15);
        glyph("5", 4, 8, 15);
        rejoinSymbols(word);
        std::vector<EngineLine> found{{word.text + "\n", word.box, 90, {word}}};
        const Stacked stacked{drawn(rows), {{0, 0, 60, 24}}, {2}, {false}};
        mendMinusSigns(found, stacked);
        EXPECT_EQ(found[0].words[0].text, c.read) << c.what;
    }
}

TEST(OrdinaryText, MendingLeavesOrdinaryLinesAsRead) {
    for (const char* line : {"1st place", "Ranked 2nd of 48", "Ages 10-20", "pages 10\u201320",
                             "Mon\u2013Fri 08:00\u201318:00", "Delivery in 2 \u2013 4 days", "Home | Products | Contact",
                             "Version v2.4.1", "Fee -\u20AC4,20", "Change \u22123,75 \u20AC", "Area: 48 m2",
                             "Population 1 234 567", "Copying 1 250 files", "#3 in Books", "Poster A0, 2 copies",
                             "Rooms $80–$120", "Prices €5 – €9"})
        EXPECT_EQ(mendedLine(line), line);
}

TEST(OrdinaryText, AQuoteBeforeAWordInABitmapFontStaysAQuote) {
    // xterm's "fixed": Tesseract reads both its straight double quote and
    // its slash before a word as an opening curly quote.
    struct Case {
        const char* what;
        bool slash;
        const char* read;
    };
    for (const Case& c : {Case{"a quoted word", false, "say \"done\""}, Case{"a path", true, "say /done\""}}) {
        auto rows = blank(80, 16);
        word(rows, 2, 5, 8, 3);  // "say", its letters on row 13
        if (c.slash)
            for (int y = 2; y < 14; ++y) rows[y][30 - y / 2] = '#';
        else
            ink(rows, 23, 2, 1, 3), ink(rows, 26, 2, 1, 3);
        word(rows, 32, 5, 8, 4);
        EngineWord say{"say", {2, 5, 22, 13}, 90, {{"s", {2, 5, 6, 13}}, {"a", {8, 5, 12, 13}}, {"y", {14, 5, 18, 13}}}};
        EngineWord done{"\u201Cdone\u201D", {22, 2, 78, 13}, 90,
                        {{"\u201C", {22, 2, 28, 14}}, {"done", {32, 5, 70, 13}}, {"\u201D", {72, 2, 78, 5}}}};
        std::vector<EngineLine> found{{"say \u201Cdone\u201D", {2, 2, 78, 14}, 90, {say, done}}};
        const Stacked stacked{drawn(rows), {{0, 0, 80, 16}}, {3}, {true}};
        mendBitmapLines(found, stacked);
        EXPECT_EQ(found[0].text, c.read) << c.what;
    }
}
