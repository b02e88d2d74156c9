// Parsing the messenger's mark (630 characters, arcs included): the one-off
// cost the first drawing of the chat row or the chat window pays.
#include <benchmark/benchmark.h>

#include "core/picture/svg_path.hpp"
#include "core/picture/telegram_mark.hpp"

using namespace kestrove;

static void BM_ParseTelegramMark(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(SVGPath::path(TelegramMark::svg));
}
BENCHMARK(BM_ParseTelegramMark)->Unit(benchmark::kMicrosecond);
