// The window tracker places every bound frame four times a second.
#include <benchmark/benchmark.h>

#include "core/windows/window_binding.hpp"

using namespace kestrove;

namespace {

std::vector<WindowInfo> desktopOf(int count) {
    std::vector<WindowInfo> out;
    out.push_back({1, "panel", std::nullopt, {0, 0, 1920, 1080}, 3, 1, true, false, 10, {}});
    for (int i = 0; i < count; ++i) {
        WindowInfo w;
        w.id = static_cast<std::uint32_t>(100 + i);
        w.app = "app" + std::to_string(i % 7);
        w.frame = {static_cast<double>(20 * (i % 30) + 900), static_cast<double>(15 * (i % 20)), 400, 300};
        w.ownerPID = 1000 + i;
        out.push_back(w);
    }
    out.push_back({9999, "editor", std::nullopt, {100, 100, 700, 700}, 0, 1, true, false, 42, {}});
    out.push_back({2, "desktop", std::nullopt, {0, 0, 1920, 1080}, -1, 1, true, false, 11, {}});
    return out;
}

void BM_FramePlace(benchmark::State& state) {
    const auto windows = desktopOf(static_cast<int>(state.range(0)));
    const std::vector<Rect> displays{{0, 0, 1920, 1080}, {1920, 0, 2560, 1440}};
    const WindowAnchor anchor{9999, "editor", std::nullopt, 50, 60, 700, 700};
    for (auto _ : state) benchmark::DoNotOptimize(WindowTracking::framePlace(anchor, {200, 40}, windows, displays));
}
BENCHMARK(BM_FramePlace)->Arg(10)->Arg(60);

void BM_Pick(benchmark::State& state) {
    const auto windows = desktopOf(static_cast<int>(state.range(0)));
    const std::vector<Rect> displays{{0, 0, 1920, 1080}};
    for (auto _ : state) benchmark::DoNotOptimize(WindowTracking::pick({150, 160, 200, 40}, windows, displays));
}
BENCHMARK(BM_Pick)->Arg(60);

void BM_CropResample(benchmark::State& state) {
    Image window(1400, 1400);
    for (std::size_t i = 0; i < window.rgba.size(); ++i) window.rgba[i] = static_cast<std::uint8_t>(i * 31);
    for (auto _ : state)
        benchmark::DoNotOptimize(WindowTracking::crop(window, {100, 120, 400, 80}, 401, 81));
}
BENCHMARK(BM_CropResample);

}  // namespace
