// Direct reading of real programs, beside reading the same boxes by picture:
//   scripts/with-desktop --size 1600x1000 build/bench/bench_direct_reading
// BM_ChromiumBox/<paragraphs>/<changing>: one direct read of a box around a
//   line at the top of a Chromium page with <paragraphs> paragraphs below it
//   (goal at most 20 ms, and 1,000 paragraphs at most 1.5 times none); with
//   <changing> 1 the line's text changes before every read. Counters:
//   first_ms (the first read of a fresh session on the page), nodes (objects
//   the latest read asked about).
// BM_QuietWatches/<program>/<direct>: 20 watches over 20 lines that do not
//   change, run by the whole engine for 60 s, read directly (1) or by
//   picture (0); programs: 0 a short Chromium page, 1 the same with 1,000
//   paragraphs below, 2 a GTK 3 editor. Counters: cpu_percent (this process,
//   of one core; goal at most 0.3 on Chromium, on GTK 3 no more than by
//   picture) and program_cpu_percent (the program's processes with the
//   accessibility bus and its registry; goal at most 0.3 on Chromium);
//   wakes_per_s and program_wakes_per_s, the times their threads went to
//   sleep and woke again (what a quiet minute costs, less bound to the
//   machine's load than processor time).
// BM_QtEditorEnd/<rows>: the first direct read of a fresh session (a whole
//   walk) of a box around a line at the end of <rows> rows in FeatherPad,
//   scrolled there by Ctrl+End (goal at most 100 ms at 6,000 rows).
//   Counters: lines (read in the box).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <fstream>
#include <map>

#include "app/platform/atspi/accessibility_status.hpp"
#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/direct/queued_direct_reader.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "direct_programs.hpp"

namespace kestrove {
namespace {

using bench::Engine;
using bench::spin;
using bench::spinUntil;

// A page of `items` short lines at the top and `paragraphs` long ones below;
// `changing`: the total changes (keeping its width) every 100 ms.
std::string page(int items, int paragraphs, bool changing = false) {
    std::string html = R"(<!doctype html><html><head><meta charset="utf-8"><style>
body { font-family: "DejaVu Sans", sans-serif; margin: 0; color: #222; background: #fff; }
p { margin: 4px 24px; font-size: 16px; }
</style></head><body><h1 style="margin: 8px 24px; font-size: 24px">Order summary</h1>
<p>Total: 1.299,00 EUR</p>
)";
    for (int i = 0; i < items; ++i) html += "<p>Item " + std::to_string(i) + ": 42 left</p>\n";
    for (int i = 0; i < paragraphs; ++i)
        html += "<p>Paragraph " + std::to_string(i) +
                " says what every paragraph says, at some length, so that it takes a line of its own.</p>\n";
    if (changing)
        html += R"(<script>
let n = 0;
setInterval(() => { document.querySelector('p').textContent = 'Total: 1.2' + (n++ % 10) + '9,00 EUR'; }, 100);
</script>)";
    return html + "</body></html>\n";
}

// A program showing lines to watch, started in a folder of its own.
struct Shown {
    QTemporaryDir folder;
    std::unique_ptr<bench::Program> program;
    std::optional<WindowInfo> window;

    void chromium(int items, int paragraphs, bool changing = false) {
        const QString file = folder.filePath("page.html");
        std::ofstream(file.toStdString()) << page(items, paragraphs, changing);
        program = std::make_unique<bench::Program>(
            "chromium", bench::chromiumFlags(folder.filePath("profile")) << "file://" + file);
    }
    void featherPad(int rows) {
        const QString file = folder.filePath("log.txt");
        std::ofstream out(file.toStdString());
        for (int i = 0; i < rows; ++i) out << "Row " << i << " of the log\n";
        out.close();
        program = std::make_unique<bench::Program>("env", QStringList{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1", "featherpad", file});
    }
    void gtk3Editor(int items) {
        const QString file = folder.filePath("items.txt");
        std::ofstream out(file.toStdString());
        for (int i = 0; i < items; ++i) out << "Item " << i << ": 42 left\n";
        out.close();
        program = std::make_unique<bench::Program>("mousepad", QStringList{file});
    }
};

struct Desk {
    QtScreens screens;
    XcbWindowList windows{screens};
};

void BM_ChromiumBox(benchmark::State& state) {
    Desk desk;
    Shown shown;
    const bool changing = state.range(1) != 0;
    shown.chromium(0, int(state.range(0)), changing);
    shown.window = shown.program->window(desk.windows);
    if (!shown.window) return state.SkipWithError("Chromium showed no window");
    QueuedDirectReader reader{mainThreadExecutor(), linuxDirectPlatforms(1)};
    const auto total = bench::linesIn(reader, desk.windows, desk.screens, *shown.window, "Total:", 1);
    if (total.empty()) return state.SkipWithError("the page's total was not read");
    const WatchRegion region = bench::boxAround(total.front().second, shown.window->frame, desk.windows, desk.screens);

    auto timed = [](DirectSession& s) {
        return bench::await<std::pair<DirectAnswer, double>>(
                   [&](auto done) { return s.readTimed([done](DirectAnswer a, double ms) { done({a, ms}); }); })
            .value_or(std::pair{DirectAnswer::noAnswer(DirectSilence::failed), 0.0});
    };
    auto fresh = bench::openSession(reader, region);
    if (!fresh) return state.SkipWithError("no session");
    const auto [first, firstMs] = timed(*fresh);
    if (!first.lines() || first.lines()->empty()) return state.SkipWithError("the box gave no text");
    for (auto _ : state) {
        if (changing) spin(150);  // the line has changed since the last read
        const auto [answer, ms] = timed(*fresh);
        if (!answer.lines() || answer.lines()->empty()) return state.SkipWithError("the box gave no text");
        state.SetIterationTime(ms / 1000);
    }
    state.counters["first_ms"] = firstMs;
    state.counters["nodes"] = fresh->lastWalk().first;
}

void BM_QtEditorEnd(benchmark::State& state) {
    Desk desk;
    Shown shown;
    const int rows = int(state.range(0));
    shown.featherPad(rows);
    shown.window = shown.program->window(desk.windows);
    if (!shown.window) return state.SkipWithError("FeatherPad showed no window");
    QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(shown.window->id)});
    QProcess::execute("xdotool", {"key", "ctrl+End"});
    spin(500);
    QueuedDirectReader reader{mainThreadExecutor(), linuxDirectPlatforms(1)};
    const std::string last = "Row " + std::to_string(rows - 3) + " ";
    const auto line = bench::linesIn(reader, desk.windows, desk.screens, *shown.window, last, 1);
    if (line.empty()) return state.SkipWithError("the rows at the end were not read");
    const WatchRegion region = bench::boxAround(line.front().second, shown.window->frame, desk.windows, desk.screens);
    std::size_t read = 0;
    for (auto _ : state) {
        auto fresh = bench::openSession(reader, region);
        if (!fresh) return state.SkipWithError("no session");
        const auto [answer, ms] = bench::await<std::pair<DirectAnswer, double>>([&](auto done) {
                                      return fresh->readTimed([done](DirectAnswer a, double ms) { done({a, ms}); });
                                  }).value_or(std::pair{DirectAnswer::noAnswer(DirectSilence::failed), 0.0});
        if (!answer.lines() || answer.lines()->empty()) return state.SkipWithError("the box gave no text");
        read = answer.lines()->size();
        state.SetIterationTime(ms / 1000);
    }
    state.counters["lines"] = double(read);
}

BENCHMARK(BM_QtEditorEnd)->Arg(100)->Arg(1000)->Arg(6000)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ChromiumBox)
    ->ArgsProduct({{0, 200, 1000}, {0, 1}})
    ->Iterations(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Kinds that may be read directly.
WatchSpec quietSpec(int i, const WatchRegion& region) {
    return bench::quietSpec(i, region, {WatchType::numberCompare, WatchType::textAppears});
}

void BM_QuietWatches(benchmark::State& state) {
    constexpr int watches = 20;
    const int program = int(state.range(0));
    const bool direct = state.range(1) != 0;
    Desk desk;
    Shown shown;
    if (program == 2) shown.gtk3Editor(watches);
    else shown.chromium(watches, program == 1 ? 1000 : 0);
    shown.window = shown.program->window(desk.windows);
    if (!shown.window) return state.SkipWithError("the program showed no window");
    Engine engine;
    const auto items = bench::linesIn(*engine.platform.direct, desk.windows, desk.screens, *shown.window, "Item ",
                                      watches);
    if (items.size() < std::size_t(watches)) return state.SkipWithError("the program's lines were not read");

    std::map<std::string, int> pictures;
    engine.manager->onPicture = [&](const std::string& id) { ++pictures[id]; };
    for (int i = 0; i < watches; ++i) {
        WatchSpec spec = quietSpec(i, bench::boxAround(items[i].second, shown.window->frame, desk.windows, desk.screens));
        if (!spec.region.window) return state.SkipWithError("a box was not bound to the window");
        const auto crop = engine.shot(spec.region);
        if (!crop) return state.SkipWithError("a box could not be captured");
        std::optional<DirectStart> start;
        if (direct) {
            auto session = bench::openSession(*engine.platform.direct, spec.region);
            if (!session) return state.SkipWithError("no direct session");
            const DirectAnswer lines = bench::readOnce(*session);
            if (!lines.lines() || lines.lines()->empty()) return state.SkipWithError("a box gave no text");
            spec.direct = DirectInfo{session->onScreenOnly()};
            start = DirectStart{session, *lines.lines()};
        }
        engine.manager->add(spec, std::make_shared<const Image>(*crop), start);
    }
    // Every watch's first check is over once each has taken its second picture.
    spinUntil([&] {
        return pictures.size() == std::size_t(watches) &&
               std::all_of(pictures.begin(), pictures.end(), [](const auto& p) { return p.second >= 2; });
    }, 60000);
    spin(5000);

    const std::vector<std::int32_t> others{shown.program->pid(), bench::accessibilityBusPid()};
    constexpr int seconds = 60;
    double own = 0;
    long long ownWakes = 0;
    bench::Use theirs;
    for (auto _ : state) {
        const double ownBefore = bench::cpuSeconds();
        const long long wakesBefore = bench::wakes();
        const bench::Use theirsBefore = bench::treeUse(others);
        spin(seconds * 1000);
        own = bench::cpuSeconds() - ownBefore;
        ownWakes = bench::wakes() - wakesBefore;
        const bench::Use theirsAfter = bench::treeUse(others);
        theirs = {theirsAfter.seconds - theirsBefore.seconds, theirsAfter.wakes - theirsBefore.wakes};
    }
    state.counters["cpu_percent"] = 100.0 * own / seconds;
    state.counters["program_cpu_percent"] = 100.0 * theirs.seconds / seconds;
    state.counters["wakes_per_s"] = double(ownWakes) / seconds;
    state.counters["program_wakes_per_s"] = double(theirs.wakes) / seconds;
}

BENCHMARK(BM_QuietWatches)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({2, 1})
    ->Args({2, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    kestrove::limitOpenMPThreads(argv);  // first, as the app does: may start the process again
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    // The user's leave to read windows, as the application asks for it,
    // before the programs start (they join the accessibility bus only then).
    kestrove::AccessibilityStatus::setEnabled(true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
