// Preparing a whole-screen box over a page of labels for recognition, with
// 4 or 8 pills to a row and the same page with their text set on it: the
// pills should cost little more than the text they hold.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/ocr/ocr_badges.hpp"
#include "core/ocr/ocr_cursors.hpp"
#include "core/ocr/ocr_enlarging.hpp"
#include "core/ocr/ocr_layout.hpp"
#include "core/ocr/ocr_picture.hpp"

using namespace kestrove;

namespace {

constexpr std::uint8_t page = 250, ink = 40, half = 150;

// 5 × 7 letters, '#' ink.
const std::vector<std::string>& glyph(char c) {
    static const std::vector<std::string> shapes[] = {
        {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},  // 0
        {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},  // 1
        {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},  // 2
        {"#...#", "#...#", "#...#", "#####", "....#", "....#", "....#"},  // 4
        {".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"},  // n
        {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."},  // e
        {".....", ".....", ".####", "#....", ".###.", "....#", "####."},  // s
        {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "####."},  // b
    };
    return shapes[static_cast<unsigned char>(c) % 8];
}

void fill(GreyPicture& p, int x0, int y0, int w, int h, std::uint8_t shade) {
    for (int y = std::max(0, y0); y < std::min(p.height, y0 + h); ++y)
        for (int x = std::max(0, x0); x < std::min(p.width, x0 + w); ++x)
            p.pixels[static_cast<std::size_t>(y) * p.width + x] = shade;
}

// Letters two pixels tall to a row of the shape, smoothed on their right; returns the width set.
int set(GreyPicture& p, int x, int y, const std::string& text, std::uint8_t shade, std::uint8_t smooth) {
    const int start = x;
    for (char c : text) {
        if (c != ' ') {
            const auto& g = glyph(c);
            for (int r = 0; r < 7; ++r)
                for (int col = 0; col < 5; ++col)
                    if (g[r][col] == '#') {
                        fill(p, x + col, y + 2 * r, 1, 2, shade);
                        if (col == 4 || g[r][col + 1] != '#') fill(p, x + col + 1, y + 2 * r, 1, 2, smooth);
                    }
        }
        x += 7;
    }
    return x - start;
}

// Rows of labels 30 pixels apart, each with `perRow` tags; as pills, or their text set on the page.
GreyPicture labels(int w, int h, int perRow, bool pills) {
    GreyPicture p{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h, page)};
    const std::uint8_t shades[] = {110, 140, 170, 90};
    int n = 0;
    for (int y = 8; y + 24 < h; y += 30) {
        const int cell = w / perRow;
        for (int x = 0; x + cell <= w; x += cell, ++n) {
            const std::string word = std::to_string(n * 37 % 1000), tag = std::to_string(n % 97) + " new";
            int at = x + 10 + set(p, x + 10, y + 4, "bees " + word, ink, half) + 14;
            const int tagWidth = 7 * int(tag.size()) + 16;
            if (!pills) {
                set(p, at + 8, y + 4, tag, ink, half);
                continue;
            }
            const std::uint8_t shade = shades[n % 4];
            fill(p, at, y, tagWidth, 22, shade);
            for (const int cx : {at, at + tagWidth - 2})  // rounded corners
                for (const int cy : {y, y + 20}) fill(p, cx, cy, 2, 2, page), fill(p, cx + (cx == at ? 1 : 0), cy + (cy == y ? 1 : 0), 1, 1, half);
            set(p, at + 8, y + 4, tag, 250, static_cast<std::uint8_t>((shade + 250) / 2));
        }
    }
    return p;
}

// As the recognition prepares a picture before Tesseract reads it.
void prepare(GreyPicture& g) {
    flattenPills(g);
    removeBlockCursors(g);
    prepareForRecognition(g);
    removeCursors(g);
    clearCutRows(g);
    const std::vector<InkRun> runs = textRuns(g);
    const int ground = groundOf(g);
    for (const InkRun& run : runs)
        if (drawnWithoutSmoothing(g, run.ink, ground)) mendCrossDots(g, {run.ink.left, run.bandTop, run.ink.right, run.bandBottom});
    benchmark::DoNotOptimize(stackRuns(g, runs));
}

// Args: width, height, tags to a row, whether they are pills.
void preparePage(benchmark::State& state) {
    const GreyPicture picture = labels(int(state.range(0)), int(state.range(1)), int(state.range(2)), state.range(3) != 0);
    for (auto _ : state) {
        GreyPicture g = picture;
        prepare(g);
    }
    state.SetLabel(std::string(state.range(3) ? "pills" : "text only"));
}
BENCHMARK(preparePage)
    ->ArgsProduct({{1920}, {1080}, {4, 8}, {0, 1}})
    ->Args({3840, 2160, 4, 0})
    ->Args({3840, 2160, 4, 1})
    ->Args({3840, 2160, 8, 0})
    ->Args({3840, 2160, 8, 1})
    ->Unit(benchmark::kMillisecond);

// The pill step alone.
void flattenPage(benchmark::State& state) {
    const GreyPicture picture = labels(int(state.range(0)), int(state.range(1)), int(state.range(2)), state.range(3) != 0);
    for (auto _ : state) {
        GreyPicture g = picture;
        flattenPills(g);
        benchmark::DoNotOptimize(g.pixels.data());
    }
    GreyPicture g = picture;
    flattenPills(g);
    int changed = 0;
    for (std::size_t i = 0; i < g.pixels.size(); ++i) changed += g.pixels[i] != picture.pixels[i];
    state.counters["changed"] = changed;  // none without pills; their pixels with
}
BENCHMARK(flattenPage)->Args({1920, 1080, 8, 0})->Args({1920, 1080, 8, 1})->Args({3840, 2160, 8, 1})->Unit(benchmark::kMillisecond);

}  // namespace
