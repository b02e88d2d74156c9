// The watch engine at rest and at a bark, on a real desktop:
//   scripts/with-desktop build/bench/bench_watch_engine
// BM_QuietWatches/<seconds>/<bound>: 20 watches (<bound> of them bound to the
// test window, the others reading the display) over boxes that do not change, polled every 5 s on
// Qt's clock with their frames shown. Counters: cpu_percent (all threads, of
// one core; goal at most 0.2), stall_ms (the longest the main thread was busy
// without returning to its event loop; goal under 16), rss_mb (with text
// recognition loaded; goal at most 150) and checks (pictures taken).
// BM_BarkToDunst: from a runner's met reading to dunst holding the
// notification, no model (goal under 50 ms).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "app/engine/qt_clock.hpp"
#include "app/engine/watch_manager.hpp"
#include "app/engine/watch_runner.hpp"
#include "app/frame/widget_frame_factory.hpp"
#include "app/platform/x11/x11_frame_desktop.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "support/app/dunst_peer.hpp"
#include "engine_rig.hpp"
#include "timed_application.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using Clock = std::chrono::steady_clock;
using bench::cpuSeconds;
using bench::Engine;

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

using bench::spin;
using bench::spinUntil;
using bench::TimedApplication;

TimedApplication* application = nullptr;

// The test window, started as the desktop tests start it; where it shows its client area.
struct Window {
    QProcess process;
    Rect client;
    bool start(int x, int y) {
        process.start(QStringLiteral(KESTROVE_TEST_WINDOW), {"--x", QString::number(x), "--y", QString::number(y)});
        if (!process.waitForStarted(10000) || !process.waitForReadyRead(10000)) return false;
        process.readLine();
        process.write("where\n");
        if (!process.waitForReadyRead(5000)) return false;
        const QStringList at = QString::fromUtf8(process.readLine()).split(' ');  // "at x y w h"
        process.readLine();
        if (at.size() < 5) return false;
        client = {at[1].toDouble(), at[2].toDouble(), at[3].toDouble(), at[4].toDouble()};
        return true;
    }
    ~Window() {
        process.write("close\n");
        if (!process.waitForFinished(3000)) process.kill();
        process.waitForFinished(2000);
    }
};

WatchSpec quietSpec(int i, const WatchRegion& region) {
    return bench::quietSpec(i, region, {WatchType::anyChange, WatchType::textAppears, WatchType::textGone,
                                        WatchType::numberCompare});
}

void BM_QuietWatches(benchmark::State& state) {
    Window window;
    if (!window.start(60, 80)) return state.SkipWithError("the test window did not start");
    Engine engine;
    spin(1000);  // the window settles
    std::map<std::string, int> pictures;
    engine.manager->onPicture = [&](const std::string& id) { ++pictures[id]; };
    std::vector<WatchSpec> specs;
    const int boundCount = int(state.range(1));
    for (int i = 0; i < 20; ++i) {
        const bool bound = i < boundCount;
        // Bound boxes over the window's text rows; the others over the
        // desktop beside it, far enough apart that no frame meets a box.
        const Rect box = bound ? Rect{window.client.x + 20 + (i % 4) * 115, window.client.y + 20 + (i / 4) * 50, 100, 30}
                               : Rect{600.0 + (i % 4) * 165, 80.0 + (i / 4) * 120, 120, 30};
        const auto region = engine.region(box, bound);
        if (!region) return state.SkipWithError("a box could not be placed");
        specs.push_back(quietSpec(i, *region));
    }
    for (const WatchSpec& s : specs) {
        const auto crop = engine.shot(s.region);
        if (!crop) return state.SkipWithError("a box could not be read");
        engine.manager->add(s, std::make_shared<const Image>(*crop), std::nullopt);
    }
    engine.loadRecognition(*engine.shot(specs[0].region));
    // Every watch's first check is over once each has taken its second
    // picture (on a busy machine the first recognitions take a while).
    spinUntil([&] {
        return pictures.size() == specs.size() &&
               std::all_of(pictures.begin(), pictures.end(), [](const auto& p) { return p.second >= 2; });
    }, 30000);
    pictures.clear();

    const int seconds = int(state.range(0));
    double cpu = 0, stall = 0;
    for (auto _ : state) {
        application->takeLongestMs();
        const double before = cpuSeconds();
        spin(seconds * 1000);
        cpu = cpuSeconds() - before;
        stall = application->takeLongestMs();
    }
    int checks = 0;
    for (const WatchSpec& s : specs) {
        if (pictures[s.id] == 0) return state.SkipWithError(("no check of " + s.id).c_str());
        checks += pictures[s.id];
    }
    state.counters["cpu_percent"] = 100.0 * cpu / seconds;
    state.counters["stall_ms"] = stall;
    state.counters["rss_mb"] = residentMegabytes();
    state.counters["checks"] = checks;
}

// args: seconds measured, and how many of the 20 are bound to the window
// (bound frames keep the window tracker listing windows four times a second).
BENCHMARK(BM_QuietWatches)->Args({60, 10})->Args({60, 0})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Stands still: the bark is handed to the manager as a runner would.
struct IdleRunner final : Runner {
    void start() override {}
    void stop() override {}
    int interval() const override { return 5; }
};
struct IdleRunners final : RunnerFactory {
    std::unique_ptr<Runner> make(RunnerStart, RunnerHost&) override { return std::make_unique<IdleRunner>(); }
};

std::unique_ptr<testing::DunstPeer> dunst;

void BM_BarkToDunst(benchmark::State& state) {
    IdleRunners runners;
    Engine engine(&runners);
    const auto region = engine.region({700, 300, 440, 32}, false);
    if (!region) return state.SkipWithError("no screen");
    WatchSpec watch = quietSpec(0, *region);
    Image crop(440, 32);
    for (std::size_t i = 0; i < crop.rgba.size(); ++i) crop.rgba[i] = i % 4 == 3 ? 255 : std::uint8_t((i * 31) >> 3);
    const auto shared = std::make_shared<const Image>(crop);
    engine.manager->add(watch, shared, std::nullopt);
    double reported = 0;
    for (auto _ : state) {
        const unsigned before = dunst->count();
        const auto met = Clock::now();
        engine.manager->runnerDidBark(watch.id, shared, Evaluation{true, std::nullopt, std::nullopt, true});
        reported += std::chrono::duration<double, std::milli>(Clock::now() - met).count();
        if (!spinUntil([&] { return dunst->count() > before; })) return state.SkipWithError("dunst got nothing");
        state.PauseTiming();
        dunst->closeAll();  // each bark drawn alone
        spin(50);
        state.ResumeTiming();
    }
    // The manager's own share: the record, the notification's call, the hand-off, the flash and the save.
    state.counters["report_ms"] = reported / double(state.iterations());
}

BENCHMARK(BM_BarkToDunst)->Iterations(30)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    kestrove::limitOpenMPThreads(argv);  // first, as the app does: may start the process again
    benchmark::Initialize(&argc, argv);
    kestrove::bench::TimedApplication app(argc, argv);
    kestrove::application = &app;
    try {
        kestrove::dunst = std::make_unique<kestrove::testing::DunstPeer>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_watch_engine: %s; run it inside scripts/with-desktop\n", e.what());
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    kestrove::dunst.reset();
    return 0;
}
