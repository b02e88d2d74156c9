// Text cursors painted over before a picture is read, and the letters that
// look like them left alone.

#include "core/ocr/ocr_cursors.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

TEST(OcrCursors, CursorsArePaintedOverAndLettersStay) {
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
            case 3:  // a filled block right after the last letter, touching it
                ink(rows, 16, 2, 7, 15);
                break;
        }
        return rows;
    };
    for (int kind = 0; kind < 4; ++kind) {
        GreyPicture p = drawn(picture(true, kind));
        removeCursors(p);
        auto expected = picture(false, kind);
        if (kind == 2) expected[14][15] = '#';  // the serif it touched stays
        EXPECT_EQ(rowsOf(p), expected) << kind;
    }
    // What looks alike but is text: a narrow filled stem (a bold I), a tall
    // stroke that ends on the line (an l), a point; a $ whose bar rises
    // above the letters and hangs below their line, crossed by its S.
    auto text = blank(50, 20);
    ink(text, 2, 3, 3, 12);
    ink(text, 8, 2, 1, 13);
    letter(text, 12, 6, 6, 9);
    ink(text, 20, 13, 2, 2);
    ink(text, 26, 4, 7, 1), ink(text, 26, 4, 1, 5), ink(text, 26, 9, 7, 1);
    ink(text, 32, 9, 1, 6), ink(text, 26, 14, 7, 1);
    ink(text, 29, 1, 1, 17);
    GreyPicture p = drawn(text);
    removeCursors(p);
    EXPECT_EQ(rowsOf(p), text);
    // A small bold r after an 8: its stem as wide for its height as a
    // block, but standing on the line.
    auto bold = blank(30, 20);
    ink(bold, 2, 3, 6, 1), ink(bold, 2, 8, 6, 1), ink(bold, 2, 14, 6, 1), ink(bold, 2, 3, 1, 12), ink(bold, 7, 3, 1, 12);
    ink(bold, 10, 6, 4, 9), ink(bold, 14, 6, 3, 2);
    GreyPicture r = drawn(bold);
    removeCursors(r);
    EXPECT_EQ(rowsOf(r), bold);
}

TEST(OcrCursors, AThinFirstLetterTallerThanTheRestIsNoBar) {
    // A P in a one-pixel font before letters drawn as thin rings: most
    // columns' longest stroke is a ring's top, yet the line stands lower.
    auto rows = blank(40, 14);
    ink(rows, 2, 1, 1, 10);
    ink(rows, 2, 1, 4, 1);
    ink(rows, 2, 5, 4, 1);
    ink(rows, 6, 2, 1, 3);
    for (int x = 9; x < 36; x += 6) {
        ink(rows, x, 4, 4, 1);
        ink(rows, x, 10, 4, 1);
        ink(rows, x, 5, 1, 5);
        ink(rows, x + 3, 5, 1, 5);
    }
    GreyPicture p = drawn(rows);
    removeCursors(p);
    EXPECT_EQ(rowsOf(p), rows);
}

TEST(OcrCursors, WhatTheBoxCutsBeyondTheLineGoes) {
    auto line = [](bool cut) {
        auto rows = blank(40, 17);
        for (int x = 2; x < 30; x += 7) letter(rows, x, 3, 5, 10);
        ink(rows, 30, 5, 1, 10);  // a descender: lower than the letters, not cut
        if (cut) ink(rows, 12, 15, 6, 2);  // the top of a cursor on the line below
        return rows;
    };
    GreyPicture p = drawn(line(true));
    removeCursors(p);
    EXPECT_EQ(rowsOf(p), line(false));
    // Cut at the edge but level with the letters: a letter the box cuts stays.
    auto cutLetter = blank(40, 12);
    for (int x = 2; x < 30; x += 7) letter(cutLetter, x, 3, 5, 9);
    GreyPicture q = drawn(cutLetter);
    removeCursors(q);
    EXPECT_EQ(rowsOf(q), cutLetter);
    // A comma's tail touching its head at a corner, cut at the bottom edge, stays.
    auto comma = blank(40, 15);
    for (int x = 2; x < 30; x += 7) letter(comma, x, 3, 5, 10);
    ink(comma, 31, 11, 2, 2);
    ink(comma, 30, 13, 1, 2);
    GreyPicture c = drawn(comma);
    removeCursors(c);
    EXPECT_EQ(rowsOf(c), comma);
}

TEST(OcrCursors, WhatTheBoxLeavesOfABlockGoesAndWhatLooksLikeItStays) {
    // A line of letters (standing on row 11) above a line holding only a
    // cursor (rows 14-26): the picture is the part a box takes of it.
    struct Case {
        const char* what;
        std::function<void(std::vector<std::string>&)> cursor;
        int left, top, right, bottom;  // the box, in the drawing
    };
    auto filled = [](std::vector<std::string>& rows) { ink(rows, 2, 14, 6, 13); };
    auto hollow = [](std::vector<std::string>& rows) {
        ink(rows, 2, 14, 6, 13);
        for (int y = 15; y < 26; ++y)
            for (int x = 3; x < 7; ++x) rows[y][x] = '.';
    };
    auto bar = [](std::vector<std::string>& rows) { ink(rows, 2, 14, 2, 13); };
    const std::vector<Case> cases{
        {"a filled block cut on the left", filled, 5, 0, 40, 30},
        {"a filled block cut on the right, alone", filled, 0, 12, 5, 30},
        {"a hollow block cut on the left", hollow, 4, 0, 40, 30},
        {"a hollow block cut at the top, its side along the edge", hollow, 2, 18, 40, 27},
        {"a hollow block cut at the bottom, alone", hollow, 0, 12, 40, 19},
        {"a bar on a line of its own", bar, 0, 0, 40, 30},
    };
    for (const Case& c : cases) {
        auto rows = blank(40, 30);
        for (int x = 2; x < 30; x += 7) letter(rows, x, 3, 5, 9);
        auto withCursor = rows;
        c.cursor(withCursor);
        auto cut = [&](const std::vector<std::string>& from) {
            std::vector<std::string> out;
            for (int y = c.top; y < c.bottom; ++y) out.push_back(from[y].substr(c.left, c.right - c.left));
            return out;
        };
        GreyPicture p = drawn(cut(withCursor));
        removeBlockCursors(p);
        removeCursors(p);
        EXPECT_EQ(rowsOf(p), cut(rows)) << c.what;
    }

    // What looks alike: letters cut at the box's foot (a row of n-like
    // stems), a frame around text (a view's border), a lone letter I
    // lower than the line above, a letter cut on the left beside others.
    auto letters = blank(40, 12);
    for (int x = 2; x < 30; x += 7) letter(letters, x, 3, 5, 9);
    auto framed = blank(40, 30);
    ink(framed, 0, 0, 40, 1);
    ink(framed, 0, 0, 1, 30);
    ink(framed, 39, 0, 1, 30);
    ink(framed, 0, 29, 40, 1);
    for (int x = 4; x < 30; x += 7) letter(framed, x, 8, 5, 9);
    auto loneI = blank(40, 30);
    for (int x = 2; x < 30; x += 7) letter(loneI, x, 2, 5, 12);
    ink(loneI, 4, 18, 2, 9);
    // An I, and an l a pixel taller, alone under a line of capitals.
    auto capitals = blank(40, 28);
    for (int x = 2; x < 30; x += 7) letter(capitals, x, 2, 5, 9);
    auto capitalI = capitals, capitalL = capitals;
    ink(capitalI, 2, 15, 2, 9);
    ink(capitalL, 2, 15, 2, 10);
    auto cutLetter = blank(40, 14);
    ink(cutLetter, 0, 3, 2, 9);
    ink(cutLetter, 0, 3, 4, 1);
    for (int x = 6; x < 30; x += 7) letter(cutLetter, x, 3, 5, 9);
    for (const auto& text : {letters, framed, loneI, capitalI, capitalL, cutLetter}) {
        GreyPicture p = drawn(text);
        removeBlockCursors(p);
        removeCursors(p);
        EXPECT_EQ(rowsOf(p), text);
    }
}

TEST(OcrCursors, ABarBetweenTextIsAGlyphAndOneBeforeOrAfterItACursor) {
    // Letters standing on row 15 at the given columns, and a bar from above
    // them to below their line.
    struct Case {
        const char* what;
        std::vector<int> letters;
        int bar;
        bool cursor;
    };
    const Case cases[] = {
        {"between words (\"Tabs | 12\")", {2, 10, 28, 36}, 22, false},
        {"between letters set close (\"A|B\")", {2, 12}, 10, false},
        {"after the text", {2, 10, 18}, 26, true},
        {"after the text, touching its last letter", {2, 10}, 16, true},
        {"before the text, touching its first letter", {3, 11}, 2, true},
    };
    for (const Case& c : cases) {
        auto text = blank(60, 20);
        for (int x : c.letters) letter(text, x, 3, 6, 12);
        auto shown = text;
        ink(shown, c.bar, 1, 1, 17);
        GreyPicture p = drawn(shown);
        removeCursors(p);
        EXPECT_EQ(rowsOf(p), c.cursor ? text : shown) << c.what;
    }
}

TEST(OcrCursors, ACaretAmidTextRisesAboveTheAscendersAndABarGlyphDoesNot) {
    // A line as editors draw it: small letters from row 9 to the line they
    // stand on (row 21), ascenders from row 4, a p's stem down to row 25;
    // an editor's caret spans the font's whole line, rows 0 to 26, right
    // against a letter; a "|" the ascenders' top to below the descenders,
    // with room of its own on both sides.
    struct Case {
        const char* what;
        bool ascenders;       // tall letters in the line, or small ones only
        int bar, top, bottom; // the bar's column and rows
        bool caret;
        bool speck = false;   // the box takes a speck of the line above
    };
    const Case cases[] = {
        {"a caret between two letters", true, 23, 0, 26, true},
        {"a caret between two words", true, 37, 0, 26, true},
        {"a caret two pixels above the ascenders, as a Qt editor draws it", true, 23, 2, 26, true},
        {"a caret in a line of small letters, beside a bar glyph, a speck above", false, 23, 0, 26, true, true},
        {"a bar glyph between words (\"Tabs | 12\")", true, 32, 4, 25, false},
        {"a bar glyph a pixel above the ascenders", true, 32, 3, 25, false},
        {"a bar glyph between letters set close (\"A|B\")", true, 22, 4, 25, false},
        {"a bar glyph in a line of small letters (\"x | y\")", false, 32, 4, 25, false},
        {"a typewriter face's bar glyph, as tall as a caret, mid-cell", true, 33, 0, 26, false},
    };
    for (const Case& c : cases) {
        auto text = blank(70, 27);
        letter(text, 2, 9, 6, 12);
        ink(text, 11, c.ascenders ? 4 : 9, 2, c.ascenders ? 17 : 12);  // an l, or an i's stem
        ink(text, 15, 9, 2, 16);                                        // a p's stem
        letter(text, 24, 9, 6, 12);
        letter(text, 38, 9, 6, 12);
        if (c.ascenders) ink(text, 47, 4, 2, 17);
        letter(text, 51, 9, 6, 12);
        if (!c.ascenders && c.caret) ink(text, 34, 4, 1, 21);  // the bar glyph beside the caret
        if (c.speck) ink(text, 40, 0, 2, 1);
        auto shown = text;
        ink(shown, c.bar, c.top, 1, c.bottom - c.top);
        GreyPicture p = drawn(shown);
        removeCursors(p);
        EXPECT_EQ(rowsOf(p), c.caret ? text : shown) << c.what;
    }
}

TEST(OcrCursors, ACaretAmidAnyLineGoesAtEveryPlaceAndSizeAndABarGlyphStays) {
    // Letters in cells 0.6 s wide as fonts set them: capitals 0.73 s tall on
    // the line 0.93 s from the top (small letters 0.55 s in a mixed line;
    // narrower, mid-cell, in a typewriter face); a caret over the font's
    // whole line (0.24 s below it) in any column between two letters; a "|"
    // a pixel above the capitals to 0.2 s below the line, mid-cell.
    enum Kind { capitals, mixed, typewriter };
    for (int s : {10, 12, 16, 20, 24, 32})
        for (Kind kind : {capitals, mixed, typewriter}) {
            const int line = s * 93 / 100, step = s * 6 / 10, w = kind == typewriter ? s * 4 / 10 : s / 2;
            const int margin = 4 + (step - w) / 2 * (kind == typewriter);
            auto drawn = [&](int bar, bool glyph) {
                auto rows = blank(8 + 6 * step, line + s / 4 + 2);
                for (int i = 0; i < 6; ++i) {
                    const int tall = kind == mixed && i % 2 ? s * 55 / 100 : s * 73 / 100;
                    if (i != 3 || !glyph) letter(rows, margin + i * step, line - tall, w, tall);
                }
                const int top = glyph ? line - s * 73 / 100 - 1 : 0, bottom = line + (glyph ? s / 5 : s * 24 / 100);
                if (bar >= 0) ink(rows, bar, top, 1, bottom - top);
                return rows;
            };
            auto expect = [&](int bar, bool glyph) {
                GreyPicture p = kestrove::drawing::drawn(drawn(bar, glyph));
                removeCursors(p);
                EXPECT_EQ(rowsOf(p), drawn(glyph ? bar : -1, glyph)) << s << " px, kind " << kind << ", at " << bar;
            };
            for (int i = 1; i < 6; ++i)
                for (int x = margin + (i - 1) * step + w; x < margin + i * step; ++x) expect(x, false);
            expect(margin + 3 * step + w / 2, true);
        }
}
