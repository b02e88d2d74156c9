// Where the text of a prepared picture stands (rows, runs of like height),
// the stacked picture and the way back from it; and the misreadings mended
// from a line's own text.

#include "core/ocr/ocr_layout.hpp"

#include <gtest/gtest.h>

#include "core/ocr/ocr_mending.hpp"
#include "core/reading/number_parser.hpp"
#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

TEST(OcrLayout, RowsAreCutIntoRunsOfLikeHeight) {
    auto rows = blank(60, 42);
    ink(rows, 2, 4, 4, 6);    // a small word...
    ink(rows, 7, 4, 4, 6);
    ink(rows, 14, 1, 12, 14);  // ...beside a large one, its own run
    ink(rows, 27, 13, 2, 2);   // a point after it stays with it
    ink(rows, 31, 14, 10, 1);  // and so does an ellipsis
    ink(rows, 2, 20, 40, 2);   // too thin to be text
    ink(rows, 2, 26, 10, 8);   // a second row
    ink(rows, 2, 36, 50, 4);   // a progress bar: no text
    const std::vector<InkRun> runs = textRuns(drawn(rows));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].row, 0);
    EXPECT_EQ((std::vector<int>{runs[0].ink.left, runs[0].ink.right, runs[0].ink.height()}), (std::vector<int>{2, 11, 6}));
    EXPECT_EQ(runs[1].row, 0);
    EXPECT_EQ((std::vector<int>{runs[1].ink.left, runs[1].ink.right, runs[1].ink.height()}), (std::vector<int>{14, 41, 14}));
    EXPECT_EQ(runs[2].row, 1);
    EXPECT_TRUE(textRuns(drawn(blank(10, 10))).empty());
}

TEST(OcrLayout, ALabelBesideALargeNumberIsReadApartThoughTheDollarsBarBridgesThem) {
    struct Case {
        const char* what;
        int label;    // the height of the label's letters (a stem of 9 each)
        bool dollar;  // an S of 16 whose bar reaches 4 above and below, before the number
        int gap;      // blank columns between the label and what follows
        std::size_t runs;
    };
    const Case cases[] = {
        {"a small label, then $ and a large number", 5, true, 7, 2},
        {"a small label beside a large number", 5, false, 7, 2},
        // Closer than a quarter of the number's height: a shop's space
        // after a small label.
        {"a small label set close before $ and a large number", 5, true, 3, 2},
        {"a small label set close before a large number", 5, false, 3, 2},
        // Lower-case letters beside capitals and digits of one size are one run.
        {"letters of one size", 13, true, 7, 1},
        {"letters of one size set close", 13, false, 3, 1},
    };
    for (const Case& c : cases) {
        auto rows = blank(120, 30);
        // The label: letters like "rice", one with a stem rising above them.
        for (int x = 2; x < 22; x += 5) letter(rows, x, 25 - c.label, 4, c.label);
        ink(rows, 22, 16, 1, 9);
        const int start = 23 + c.gap;
        int left = start;
        if (c.dollar) {
            ink(rows, left, 9, 8, 2), ink(rows, left, 9, 2, 8), ink(rows, left, 16, 8, 2);
            ink(rows, left + 6, 16, 2, 9), ink(rows, left, 23, 8, 2);
            ink(rows, left + 4, 5, 1, 24);  // the bar
            left += 12;
        }
        for (int x = left; x < left + 40; x += 10) letter(rows, x, 7, 8, 18);
        const std::vector<InkRun> runs = textRuns(drawn(rows));
        ASSERT_EQ(runs.size(), c.runs) << c.what;
        if (c.runs == 2) {
            EXPECT_EQ(runs[1].ink.left, start) << c.what;
        }
    }
}

TEST(OcrLayout, ASignPartedFromItsNumberStaysInTheNumbersRun) {
    struct Case {
        const char* what;
        int x, y, w, h;  // the mark before the number
        int left;        // where the number's run begins
    };
    const Case cases[] = {
        {"a minus (a calculator's result)", 2, 10, 8, 2, 2},
        {"a plus", 2, 7, 7, 7, 40},  // as tall as a third of the number: a run of its own
        {"a small word before a large number", 2, 8, 0, 6, 40},  // three letters
        {"a dash as long as the number is tall", 2, 10, 24, 2, 40},
    };
    for (const Case& c : cases) {
        auto rows = blank(100, 24);
        if (c.w > 0) ink(rows, c.x, c.y, c.w, c.h);
        else
            for (int x = c.x; x < c.x + 15; x += 5) letter(rows, x, c.y, 4, c.h);
        for (int x = 40; x < 80; x += 12) letter(rows, x, 2, 9, 20);
        const std::vector<InkRun> runs = textRuns(drawn(rows));
        ASSERT_FALSE(runs.empty()) << c.what;
        EXPECT_EQ(runs.back().ink.left, c.left) << c.what;
    }
}

TEST(OcrLayout, SmallDigitsRaisedAfterANumberAreARunOfTheirOwn) {
    struct Case {
        const char* what;
        int y, w, h;  // marks after the number (two of w × h, a pixel apart), from row y
        bool apart;
    };
    // The number: digits 18 tall from row 4 to 22, set close.
    const Case cases[] = {
        {"cents set as a superscript", 4, 6, 10, true},
        {"cents touching the number's top", 3, 5, 9, true},
        {"an exponent rising above the number, larger than cents", 0, 8, 14, true},
        {"as large, level with the number's top", 3, 8, 13, false},
        {"an exponent a page sets at five sixths, rising above the number", 0, 8, 15, true},
        {"digits five sixths as tall on the line", 7, 8, 15, false},
        {"a quote", 4, 2, 5, false},
        {"a degree sign", 4, 5, 6, false},
        {"small digits on the line", 12, 6, 10, false},
        {"a small dash in the middle", 11, 4, 2, false},
        {"digits of the same size", 4, 9, 18, false},
    };
    for (const Case& c : cases) {
        auto rows = blank(90, 28);
        for (int x = 3; x < 42; x += 10) letter(rows, x, 4, 9, 18);
        ink(rows, 43, c.y, c.w, c.h);
        ink(rows, 44 + c.w, c.y, c.w, c.h);
        const std::vector<InkRun> runs = textRuns(drawn(rows));
        ASSERT_EQ(runs.size(), c.apart ? 2u : 1u) << c.what;
        EXPECT_EQ(runs.back().raised, c.apart) << c.what;
        if (!c.apart) continue;
        EXPECT_EQ(runs.back().ink.left, 43) << c.what;
        // A pixel apart, each is drawn in the stack without the other's edge.
        const Stacked stacked = stackRuns(drawn(rows), runs);
        const std::vector<std::string> stack = rowsOf(stacked.picture);
        for (int y = stacked.placed[0].top; y < stacked.placed[0].bottom; ++y)
            EXPECT_EQ(stack[static_cast<std::size_t>(y)][static_cast<std::size_t>(stacked.placed[0].right - 1)], '.') << c.what;
        for (int y = stacked.placed[1].top; y < stacked.placed[1].bottom; ++y)
            EXPECT_EQ(stack[static_cast<std::size_t>(y)][static_cast<std::size_t>(stacked.placed[1].left)], '.') << c.what;
    }
    // A sign back on the line after the cents ("249⁹⁹ €") is no part of them.
    auto euro = blank(110, 28);
    for (int x = 3; x < 42; x += 10) letter(euro, x, 4, 9, 18);
    ink(euro, 43, 4, 6, 10), ink(euro, 50, 4, 6, 10);
    letter(euro, 64, 6, 12, 16);
    const std::vector<InkRun> runs = textRuns(drawn(euro));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(runs[1].raised);
    EXPECT_FALSE(runs[2].raised);
    EXPECT_EQ(runs[2].ink.left, 64);
}

namespace {

// The first and last rows of a picture that hold ink.
std::pair<int, int> inkRows(const GreyPicture& p) {
    int first = -1, last = -1;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.pixels[static_cast<std::size_t>(y) * p.width + x] < 100) {
                if (first < 0) first = y;
                last = y;
            }
    return std::pair{first, last};
}

}  // namespace

TEST(OcrLayout, ARowTheBoxCutsIsPaintedOverHoweverMuchOfItShows) {
    struct Case {
        const char* what;
        int top, height;  // of the lines' letters, one line a row
        int box;          // the picture's height
        std::vector<std::string> rows;  // what is left: the rows with ink
    };
    auto lines = [](int height, int box, std::initializer_list<int> tops) {
        auto rows = blank(60, box);
        for (int top : tops)
            for (int x = 2; x < 50; x += 8) {
                const int from = std::max(top, 0), to = std::min(top + height, box);
                if (to > from) ink(rows, x, from, 1, to - from), ink(rows, x + 4, from, 1, to - from);
                if (top >= 0 && top < box) ink(rows, x, top, 5, 1);
                if (top + height > 0 && top + height <= box) ink(rows, x, top + height - 1, 5, 1);  // its foot
            }
        return rows;
    };
    struct Row {
        const char* what;
        std::vector<std::string> picture;
        std::pair<int, int> inked;
    };
    const Row cases[] = {
        {"a third of the next line at the bottom", lines(12, 22, {2, 18}), {2, 13}},
        {"a third of the line above at the top", lines(12, 22, {-8, 8}), {8, 19}},
        {"both", lines(12, 28, {-8, 8, 24}), {8, 19}},
        {"a lone cut line stays", lines(12, 8, {-4}), {0, 7}},
    };
    for (const Row& c : cases) {
        GreyPicture p = drawn(c.picture);
        clearAllCutRows(p);
        EXPECT_EQ(inkRows(p), c.inked) << c.what;
    }
    // The line below or above cut by the edge, from 1 to 11 of its 12 rows
    // inside: no run of text is left but the whole line's (rows 14-25).
    for (int shown = 1; shown < 12; ++shown)
        for (const bool below : {true, false}) {
            GreyPicture p = drawn(below ? lines(12, 28 + shown, {14, 28}) : lines(12, 28, {shown - 12, 14}));
            clearAllCutRows(p);
            for (const InkRun& run : textRuns(p))
                EXPECT_TRUE(run.ink.top >= 14 && run.ink.bottom <= 26) << shown << (below ? " below" : " above");
        }
    // A whole line whose descenders touch the bottom edge is no cut line.
    auto descending = lines(12, 30, {2, 16});
    ink(descending, 10, 28, 1, 2);
    GreyPicture p = drawn(descending);
    clearAllCutRows(p);
    EXPECT_EQ(inkRows(p), (std::pair{2, 29}));
}

TEST(OcrLayout, ACutRowIsMeasuredAgainstRowsOfItsOwnSize) {
    // Rows of "digits" 26 tall with strokes 4 thick (a price) and of
    // letters 9 tall with strokes of one pixel (a caption), each from its
    // top row; the box ends at `height`, cutting what crosses its edges.
    struct Row {
        bool large;
        int top;
    };
    struct Case {
        const char* what;
        int height;
        std::vector<Row> rows;
        std::pair<int, int> inked;  // the first and last rows left with ink
    };
    auto draw = [](int height, const std::vector<Row>& rows) {
        std::vector<std::string> out = blank(80, height);
        auto clipped = [&](int x, int y, int w, int h) {
            const int from = std::max(y, 0), to = std::min(y + h, height);
            if (to > from) ink(out, x, from, w, to - from);
        };
        for (const Row& r : rows)
            for (int x = 2; x < 70; x += r.large ? 18 : 8) {
                const int w = r.large ? 14 : 5, h = r.large ? 26 : 9, stroke = r.large ? 4 : 1;
                clipped(x, r.top, w, stroke);
                clipped(x, r.top, stroke, h);
                clipped(x + w - stroke, r.top, stroke, h);
                clipped(x, r.top + h - stroke, w, stroke);
            }
        return out;
    };
    const Case cases[] = {
        // Ordinary text: a caption whose foot is at the box's edge, or a
        // pixel to three beyond it; a label above a price whose top the box
        // cuts by up to a third.
        {"a caption standing on the bottom edge", 43, {{true, 2}, {false, 34}}, {2, 42}},
        {"a caption cut a pixel above its foot", 42, {{true, 2}, {false, 34}}, {2, 41}},
        {"a caption cut two pixels above its foot", 41, {{true, 2}, {false, 34}}, {2, 40}},
        {"a caption cut three pixels above its foot", 40, {{true, 2}, {false, 34}}, {2, 39}},
        {"a label touching the top edge", 40, {{false, 0}, {true, 12}}, {0, 37}},
        {"a label cut by a third at the top", 40, {{false, -3}, {true, 12}}, {0, 37}},
        // Still cut: less than half of a row of the price's size, or of the
        // caption's under a whole caption.
        {"a third of a second price", 38, {{true, 2}, {true, 30}}, {2, 27}},
        {"a third of a price above", 40, {{true, -18}, {true, 12}}, {12, 37}},
        {"a third of a second caption", 50, {{true, 2}, {false, 32}, {false, 47}}, {2, 40}},
    };
    for (const Case& c : cases) {
        GreyPicture p = drawn(draw(c.height, c.rows));
        clearAllCutRows(p);
        EXPECT_EQ(inkRows(p), c.inked) << c.what;
    }
}

TEST(OcrLayout, TwoLinesTouchingByADescenderArePartedButADescenderStaysWithItsLine) {
    auto rows = blank(80, 26);
    for (int x = 2; x < 30; x += 7) letter(rows, x, 0, 5, 12);   // a line...
    ink(rows, 20, 12, 1, 1);                                     // ...whose descender touches
    for (int x = 2; x < 30; x += 7) letter(rows, x, 13, 5, 12);  // the next
    EXPECT_EQ(textRuns(drawn(rows)).size(), 2u);
    auto one = blank(80, 16);
    for (int x = 2; x < 30; x += 7) letter(one, x, 0, 5, 11);
    ink(one, 20, 11, 1, 4);  // a descender alone below the line
    EXPECT_EQ(textRuns(drawn(one)).size(), 1u);
    // A short terminal line whose descenders reach down to the block cursor
    // right under it: parted where the descenders end and the cursor begins.
    auto term = blank(40, 26);
    for (int x = 2; x < 20; x += 7) letter(term, x, 2, 5, 8);
    ink(term, 2, 10, 1, 2);  // two descenders
    ink(term, 6, 10, 1, 2);
    ink(term, 2, 14, 4, 8);    // a prompt sign...
    ink(term, 10, 12, 6, 13);  // ...and the cursor after it, a whole line tall
    const std::vector<InkRun> runs = textRuns(drawn(term));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].bandBottom, 12);
    EXPECT_EQ(runs[0].ink.bottom, 12);
    EXPECT_EQ(runs[1].bandTop, 12);
}

TEST(OcrLayout, RunsAreScaledToTheHeightTesseractReadsBest) {
    const std::pair<int, double> cases[] = {{0, 1}, {3, 4}, {11, 2}, {12, 2}, {21, 2}, {22, 1}, {72, 1}, {144, 0.5}};
    for (const auto& [height, scale] : cases) EXPECT_DOUBLE_EQ(runScale(height), scale) << height;
    EXPECT_DOUBLE_EQ(runScale(11, true), 4);
    EXPECT_DOUBLE_EQ(runScale(12, true), 3);
}

TEST(OcrLayout, AMutedCaptionIsDeepenedInTheStackAndDarkTextIsLeftAsDrawn) {
    // Large black letters over a small word in `shade` on a ground of 250:
    // how dark each run is drawn in the stack.
    struct Case {
        const char* what;
        int shade;
        bool deepened;  // the small word's darkest in the stack that of dark text, else no darker than drawn
    };
    const Case cases[] = {
        {"a muted caption", 170, true},
        {"a lighter one", 190, true},
        {"dark grey text", 110, false},
        {"black text", 20, false},
    };
    for (const Case& c : cases) {
        auto rows = blank(120, 50);
        for (int x = 4; x < 100; x += 20) letter(rows, x, 4, 14, 24);
        for (int x = 4; x < 60; x += 8) letter(rows, x, 36, 6, 10);
        GreyPicture p = drawn(rows);
        for (int y = 34; y < 50; ++y)
            for (int x = 0; x < 120; ++x)
                if (std::uint8_t& v = p.pixels[static_cast<std::size_t>(y) * 120 + x]; v < 100) v = static_cast<std::uint8_t>(c.shade);
        const auto runs = textRuns(p);
        ASSERT_EQ(runs.size(), 2u) << c.what;
        const Stacked stacked = stackRuns(p, runs);
        auto darkest = [&](const PixelBox& b) {
            int d = 255;
            for (int y = b.top; y < b.bottom; ++y)
                for (int x = b.left; x < b.right; ++x) d = std::min(d, int(stacked.picture.pixels[static_cast<std::size_t>(y) * stacked.picture.width + x]));
            return d;
        };
        EXPECT_LT(darkest(stacked.placed[0]), 50) << c.what;
        if (c.deepened) EXPECT_NEAR(darkest(stacked.placed[1]), 60, 1) << c.what;
        else EXPECT_GE(darkest(stacked.placed[1]), c.shade) << c.what;
    }
}

TEST(OcrLayout, LinesFoundInTheStackComeBackToTheirRunsAndOneRowIsOneLine) {
    auto rows = blank(160, 40);
    // Drawn without smoothing, as a bitmap font is.
    for (int x = 4; x < 24; x += 6) letter(rows, x, 10, 5, 8);      // a small label (scaled 4×)...
    for (int x = 40; x < 100; x += 20) letter(rows, x, 2, 16, 30);  // ...beside a large number (2×)
    GreyPicture p = drawn(rows);
    const auto runs = textRuns(p);
    ASSERT_EQ(runs.size(), 2u);
    const Stacked stacked = stackRuns(p, runs);
    ASSERT_EQ(stacked.placed.size(), 2u);
    EXPECT_EQ(stacked.placed[0].height(), 48);  // 8 + 2 × 2 padding, 4×
    EXPECT_EQ(stacked.placed[1].height(), 68);
    EXPECT_LE(stacked.placed[0].bottom, stacked.placed[1].top);
    // As if Tesseract read each placed run as one line of one word.
    std::vector<EngineLine> found;
    for (std::size_t i = 0; i < 2; ++i) {
        const PixelBox& at = stacked.placed[i];
        const PixelBox word{at.left + 6, at.top + 6, at.right - 6, at.bottom - 6};
        found.push_back({i == 0 ? "Price:\n" : "$249\n", word, 90, {{i == 0 ? "Price:" : "$249", word, 90, {}}}});
    }
    const auto lines = unstack(found, runs, stacked);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Price: $249");
    EXPECT_EQ(lines[0].words.size(), 2u);
    EXPECT_NEAR(lines[0].words[0].box.left, 4, 1);
    EXPECT_NEAR(lines[0].words[0].box.top, 10, 1);
    EXPECT_NEAR(lines[0].words[1].box.left, 41, 1);  // 6 in from the padded place at 2×: 1 in from the ink
    EXPECT_NEAR(lines[0].box.bottom, 31, 1);

    // Two digits raised after a price are its cents, one is a superscript
    // on it; other raised text is a word of its own.
    struct Case {
        const char* raised;
        const char* line;
        std::size_t words;
    };
    const Case cases[] = {{"99", "Price: $249.99", 2}, {"9", "Price: $249\u2079", 2}, {"TM", "Price: $249 TM", 3}};
    for (const Case& c : cases) {
        std::vector<InkRun> raised = runs;
        raised.push_back({0, {100, 2, 110, 14}, 0, 40, true});
        std::vector<EngineLine> read = found;
        const PixelBox at{200, 300, 240, 330};  // as if placed third in the stack
        Stacked third = stacked;
        third.placed.push_back(at);
        third.scales.push_back(2);
        third.bitmap.push_back(false);
        read.push_back({std::string(c.raised) + "\n", at, 90, {{c.raised, at, 90, {}}}});
        const auto joined = unstack(read, raised, third);
        ASSERT_EQ(joined.size(), 1u) << c.raised;
        EXPECT_EQ(joined[0].text, c.line);
        EXPECT_EQ(joined[0].words.size(), c.words) << c.raised;
        EXPECT_EQ(joined[0].words[1].box.right, c.words == 2 ? joined[0].box.right : lines[0].words[1].box.right) << c.raised;
    }
}

namespace {

// Runs of one row as Tesseract read each in the stack; `raised` marks
// ink set small above the line after the run before.
struct Part {
    const char* read;
    bool raised;
};

// The row's one line once the runs are unstacked.
std::string unstackedRow(const std::vector<Part>& parts) {
    std::vector<InkRun> runs;
    Stacked stacked;
    std::vector<EngineLine> found;
    int left = 0;
    for (const Part& part : parts) {
        const int width = 10 * static_cast<int>(std::string(part.read).size());
        runs.push_back({0, {left, part.raised ? 2 : 6, left + width, part.raised ? 10 : 24}, 0, 26, part.raised});
        left += width + 4;
        const PixelBox at{8, 8 + 40 * static_cast<int>(found.size()), 8 + width, 30 + 40 * static_cast<int>(found.size())};
        stacked.placed.push_back(at);
        stacked.scales.push_back(1);
        stacked.bitmap.push_back(false);
        found.push_back({std::string(part.read) + "\n", at, 90, {{part.read, at, 90, {}}}});
    }
    const std::vector<EngineLine> lines = unstack(found, runs, stacked);
    return lines.size() == 1 ? lines[0].text : std::string("(not one line)");
}

std::vector<double> numbersOf(const std::string& line) {
    std::vector<double> numbers;
    for (const ReadNumber& n : NumberParser::numbers(line, false)) numbers.push_back(n.value);
    return numbers;
}

}  // namespace

TEST(OcrLayout, RaisedDigitsAreCentsOnlyOfACurrencyAmountWithoutThem) {
    struct Case {
        std::vector<Part> parts;
        const char* line;
        std::vector<double> numbers;  // as the number reader takes the line
    };
    const Case cases[] = {
        // Ordinary text: exponents, footnotes, a clock's minutes keep their
        // numbers, the raised digits shown as the superscript they are.
        {{{"10", false}, {"12", true}}, "10\u00B9\u00B2", {10}},
        {{{"Users: 1,500", false}, {"23", true}}, "Users: 1,500\u00B2\u00B3", {1500}},
        {{{"Chapter 12", false}, {"14", true}}, "Chapter 12\u00B9\u2074", {12}},
        {{{"Opens at 9", false}, {"30", true}}, "Opens at 9\u00B3\u2070", {9}},
        {{{"Rate 4.5%", false}, {"12", true}}, "Rate 4.5%\u00B9\u00B2", {4.5}},
        {{{"$4.50", false}, {"12", true}}, "$4.50\u00B9\u00B2", {4.5}},
        // A price's cents.
        {{{"$249", false}, {"99", true}}, "$249.99", {249.99}},
        {{{"249", false}, {"99", true}, {"\u20AC", false}}, "249.99 \u20AC", {249.99}},
        {{{"Now \u00A3 1,299", false}, {"00", true}}, "Now \u00A3 1,299.00", {1299}},
        {{{"USD 80", false}, {"50", true}}, "USD 80.50", {80.5}},
        // Any currency sign, and any ISO 4217 code written in capitals.
        {{{"\u00A5249", false}, {"99", true}}, "\u00A5249.99", {249.99}},
        {{{"\u20B9 1,299", false}, {"00", true}}, "\u20B9 1,299.00", {1299}},
        {{{"CHF 249", false}, {"99", true}}, "CHF 249.99", {249.99}},
        {{{"249", false}, {"99", true}, {"SEK", false}}, "249.99 SEK", {249.99}},
        {{{"499", false}, {"95", true}, {"\u20BD", false}}, "499.95 \u20BD", {499.95}},
        // Capitals that are no currency's code, a code's letters as a word.
        {{{"MAX 10", false}, {"12", true}}, "MAX 10\u00B9\u00B2", {10}},
        {{{"Top 10", false}, {"20", true}}, "Top 10\u00B2\u2070", {10}},
        {{{"10", false}, {"12", true}, {"ABC", false}}, "10\u00B9\u00B2 ABC", {10}},
        // A code that is also a word in capitals makes cents only where
        // something else on the row says it is a price: a sign, another
        // amount with cents, a price word.
        {{{"TOP 10", false}, {"12", true}, {"SONGS", false}}, "TOP 10\u00B9\u00B2 SONGS", {10}},
        {{{"SOS 3", false}, {"21", true}, {"CALLS", false}}, "SOS 3\u00B2\u00B9 CALLS", {3}},
        {{{"ALL 24", false}, {"15", true}, {"ROOMS", false}}, "ALL 24\u00B9\u2075 ROOMS", {24}},
        {{{"PEN 48", false}, {"10", true}}, "PEN 48\u00B9\u2070", {48}},
        {{{"2026", false}, {"11", true}, {"CUP", false}}, "2026\u00B9\u00B9 CUP", {2026}},
        {{{"Price: TOP 10", false}, {"50", true}}, "Price: TOP 10.50", {10.5}},
        {{{"TOP 10", false}, {"50", true}, {"was 12.00", false}}, "TOP 10.50 was 12.00", {10.5, 12}},
        {{{"12", false}, {"50", true}, {"TOP", false}, {"\u20AC", false}}, "12.50 TOP \u20AC", {12.5}},
        {{{"NOK 320", false}, {"50", true}}, "NOK 320.50", {320.5}},
    };
    for (const Case& c : cases) {
        const std::string line = unstackedRow(c.parts);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(numbersOf(line), c.numbers) << c.line;
    }
}

TEST(OcrLayout, ARanksRaisedLettersAreReadOnTheLine) {
    // The number reader takes no number from a rank ("1st"), one from a
    // number and a word ("1 st").
    struct Case {
        std::vector<Part> parts;
        const char* line;
    };
    const Case cases[] = {
        {{{"1", false}, {"st", true}, {"place", false}}, "1st place"},
        {{{"Ranked 2", false}, {"nd", true}, {"of 48", false}}, "Ranked 2nd of 48"},
        {{{"the 23", false}, {"rd", true}}, "the 23rd"},
        // Other raised letters stay a word of their own.
        {{{"Kestrove", false}, {"TM", true}}, "Kestrove TM"},
        {{{"Chapter", false}, {"st", true}}, "Chapter st"},
        {{{"Build 4", false}, {"beta", true}}, "Build 4 beta"},
        {{{"Build 4", false}, {"th", false}}, "Build 4 th"},
        // A run read as blank leaves them no number to follow.
        {{{" ", false}, {"st", true}}, "st"},
    };
    for (const Case& c : cases) EXPECT_EQ(unstackedRow(c.parts), c.line);
}

TEST(OcrMending, MisreadSigns) {
    const std::pair<const char*, const char*> mended[] = {
        {"Packs: 1299x3", "Packs: 1299×3"}, {"0x1F", "0x1F"}, {"10x20 and 0x3", "10×20 and 0x3"},
        {"box x 3", "box x 3"},             {"3897|", "3897"}, {"a | b", "a | b"},
        {"|", ""},
        // A zero among capitals is an O, an O among digits a zero.
        {"GET /api 200 0K", "GET /api 200 OK"}, {"B0X 1O5", "BOX 105"}, {"2O0,5O", "200,50"},
        {"A10 0xFF 0 O", "A10 0xFF 0 O"},     {"Room 0 OK", "Room 0 OK"},
        // A long dash that starts a number is its minus; one between
        // numbers or before a space is a dash.
        {"\u20144.5 \u00B0C", "\u22124.5 \u00B0C"}, {"(\u20130.41%)", "(\u22120.41%)"},
        {"5\u201410", "5\u201410"},               {"done \u2014 5 files", "done \u2014 5 files"},
        {"x \u2212 3", "x \u2212 3"},             {"a-4", "a-4"},
        // A raised mark between digits before a group of three is an apostrophe.
        {"rx 1\u00B0204 kB", "rx 1'204 kB"},      {"1\u2019250\u2019400", "1'250'400"},
        {"45\u00B030", "45\u00B030"},             {"20\u00B0C", "20\u00B0C"},
        // Digit groups parted by spaces beside a currency sign are one amount.
        {"Reste 3 275 \u20AC", "Reste 3\u00A0275 \u20AC"}, {"\u20AC 12 480,75", "\u20AC 12\u00A0480,75"},
        {"1 250 400 EUR", "1\u00A0250\u00A0400 EUR"},     {"$1 299.00", "$1\u00A0299.00"},
        {"queue 38 120", "queue 38 120"},                 {"3 27 \u20AC", "3 27 \u20AC"},
        {"12 1234 \u20AC", "12 1234 \u20AC"},             {"2024 275 \u20AC", "2024 275 \u20AC"},
    };
    for (const auto& [in, out] : mended) EXPECT_EQ(mendedLine(in), out) << in;
    EXPECT_EQ(mendedBitmapText("GET \u201Capi/pay \u201Cdone\u201D it\u2019s"), "GET /api/pay /done\" it's");
    std::vector<OCRLine> read{{"Done", {}, 1}, {"__", {}, 1}, {"a_b", {}, 1}};
    mendReading(read);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].text, "a_b");

    // A lone sign less than twice as wide as tall is a middle dot (an
    // anti-aliased one is wider than tall); a long dash and a tall colon stay.
    EngineLine line{"87% - 2 h : 5 - x : -\n", {}, 90,
                    {{"87%", {0, 0, 30, 12}, 90, {}},
                     {"-", {35, 5, 39, 9}, 90, {}},
                     {"2", {42, 0, 48, 12}, 90, {}},
                     {"h", {50, 0, 56, 12}, 90, {}},
                     {":", {58, 5, 62, 9}, 90, {}},
                     {"5", {64, 0, 70, 12}, 90, {}},
                     {"-", {72, 6, 80, 8}, 90, {}},
                     {"x", {82, 4, 88, 12}, 90, {}},
                     {":", {90, 3, 92, 12}, 90, {}},
                     {"-", {94, 5, 100, 9}, 90, {}}}};
    mendLoneDots(line);
    EXPECT_EQ(line.text, "87% · 2 h · 5 - x : ·");
}
