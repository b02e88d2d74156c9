// Where the text of a prepared picture stands (rows, runs of like height),
// cursors painted over, the stacked picture and the way back from it; and
// the misreadings mended from a line's own text.

#include "app/platform/ocr/ocr_layout.hpp"

#include <gtest/gtest.h>

#include "app/platform/ocr/ocr_mending.hpp"

using namespace kestrove;

namespace {

// '.' ground, '#' ink, ':' a half-tone (anti-aliased) pixel.
GreyPicture drawn(const std::vector<std::string>& rows) {
    GreyPicture p{static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), {}};
    for (const std::string& row : rows)
        for (char c : row) p.pixels.push_back(c == '#' ? 20 : c == ':' ? 130 : 250);
    return p;
}

std::vector<std::string> rowsOf(const GreyPicture& p) {
    std::vector<std::string> out;
    for (int y = 0; y < p.height; ++y) {
        std::string row;
        for (int x = 0; x < p.width; ++x) row += p.pixels[static_cast<std::size_t>(y) * p.width + x] < 100 ? '#' : '.';
        out.push_back(row);
    }
    return out;
}

// A block of ink w × h at (x, y) in a picture of `rows`.
void ink(std::vector<std::string>& rows, int x, int y, int w, int h) {
    for (int r = y; r < y + h; ++r)
        for (int c = x; c < x + w; ++c) rows[r][c] = '#';
}

// A letter like an n: two stems and a bar across the top.
void letter(std::vector<std::string>& rows, int x, int y, int w, int h) {
    ink(rows, x, y, w, 1);
    ink(rows, x, y, 1, h);
    ink(rows, x + w - 1, y, 1, h);
}

std::vector<std::string> blank(int w, int h) { return std::vector<std::string>(h, std::string(w, '.')); }

}  // namespace

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
    const std::vector<TextRun> runs = textRuns(drawn(rows));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].row, 0);
    EXPECT_EQ((std::vector<int>{runs[0].ink.left, runs[0].ink.right, runs[0].ink.height()}), (std::vector<int>{2, 11, 6}));
    EXPECT_EQ(runs[1].row, 0);
    EXPECT_EQ((std::vector<int>{runs[1].ink.left, runs[1].ink.right, runs[1].ink.height()}), (std::vector<int>{14, 41, 14}));
    EXPECT_EQ(runs[2].row, 1);
    EXPECT_TRUE(textRuns(drawn(blank(10, 10))).empty());
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
}

TEST(OcrLayout, CursorsArePaintedOverAndLettersStay) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> inkAt;  // one pixel of each thing drawn
        bool cursorGone;
    };
    auto picture = [](bool withCursor, int kind) {
        auto rows = blank(50, 20);
        letter(rows, 2, 3, 6, 12);  // letters of a line standing on row 15
        letter(rows, 10, 6, 6, 9);
        if (!withCursor) return rows;
        switch (kind) {
            case 0:  // a filled block
                ink(rows, 20, 3, 6, 13);
                break;
            case 1:  // a hollow one
                ink(rows, 20, 3, 6, 13);
                for (int y = 4; y < 15; ++y)
                    for (int x = 21; x < 25; ++x) rows[y][x] = '.';
                break;
            case 2:  // a bar from above the letters to below their line, touching one
                ink(rows, 16, 1, 1, 17);
                ink(rows, 15, 14, 1, 1);
                break;
        }
        return rows;
    };
    for (int kind = 0; kind < 3; ++kind) {
        GreyPicture p = drawn(picture(true, kind));
        removeCursors(p);
        auto expected = picture(false, kind);
        if (kind == 2) expected[14][15] = '#';  // the serif it touched stays
        EXPECT_EQ(rowsOf(p), expected) << kind;
    }
    // What looks alike but is text: a narrow filled stem (a bold I), a tall
    // stroke that ends on the line (an l), a point.
    auto text = blank(50, 20);
    ink(text, 2, 3, 3, 12);
    ink(text, 8, 2, 1, 13);
    letter(text, 12, 6, 6, 9);
    ink(text, 20, 13, 2, 2);
    GreyPicture p = drawn(text);
    removeCursors(p);
    EXPECT_EQ(rowsOf(p), text);
}

TEST(OcrLayout, RunsAreScaledToTheHeightTesseractReadsBest) {
    const std::pair<int, double> cases[] = {{0, 1}, {3, 4}, {11, 2}, {12, 2}, {21, 2}, {22, 1}, {72, 1}, {144, 0.5}};
    for (const auto& [height, scale] : cases) EXPECT_DOUBLE_EQ(runScale(height), scale) << height;
    EXPECT_DOUBLE_EQ(runScale(11, true), 4);
    EXPECT_DOUBLE_EQ(runScale(12, true), 3);
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
        found.push_back({i == 0 ? "Price:\n" : "$249\n", word, 90, {{i == 0 ? "Price:" : "$249", word, 90}}});
    }
    const auto lines = unstack(found, runs, stacked);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Price: $249");
    EXPECT_EQ(lines[0].words.size(), 2u);
    EXPECT_NEAR(lines[0].words[0].box.left, 4, 1);
    EXPECT_NEAR(lines[0].words[0].box.top, 10, 1);
    EXPECT_NEAR(lines[0].words[1].box.left, 41, 1);  // 6 in from the padded place at 2×: 1 in from the ink
    EXPECT_NEAR(lines[0].box.bottom, 31, 1);
}

TEST(OcrLayout, ABitmapFontIsToldFromASmoothedOne) {
    const GreyPicture sharp = drawn({"......", ".####.", ".#..#.", ".####.", "......"});
    const GreyPicture smooth = drawn({"......", ".:##:.", ".#::#.", ".:##:.", "......"});
    const TextRun run{0, {1, 1, 5, 4}, 1, 4};
    EXPECT_TRUE(drawnWithoutSmoothing(sharp, run));
    EXPECT_FALSE(drawnWithoutSmoothing(smooth, run));
}

TEST(OcrMending, UnlikelyReadingsAndMisreadSigns) {
    const std::pair<const char*, int> unlikely[] = {
        {"12:01:21 sync done", 0}, {"12301:21 sync done", 1}, {"GET “api“pay", 2}, {"12;01", 1},
        {"12p01s21", 1},           {"2h15 and 4m30", 0},      {"Price: $249", 0},
    };
    for (const auto& [text, n] : unlikely) EXPECT_EQ(unlikeliness(text), n) << text;
    const std::pair<const char*, const char*> mended[] = {
        {"Packs: 1299x3", "Packs: 1299×3"}, {"0x1F", "0x1F"}, {"10x20 and 0x3", "10×20 and 0x3"},
        {"box x 3", "box x 3"},             {"3897|", "3897"}, {"a | b", "a | b"},
        {"|", ""},
    };
    for (const auto& [in, out] : mended) EXPECT_EQ(mendedLine(in), out) << in;
    EXPECT_EQ(mendedBitmapText("GET \u201Capi/pay \u201Cdone\u201D it\u2019s"), "GET /api/pay /done\" it's");
    std::vector<OCRLine> read{{"Done", {}, 1}, {"__", {}, 1}, {"a_b", {}, 1}};
    mendReading(read);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].text, "a_b");

    // A lone sign as tall as wide is a middle dot; a long dash and a tall colon stay.
    EngineLine line{"87% - 2 h : 5 - x :\n", {}, 90,
                    {{"87%", {0, 0, 30, 12}, 90},
                     {"-", {35, 5, 39, 9}, 90},
                     {"2", {42, 0, 48, 12}, 90},
                     {"h", {50, 0, 56, 12}, 90},
                     {":", {58, 5, 62, 9}, 90},
                     {"5", {64, 0, 70, 12}, 90},
                     {"-", {72, 6, 80, 8}, 90},
                     {"x", {82, 4, 88, 12}, 90},
                     {":", {90, 3, 92, 12}, 90}}};
    mendLoneDots(line);
    EXPECT_EQ(line.text, "87% · 2 h · 5 - x :");
}
