// Recognition of a 400 × 100 crop holding two lines, on one thread with an
// engine already warmed up; the goal is a median under 25 ms. No display
// needed (the crop is drawn offscreen):
//   build/bench/bench_text_recognition

#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>

#include "app/platform/qt_image.hpp"
#include "app/platform/tesseract_engine.hpp"

namespace kestrove {
namespace {

Image twoLineCrop() {
    QImage picture(400, 100, QImage::Format_RGBA8888);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(10, 38), QStringLiteral("Status: Exporting 42%"));
    painter.drawText(QPointF(10, 80), QStringLiteral("Price: 249.99 EUR"));
    painter.end();
    return imageFromQImage(picture);
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
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
