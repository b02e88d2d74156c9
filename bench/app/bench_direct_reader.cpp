// One direct read of the test window's status box over the accessibility
// bus; the goal is under 20 ms. Needs a private desktop:
//   scripts/with-desktop build/bench/bench_direct_reader

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <future>

#include "app/platform/atspi/accessibility_status.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/direct/queued_direct_reader.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

std::shared_ptr<DirectSession> session;

// The answer comes on the reader's thread; the benchmark waits for it there.
DirectAnswer read() {
    std::promise<DirectAnswer> got;
    const Pending call = session->read([&](DirectAnswer a) { got.set_value(a); });
    return got.get_future().get();
}

void BM_DirectReadOfStatusBox(benchmark::State& state) {
    for (auto _ : state) {
        const DirectAnswer a = read();
        if (!a.lines() || a.lines()->empty()) {
            state.SkipWithError("the status box gave no text");
            return;
        }
    }
}

BENCHMARK(BM_DirectReadOfStatusBox)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    using namespace kestrove;
    namespace tw = testwindow;
    benchmark::Initialize(&argc, argv);
    QCoreApplication app(argc, argv);
    // The user's leave to read windows, as the application asks for it.
    AccessibilityStatus::setEnabled(true);

    QProcess window;
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    window.start(QStringLiteral(KESTROVE_TEST_WINDOW), {});
    if (!window.waitForStarted(10000) || !window.waitForReadyRead(10000)) {
        std::fprintf(stderr, "bench_direct_reader: the test window did not start; run it inside scripts/with-desktop\n");
        return 2;
    }
    const std::uint32_t id = window.readLine().trimmed().mid(7).toUInt();

    XcbWindowList windows;
    std::optional<WindowInfo> info;
    for (const auto& w : windows.list(WindowListOptions::onScreenOnly))
        if (w.id == id) info = w;
    if (!info) {
        std::fprintf(stderr, "bench_direct_reader: the test window is not listed\n");
        return 1;
    }
    const Rect box{info->frame.x + tw::status.x, info->frame.y + tw::status.y, double(tw::status.w),
                   double(tw::status.h)};
    auto reader = std::make_unique<QueuedDirectReader>(inlineExecutor(), linuxDirectPlatforms(1));
    {
        std::promise<std::shared_ptr<DirectSession>> opened;
        const WatchRegion region{1, box.x, box.y, box.width, box.height, 1, WindowTracking::anchor(box, *info)};
        const Pending call = reader->open(region, [&](std::shared_ptr<DirectSession> s) { opened.set_value(std::move(s)); });
        session = opened.get_future().get();
    }
    if (!session) {
        std::fprintf(stderr, "bench_direct_reader: no session (is the accessibility bus running?)\n");
        return 1;
    }
    // Wait until the window has joined the accessibility bus.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000 && !(read().lines() && !read().lines()->empty())) QCoreApplication::processEvents();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    session.reset();
    reader.reset();
    window.write("close\n");
    window.waitForFinished(5000);
    return 0;
}
