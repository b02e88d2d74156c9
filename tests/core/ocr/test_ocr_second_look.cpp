// The second look at runs read with an unsure character: which runs are
// read again, and which reading each run keeps.

#include "core/ocr/ocr_second_look.hpp"

#include <gtest/gtest.h>

#include "support/ocr_drawing.hpp"

using namespace kestrove;
using namespace kestrove::drawing;

namespace {

// A line of one word read in `at`, its characters as sure as told.
EngineLine lineIn(const PixelBox& at, const std::string& text, std::vector<double> sure) {
    EngineWord word{text, at, 90, {}};
    for (std::size_t i = 0; i < sure.size(); ++i) {
        const int w = at.width() / static_cast<int>(sure.size());
        const int left = at.left + static_cast<int>(i) * w;
        word.symbols.push_back({text.substr(i, 1), {left, at.top, left + w, at.bottom}, sure[i]});
    }
    return {text + "\n", at, 90, {word}};
}

Stacked stackOf(std::vector<PixelBox> placed, std::vector<double> scales) {
    const std::size_t runs = scales.size();
    return {{}, std::move(placed), std::move(scales), std::vector<bool>(runs, true)};
}

}  // namespace

TEST(OcrSecondLook, OnlyAnEnlargedRunWithAnUnsureCharacterIsReadAgain) {
    const Stacked stacked = stackOf({{8, 8, 208, 56}, {8, 80, 108, 100}, {8, 120, 208, 168}, {8, 190, 208, 238}}, {4, 1, 4, 4});
    const std::vector<EngineLine> found{lineIn({10, 10, 200, 50}, "(172)", {99, 98, 99, 87, 99}),
                                        lineIn({10, 82, 100, 98}, "ok", {60, 99}),  // not enlarged
                                        lineIn({10, 122, 200, 162}, "12:01", {99, 97, 99, 98, 99})};
    // The fourth run read nothing: nothing to be unsure of.
    EXPECT_EQ(unsureRuns(found, stacked), (std::vector<std::size_t>{0}));
}

TEST(OcrSecondLook, ARunKeepsTheSurerReadingInItsOwnPlace) {
    const Stacked stacked = stackOf({{8, 8, 208, 56}, {8, 80, 208, 128}}, {4, 4});
    const std::vector<EngineLine> first{lineIn({12, 12, 204, 52}, "(172)", {99, 98, 99, 87, 99}),
                                        lineIn({12, 84, 204, 124}, "a:b", {99, 90, 99})};
    // Both runs read again one step smaller (3×), placed one under the other.
    const Stacked smaller = stackOf({{8, 8, 158, 44}, {8, 60, 158, 96}}, {3, 3});
    const std::vector<EngineLine> again{lineIn({11, 11, 155, 41}, "(17%)", {99, 98, 99, 96, 99}),
                                        lineIn({11, 63, 155, 93}, "a;b", {99, 80, 99})};
    std::vector<EngineLine> found = first;
    keepSurer(found, stacked, {0, 1}, again, {smaller, {0, 1}});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].text, "(17%)\n");
    // Back in the first stack's pixels: 3 in from its place at 3× is 4 in at 4×.
    EXPECT_EQ(found[0].box.left, 12);
    EXPECT_EQ(found[0].box.top, 12);
    EXPECT_EQ(found[0].box.right, 204);
    EXPECT_EQ(found[0].words[0].symbols[3].box.top, 12);
    EXPECT_EQ(found[1].text, "a:b\n");  // less sure the second time: kept as first read
    EXPECT_EQ(found[1].box.top, 84);
}

TEST(OcrSecondLook, OnlyTheRunsReadAgainAreRestackedUnlessOneIsALoneGlyph) {
    // Three rows of a bitmap font, small enough to be enlarged 4×; the last
    // is one glyph in the second picture (a prompt sign).
    for (const bool lone : {false, true}) {
        auto rows = blank(60, 44);
        for (int top : {2, 16})
            for (int x = 4; x < 40; x += 7) letter(rows, x, top, 5, 9);
        for (int x = 4; x < (lone ? 10 : 40); x += 7) letter(rows, x, 30, 5, 9);
        const GreyPicture p = drawn(rows);
        const std::vector<InkRun> runs = textRuns(p);
        ASSERT_EQ(runs.size(), 3u);
        const Stacked stacked = stackRuns(p, runs);
        const Restacked smaller = smallerStack(p, runs, {2});
        EXPECT_EQ(smaller.runs, lone ? (std::vector<std::size_t>{0, 1, 2}) : (std::vector<std::size_t>{2})) << lone;
        ASSERT_EQ(smaller.stacked.placed.size(), smaller.runs.size());
        for (double scale : smaller.stacked.scales) EXPECT_DOUBLE_EQ(scale, stacked.scales[2] - 1);

        // Read again, the third run's reading replaces its first one, in its
        // own place; the others stay as first read, even when read again surer.
        const auto inside = [](const PixelBox& at) { return PixelBox{at.left + 2, at.top + 2, at.right - 2, at.bottom - 2}; };
        std::vector<EngineLine> found{lineIn(inside(stacked.placed[0]), "ab", {99, 90}),
                                      lineIn(inside(stacked.placed[1]), "cd", {99, 99}),
                                      lineIn(inside(stacked.placed[2]), "x>y", {99, 70, 99})};
        std::vector<EngineLine> again;
        for (std::size_t j = 0; j < smaller.runs.size(); ++j)
            again.push_back(smaller.runs[j] == 2 ? lineIn(inside(smaller.stacked.placed[j]), "x;y", {99, 93, 99})
                                                 : lineIn(inside(smaller.stacked.placed[j]), "zz", {99, 99}));
        keepSurer(found, stacked, {2}, again, smaller);
        ASSERT_EQ(found.size(), 3u);
        EXPECT_EQ(found[0].text, "ab\n");
        EXPECT_EQ(found[1].text, "cd\n");
        EXPECT_EQ(found[2].text, "x;y\n");
        EXPECT_EQ(runOf(stacked, found[2].box), 2);
    }
}
