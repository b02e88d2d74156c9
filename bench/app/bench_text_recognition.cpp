// Recognition of a 400 × 100 crop holding two lines, on one thread with an
// engine already warmed up; the goal is a median under 25 ms. No display
// needed (the crop is drawn offscreen):
//   build/bench/bench_text_recognition

#include <benchmark/benchmark.h>

#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/platform/tesseract/tesseract_engine.hpp"
#include "support/app/rendered_text.hpp"

namespace kestrove {
namespace {

Image twoLineCrop() {
    return rendered::crop(400, 100, {{"Status: Exporting 42%", 10, 38}, {"Price: 249.99 EUR", 10, 80}});
}

void recognise(benchmark::State& state, bool languageCorrection) {
    const Image crop = twoLineCrop();
    TesseractEngine engine(languageCorrection);
    if (engine.read(crop).size() != 2) {
        state.SkipWithError("the crop did not read as two lines");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(engine.read(crop));
}

BENCHMARK_CAPTURE(recognise, withoutLanguageCorrection, false)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(recognise, withLanguageCorrection, true)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    kestrove::limitOpenMPThreads(argv);  // first: may start the process again
    kestrove::rendered::ensureApplication();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
