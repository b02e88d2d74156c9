// Grid + compare of a 1200 × 400 crop: the cost an unchanged box pays on every check.
#include <benchmark/benchmark.h>

#include "core/picture/pixel_diff.hpp"

using namespace kestrove;

namespace {
Image crop() {
    Image img(1200, 400);
    for (std::size_t i = 0; i < img.rgba.size(); i += 4) {
        img.rgba[i] = static_cast<std::uint8_t>(i * 7);
        img.rgba[i + 1] = static_cast<std::uint8_t>(i / 3);
        img.rgba[i + 2] = 200;
        img.rgba[i + 3] = 255;
    }
    return img;
}
}  // namespace

static void BM_GridAndCompare(benchmark::State& state) {
    const Image img = crop();
    const DiffGrid previous = *PixelDiff::grid(img);
    for (auto _ : state) {
        auto g = PixelDiff::grid(img);
        benchmark::DoNotOptimize(PixelDiff::changed(previous, *g));
    }
}
BENCHMARK(BM_GridAndCompare)->Unit(benchmark::kMicrosecond);

static void BM_Compare(benchmark::State& state) {
    const DiffGrid a = *PixelDiff::grid(crop());
    const DiffGrid b = a;
    for (auto _ : state) benchmark::DoNotOptimize(PixelDiff::changed(a, b));
}
BENCHMARK(BM_Compare)->Unit(benchmark::kMicrosecond);
