// The frames around watched boxes: a tracker tick that finds 20 bound frames
// where they were (goal: under 50 µs in all), and the drawing of one frame
// (goal: under 2 ms), also the shape cut from it where no compositor runs.
// Draws offscreen without a display; in a private desktop it uses X11:
//   build/bench/bench_frame
//   scripts/with-desktop build/bench/bench_frame

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>

#include "app/frame/frame_painter.hpp"
#include "app/frame/frame_window.hpp"
#include "app/frame/widget_frame_factory.hpp"

namespace kestrove {
namespace {

struct StillDesktop final : FrameDesktop {
    bool compositing() const override { return true; }
    void setEvents(Events) override {}
    void stack(const std::vector<std::uint32_t>&, const std::vector<std::uint32_t>&) override {}
};

struct OneScreen final : Screens {
    std::vector<ScreenInfo> screens() const override {
        return {{"bench", ScreenSpace::displayID("bench"), {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 1}};
    }
};

void followStill(benchmark::State& state) {
    OneScreen screens;
    StillDesktop desktop;
    WidgetFrameFactory factory(screens, desktop);
    std::vector<std::unique_ptr<Frame>> frames;
    std::vector<WindowTracking::FramePlace> places;
    for (int i = 0; i < 20; ++i) {
        WatchRegion region{ScreenSpace::displayID("bench"), 0, 0, 200, 60, 1,
                           WindowAnchor{std::uint32_t(100 + i), "app", std::nullopt, 10, 10, 400, 300}};
        frames.push_back(factory.make(region, WatchStatus::watching, 5));
        places.push_back(WindowTracking::FramePlace::show({40.0 + 80 * (i % 10), 100.0 + 200 * (i / 10), 200, 60}));
        frames.back()->follow(places.back());
    }
    QCoreApplication::processEvents();
    for (auto _ : state)
        for (std::size_t i = 0; i < frames.size(); ++i) frames[i]->follow(places[i]);
    state.SetLabel("20 frames a tick");
}
BENCHMARK(followStill)->Unit(benchmark::kMicrosecond);

FrameModel watching() {
    FrameModel m;
    m.barkTime = "10:42";
    return m;
}

void paint(benchmark::State& state, Size box, bool flashOn, bool lost) {
    FrameModel model = watching();
    model.flashOn = model.flashing = flashOn;
    model.status = lost ? WatchStatus::lostSight : WatchStatus::watching;
    QImage target(int(box.w) + 10, int(box.h) + 28, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        target.fill(Qt::transparent);
        QPainter p(&target);
        FramePainter::paint(p, model, box, true);
    }
}
BENCHMARK_CAPTURE(paint, watching_200x60, Size{200, 60}, false, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(paint, watching_600x400, Size{600, 400}, false, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(paint, flash_600x400, Size{600, 400}, true, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(paint, lost_sight_600x400, Size{600, 400}, false, true)->Unit(benchmark::kMicrosecond);

// Without a compositor each change of the drawing also cuts the window's shape.
void maskedRedraw(benchmark::State& state) {
    FrameModel model = watching();
    FrameWindow window(model, /*compositing=*/false);
    window.setGeometry(Rect{100, 100, 610, 428});
    window.layOut({600, 400}, true);
    for (auto _ : state) {
        model.flashOn = !model.flashOn;
        window.redraw();
    }
}
BENCHMARK(maskedRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
