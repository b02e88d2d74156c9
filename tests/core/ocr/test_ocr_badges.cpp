// Text knocked out of a filled box or pill is turned over to read dark on
// light; letters with counters of their own are left alone.

#include "core/ocr/ocr_badges.hpp"
#include "core/ocr/ocr_line_split.hpp"

#include <gtest/gtest.h>

#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

namespace {

// Ground where `rows` say '.', a hole cut back to ground where ink was.
void cut(std::vector<std::string>& rows, int x, int y, int w, int h) {
    for (int r = y; r < y + h; ++r)
        for (int c = x; c < x + w; ++c) rows[r][c] = '.';
}

}  // namespace

TEST(OcrBadges, TextKnockedOutOfAFilledBoxReadsDarkOnLight) {
    struct Case {
        const char* what;
        int w, h;                     // the filled piece, at (4, 4)
        std::vector<PixelBox> holes;  // cut out of it, relative to its corner
        bool turned;
        bool flattened = turned;  // as a pill on the page
    };
    const Case cases[] = {
        {"a pill round two letters", 40, 16, {{10, 4, 14, 12}, {20, 4, 26, 12}}, true},
        {"a pill round one letter and a sign", 40, 16, {{10, 7, 16, 9}, {20, 4, 26, 12}}, true},
        {"a roomy pill round short capitals", 60, 24, {{12, 8, 18, 16}, {24, 8, 30, 16}}, true},
        {"a bold letter's two small counters", 12, 16, {{4, 3, 8, 6}, {4, 10, 8, 13}}, false},
        {"a bold o: one counter, as wide as tall", 16, 16, {{5, 4, 11, 12}}, false},
        {"letters without room round them", 40, 16, {{2, 4, 8, 12}, {20, 4, 26, 12}}, false},
        // A pill's letters may come within a pixel of its edge.
        {"holes running to its foot", 40, 16, {{10, 4, 14, 15}, {20, 4, 26, 15}}, false, true},
        {"too small to hold text", 14, 7, {{3, 2, 5, 5}, {8, 2, 10, 5}}, false},
    };
    // Flattened as a pill on the page, the same.
    for (void (*rule)(GreyPicture&) : {lightenBadges, flattenPills})
        for (const Case& c : cases) {
            auto rows = blank(c.w + 8, 2 * c.h + 8);  // mostly ground
            ink(rows, 4, 4, c.w, c.h);
            for (const PixelBox& hole : c.holes) cut(rows, 4 + hole.left, 4 + hole.top, hole.width(), hole.height());
            GreyPicture p = drawn(rows);
            rule(p);
            const std::vector<std::string> after = rowsOf(p);
            const PixelBox& hole = c.holes.back();
            const bool turned = rule == flattenPills ? c.flattened : c.turned;
            EXPECT_EQ(after[4][4], turned ? '.' : '#') << c.what;  // the box's corner
            EXPECT_EQ(after[4 + hole.top][4 + hole.left], turned ? '#' : '.') << c.what;
            EXPECT_EQ(after[0][0], '.') << c.what;  // outside it, nothing changes
        }
}

TEST(OcrBadges, ARoundedPillLeavesWhatLiesOutsideItsOutline) {
    // A pill with its corners cut round: the corners stay ground, its
    // letters' own counters (islands of the pill's shade) become ground.
    auto rows = blank(48, 40);
    ink(rows, 4, 4, 40, 16);
    for (int x : {4, 5, 42, 43})
        for (int y : {4, 5, 18, 19}) rows[y][x] = '.';
    cut(rows, 12, 8, 8, 8);  // an o...
    ink(rows, 15, 11, 2, 2);  // ...with its counter
    cut(rows, 26, 8, 3, 8);   // an l
    // Its outline smoothed: half-tones along its top and its left end.
    for (int x = 6; x < 42; ++x) rows[4][x] = ':';
    for (int y = 6; y < 18; ++y) rows[y][4] = ':';
    GreyPicture p = drawn(rows);
    const std::uint8_t ground = p.pixels[0];
    lightenBadges(p);
    const std::vector<std::string> after = rowsOf(p);
    // The outline's half-tones are the pill's edge, not a letter's: ground.
    for (const auto& [x, y] : {std::pair{20, 4}, std::pair{4, 12}})
        EXPECT_EQ(p.pixels[static_cast<std::size_t>(y) * p.width + x], ground) << x << "," << y;
    EXPECT_EQ(after[4][4], '.');
    EXPECT_EQ(after[10][10], '.');
    EXPECT_EQ(after[8][12], '#');
    EXPECT_EQ(after[11][15], '.');
    EXPECT_EQ(after[8][27], '#');
}

// A box drawn through a pill cuts it: the letters by the cut need no room
// on that side.
TEST(OcrBadges, APillTheBoxCutsThroughIsStillABadge) {
    auto rows = blank(40, 40);
    ink(rows, 4, 4, 36, 16);  // runs on past the right edge
    cut(rows, 12, 8, 6, 8);
    cut(rows, 26, 8, 12, 8);  // the last letters, two pixels from the cut
    GreyPicture p = drawn(rows);
    lightenBadges(p);
    const std::vector<std::string> after = rowsOf(p);
    EXPECT_EQ(after[10][6], '.');   // the pill
    EXPECT_EQ(after[10][14], '#');  // a letter
    EXPECT_EQ(after[10][37], '#');  // the letters by the cut
}

namespace {

// A picture of one shade with `light` pieces of another.
GreyPicture filled(int w, int h, std::uint8_t shade) {
    return {w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h, shade)};
}
void paint(GreyPicture& p, const PixelBox& b, std::uint8_t shade) {
    for (int y = b.top; y < b.bottom; ++y)
        for (int x = b.left; x < b.right; ++x) p.pixels[static_cast<std::size_t>(y) * p.width + x] = shade;
}
std::uint8_t at(const GreyPicture& p, int x, int y) { return p.pixels[static_cast<std::size_t>(y) * p.width + x]; }

}  // namespace

// A box drawn tight round a pill: the pill's colour is the ground, its
// letters lighter, the page showing in its corners lighter too.
TEST(OcrBadges, LightTextOnAColouredGroundReadsDarkOnWhite) {
    struct Case {
        const char* what;
        std::uint8_t ground, text;
        bool turned;
        bool pageBeside = false;  // white page along its right, more of it than of the text
    };
    const Case cases[] = {
        {"white on orange", 162, 255, true},  {"white on green", 137, 255, true},
        {"white on red", 119, 255, true},     {"white on blue", 122, 255, true},
        {"white on purple", 128, 255, true},  {"pale yellow on dark green", 93, 230, true},
        // Left as they are: dark text on white and on a light colour, and
        // light text on a dark theme's ground (turned over whole elsewhere).
        {"black on white", 255, 0, false},    {"brown on pale yellow", 222, 70, false},
        {"green on pale green", 205, 60, false}, {"white on a dark theme", 40, 230, false},
        {"black on orange beside the page", 162, 0, false, true},
    };
    for (const Case& c : cases) {
        GreyPicture p = filled(60, 24, c.ground);
        for (int x : {0, 1, 58, 59}) paint(p, {x, 0, x + 1, 2}, c.text);    // the page in the corners
        for (int x : {10, 22, 34}) paint(p, {x, 7, x + 8, 17}, c.text);     // letters
        if (c.pageBeside) {
            paint(p, {44, 0, 60, 24}, 255);
            paint(p, {5, 20, 7, 22}, 255);  // and a light dot on the colour
        }
        const GreyPicture before = p;
        lightenFilledBox(p);
        if (!c.turned) {
            EXPECT_EQ(p.pixels, before.pixels) << c.what;
            continue;
        }
        EXPECT_LT(at(p, 12, 10), 60) << c.what;    // a letter: dark
        EXPECT_GT(at(p, 5, 20), 230) << c.what;    // the ground: white
        EXPECT_GT(at(p, 0, 0), 230) << c.what;     // a corner: ground, not a letter
        EXPECT_GT(at(p, 59, 1), 230) << c.what;
    }
}

// Light letters on a mid-bright colour are drawn bolder than dark ones on
// white: a half-tone a quarter of the way from the box to the letter is no
// ink once turned, or a bold D filled a fourth column and was taken for a
// cursor.
TEST(OcrBadges, TurnedLettersAreNoBolderThanDrawn) {
    for (const std::uint8_t box : {std::uint8_t(120), std::uint8_t(140), std::uint8_t(165)}) {
        auto rows = blank(48, 40);
        ink(rows, 4, 4, 40, 16);
        GreyPicture p = drawn(rows);
        paint(p, {4, 4, 44, 20}, box);
        paint(p, {12, 8, 15, 16}, 255);  // a stem three pixels wide...
        paint(p, {15, 8, 16, 16}, static_cast<std::uint8_t>(box + (255 - box) / 4));  // ...smoothed on its right
        paint(p, {24, 8, 30, 16}, 255);  // another letter
        lightenBadges(p);
        const Marks m{p, groundOf(p)};
        EXPECT_TRUE(m.at(13, 10)) << int(box);
        EXPECT_FALSE(m.at(15, 10)) << int(box);
    }
}
