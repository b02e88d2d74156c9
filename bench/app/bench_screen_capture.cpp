// Capture of a 400 × 100 box from the display and through its window, then
// the change test. Goals for the check of an unchanged box (capture, grid,
// comparison), medians on an idle machine: window path 0.15 ms, display path
// 0.1 ms, a whole 1920 × 1080 screen from the display 1.5 ms. With one of our
// windows lying half over the window and half over the bare root (as another
// watch's frame or our panel would), composed at every check: the box 0.5 ms,
// the whole screen 8 ms. A box in its frame under a compositing manager,
// rebuilt at every check, 0.5 ms. A whole screen holding our tray icon as
// an unchanged one. Also the conversion of the server's
// pixels, the old byte loop beside the word one, and the window list the
// tracker reads every 0.25 s.
// Needs an X server; run it in a private desktop of that size:
//   scripts/with-desktop --size 1920x1080 build/bench/bench_screen_capture
// The frame's case rebuilds only under a compositing manager (without one
// its box is read as it shows); start one in the desktop first:
//   scripts/with-desktop --size 1920x1080 sh -c
//     'xcompmgr -c & sleep 1; build/bench/bench_screen_capture'

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QRegion>
#include <QWidget>

#include <csignal>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

#include "app/platform/x11/permissions.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/x11/xcb_pixels.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/picture/pixel_diff.hpp"

namespace kestrove {
namespace {

struct Scene {
    QtScreens screens;
    XcbWindowList windows;
    // As the application makes it: it knows our windows (none show here).
    XcbScreenCapturer capturer{screens, std::make_shared<OwnWindows>()};
    // One that knows a window of ours over the box.
    std::shared_ptr<OwnWindows> ours = std::make_shared<OwnWindows>();
    XcbScreenCapturer under{screens, ours};
    // One that knows only a watch's frame, a ring around the box.
    std::shared_ptr<OwnWindows> frame = std::make_shared<OwnWindows>();
    XcbScreenCapturer framed{screens, frame};
    // One that takes the watched window for ours inside another program's
    // window, as the tray holds our icon (openbox's frame holds it).
    std::shared_ptr<OwnWindows> icon = std::make_shared<OwnWindows>();
    XcbScreenCapturer iconed{screens, icon};
    WatchRegion displayRegion;
    WatchRegion windowRegion;
    WatchRegion wholeScreen;
};

Scene* scene = nullptr;

void capture(benchmark::State& state, const WatchRegion& region) {
    for (auto _ : state) {
        Captured c = scene->capturer.capture(region);
        if (!c.ok()) {
            state.SkipWithError(c.error().description().c_str());
            return;
        }
        benchmark::DoNotOptimize(c.value().rgba.data());
    }
}

void BM_DisplayCapture(benchmark::State& state) { capture(state, scene->displayRegion); }
// Read from the server every time (as after a change): the screen as shown.
void read(benchmark::State& state, const WatchRegion& region) {
    for (auto _ : state) {
        Captured c = scene->capturer.captureScreen(region);
        if (!c.ok()) return state.SkipWithError(c.error().description().c_str());
        benchmark::DoNotOptimize(c.value().rgba.data());
    }
}
void BM_DisplayRead(benchmark::State& state) { read(state, scene->displayRegion); }
void BM_ScreenRead(benchmark::State& state) { read(state, scene->wholeScreen); }
void BM_WindowCapture(benchmark::State& state) { capture(state, scene->windowRegion); }
void BM_ScreenCapture(benchmark::State& state) { capture(state, scene->wholeScreen); }
void BM_ScreenGrid(benchmark::State& state) {
    const Captured c = scene->capturer.capture(scene->wholeScreen);
    for (auto _ : state) benchmark::DoNotOptimize(PixelDiff::grid(c.value()));
}

void BM_GridAndCompare(benchmark::State& state) {
    const Captured c = scene->capturer.capture(scene->displayRegion);
    const auto previous = PixelDiff::grid(c.value());
    for (auto _ : state) {
        auto grid = PixelDiff::grid(c.value());
        benchmark::DoNotOptimize(PixelDiff::changed(*previous, *grid));
    }
}

// What a watch does on each check of a box that did not change.
void unchangedBox(benchmark::State& state, XcbScreenCapturer& capturer, const WatchRegion& region) {
    const auto previous = PixelDiff::grid(capturer.capture(region).value());
    for (auto _ : state) {
        Captured c = capturer.capture(region);
        auto grid = c.ok() ? PixelDiff::grid(c.value()) : std::nullopt;
        if (!grid || PixelDiff::changed(*previous, *grid)) return state.SkipWithError("the box changed");
    }
}

void BM_UnchangedBoxFromDisplay(benchmark::State& state) { unchangedBox(state, scene->capturer, scene->displayRegion); }
// The same with one of ours over it: composed from the window below and the
// root's background at every check.
void BM_UnchangedBoxUnderOurs(benchmark::State& state) { unchangedBox(state, scene->under, scene->displayRegion); }
// A box in its own frame: under a compositing manager the frame's inside
// and its shadow are rebuilt from the window below at every check.
void BM_UnchangedBoxInItsFrame(benchmark::State& state) { unchangedBox(state, scene->framed, scene->displayRegion); }
void BM_UnchangedScreenUnderOurs(benchmark::State& state) { unchangedBox(state, scene->under, scene->wholeScreen); }
// A whole screen holding ours inside another program's window: that part
// from the last picture.
void BM_UnchangedScreenWithOurIcon(benchmark::State& state) { unchangedBox(state, scene->iconed, scene->wholeScreen); }
void BM_UnchangedBoxFromWindow(benchmark::State& state) { unchangedBox(state, scene->capturer, scene->windowRegion); }
void BM_UnchangedScreenFromDisplay(benchmark::State& state) {
    state.SetLabel(std::to_string(int(scene->wholeScreen.w)) + " x " + std::to_string(int(scene->wholeScreen.h)));
    unchangedBox(state, scene->capturer, scene->wholeScreen);
}

// The server's pixels of a whole 1920 × 1080 screen into RGBA.
std::vector<std::uint8_t> serverPixels() {
    std::vector<std::uint8_t> in(std::size_t{1920} * 1080 * 4);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>(i * 7);
    return in;
}
void BM_ConvertByteAtATime(benchmark::State& state) {
    const auto in = serverPixels();
    std::vector<std::uint8_t> out(in.size());
    for (auto _ : state) {
        const std::uint8_t* s = in.data();
        std::uint8_t* d = out.data();
        for (std::size_t i = 0; i < in.size() / 4; ++i, s += 4, d += 4) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = 255;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
void BM_ConvertWordAtATime(benchmark::State& state) {
    const auto in = serverPixels();
    std::vector<std::uint8_t> out(in.size());
    for (auto _ : state) {
        bgrxToRgba(in.data(), out.data(), in.size() / 4);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

// The window tracker reads this four times a second.
void BM_WindowList(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(scene->windows.list(WindowListOptions::onScreenOnly));
}

BENCHMARK(BM_WindowList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayCapture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowCapture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridAndCompare)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenCapture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenGrid)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnchangedBoxFromDisplay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnchangedBoxUnderOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnchangedBoxInItsFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnchangedScreenUnderOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnchangedScreenWithOurIcon)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnchangedBoxFromWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnchangedScreenFromDisplay)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertByteAtATime)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertWordAtATime)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    using namespace kestrove;
    benchmark::Initialize(&argc, argv);
    if (!Permissions::screenRecordingAllowed()) {
        std::fprintf(stderr, "bench_screen_capture: needs an X server with Composite; "
                             "run it as scripts/with-desktop %s\n", argv[0]);
        return 2;
    }
    // The watched window belongs to another process, as it would for a
    // real watch (our own windows never take a box).
    const pid_t child = fork();
    if (child == 0) {
        QApplication app(argc, argv);
        QLabel window(QStringLiteral("Exporting 42% · 1,284 of 3,000 items\nETA 00:03:12\nLast: report-final.pdf"));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(18);
        window.setFont(font);
        window.setAutoFillBackground(true);
        window.setGeometry(120, 140, 520, 200);
        window.show();
        return app.exec();
    }
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } reaper{child};
    QApplication app(argc, argv);

    Scene s;
    scene = &s;
    // Wait for the window, then put the box 40 pixels into it.
    std::optional<WindowInfo> target;
    QElapsedTimer t;
    t.start();
    while (!target && t.elapsed() < 5000) {
        for (const auto& w : s.windows.list(WindowListOptions::onScreenOnly))
            if (w.ownerPID == child && w.frame.size() == Size{520, 200}) target = w;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (!target) {
        std::fprintf(stderr, "bench_screen_capture: the window did not show\n");
        return 1;
    }
    while (t.elapsed() < 1500) QApplication::processEvents(QEventLoop::AllEvents, 20);
    const Rect box{target->frame.x + 40, target->frame.y + 40, 400, 100};
    const auto screen = ScreenSpace::screenFor(box, s.screens.screens());
    const auto selection = SelectedRegion::make(*screen, box);
    s.displayRegion = selection.region;
    s.wholeScreen = SelectedRegion::make(*screen, screen->frame).region;
    s.windowRegion = WindowBinder::bind(selection, s.windows, s.screens).region;
    if (!s.windowRegion.window) {
        std::fprintf(stderr, "bench_screen_capture: the box did not bind to its window\n");
        return 1;
    }
    // Ours: over the box's right end, half over the window, half over the root.
    QWidget mine(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    mine.setGeometry(int(target->frame.maxX()) - 100, int(box.y) + 20, 200, 60);
    mine.setAutoFillBackground(true);
    mine.show();
    s.ours->set({std::uint32_t(mine.winId()), OwnWindow::Kind::floating, std::nullopt});
    // A frame: a ring 3 pixels wide, 4 outside the box, shaped to the ring.
    QWidget ring(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    ring.setGeometry(int(box.x) - 7, int(box.y) - 7, int(box.width) + 14, int(box.height) + 14);
    QRegion shape(0, 0, ring.width(), ring.height());
    shape -= QRegion(3, 3, ring.width() - 6, ring.height() - 6);
    ring.setMask(shape);
    ring.setAutoFillBackground(true);
    ring.show();
    const double w = ring.width(), h = ring.height();
    s.frame->set({std::uint32_t(ring.winId()), OwnWindow::Kind::frame,
                  std::vector<Rect>{{0, 0, w, 3}, {0, h - 3, w, 3}, {0, 3, 3, h - 6}, {w - 3, 3, 3, h - 6}}});
    s.icon->set({target->id, OwnWindow::Kind::embedded, std::nullopt});
    t.restart();
    while (t.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 20);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
