// Recognition on one thread with an engine already warmed up: a 400 × 100
// crop holding two lines (the goal is a median under 25 ms), and the
// 10-line xterm box of bench/data/ocr (at most 130 ms, and never slower
// than the `tesseract` command line on the same crop, whose whole process
// is timed beside it when it is installed). No display needed (the crop
// is drawn offscreen):
//   build/bench/bench_text_recognition

#include <benchmark/benchmark.h>

#include <string>

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include "app/look/qt_image.hpp"
#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/platform/tesseract/tesseract_engine.hpp"
#include "support/app/rendered_text.hpp"

namespace kestrove {
namespace {

const char* const tenLines = KESTROVE_OCR_DATA "/term-fixed-ten-lines.png";

Image twoLineCrop() {
    return rendered::crop(400, 100, {{"Status: Exporting 42%", 10, 38}, {"Price: 249.99 EUR", 10, 80}});
}

// Reads `crop` again and again, once it is seen to read as `lines` lines.
void readAgain(benchmark::State& state, const Image& crop, bool languageCorrection, std::size_t lines) {
    TesseractEngine engine(languageCorrection);
    if (engine.read(crop).size() != lines) {
        const std::string error = "the crop did not read as " + std::to_string(lines) + " lines";
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(engine.read(crop));
}

void recognise(benchmark::State& state, bool languageCorrection) { readAgain(state, twoLineCrop(), languageCorrection, 2); }

BENCHMARK_CAPTURE(recognise, withoutLanguageCorrection, false)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(recognise, withLanguageCorrection, true)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void xtermTenLines(benchmark::State& state) { readAgain(state, imageFromQImage(QImage(tenLines)), false, 10); }
BENCHMARK(xtermTenLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The command line's whole process on the same crop, as a user would run it.
void xtermTenLinesCommandLine(benchmark::State& state) {
    const QString program = QStandardPaths::findExecutable("tesseract");
    if (program.isEmpty()) {
        state.SkipWithError("the tesseract command line is not installed");
        return;
    }
    for (auto _ : state) {
        QProcess p;
        p.start(program, {tenLines, "stdout"});
        p.waitForFinished(30000);
        benchmark::DoNotOptimize(p.readAllStandardOutput());
    }
}
BENCHMARK(xtermTenLinesCommandLine)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

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
