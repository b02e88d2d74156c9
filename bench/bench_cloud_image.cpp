#include <benchmark/benchmark.h>

#include "core/cloud/cloud_image.hpp"

namespace {

kestrove::Image screenLike(int w, int h) {
    kestrove::Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &img.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 4];
            // Flat areas with some text-like detail, as a crop of a window has.
            bool ink = (x / 3 + y / 7) % 11 == 0;
            p[0] = ink ? 20 : 240;
            p[1] = ink ? 20 : 242;
            p[2] = ink ? 30 : 245;
            p[3] = 255;
        }
    return img;
}

// A full-screen crop shrunk and encoded, as sent with a model check.
void BM_CloudImage_2000x1000(benchmark::State& state) {
    const auto img = screenLike(2000, 1000);
    std::size_t size = 0;
    for (auto _ : state) {
        auto out = kestrove::CloudImage::png(img);
        size = out ? out->base64.size() : 0;
        benchmark::DoNotOptimize(out);
    }
    state.counters["base64_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_CloudImage_2000x1000)->Unit(benchmark::kMillisecond);

// A typical box that needs no shrinking.
void BM_CloudImage_600x200(benchmark::State& state) {
    const auto img = screenLike(600, 200);
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::CloudImage::png(img));
}
BENCHMARK(BM_CloudImage_600x200)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

void BM_CloudImage_DownscaleOnly_2000x1000(benchmark::State& state) {
    const auto img = screenLike(2000, 1000);
    for (auto _ : state) benchmark::DoNotOptimize(kestrove::CloudImage::downscaled(img, 1024));
}
BENCHMARK(BM_CloudImage_DownscaleOnly_2000x1000)->Unit(benchmark::kMillisecond);

}  // namespace
