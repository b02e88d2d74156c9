// From bark() to dunst holding the notification, through the session bus;
// the goal is under 50 ms (dunst counts a notification once it has loaded
// its picture). Needs a private desktop (dunst is started here):
//   scripts/with-desktop build/bench/bench_notifier

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "app/platform/dbus/dbus_notifier.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "support/app/dunst_peer.hpp"
#include "support/app/fake_desktop_services.hpp"
#include "support/app/private_bus.hpp"

namespace kestrove {
namespace {

std::unique_ptr<testing::DunstPeer> dunst;

Image crop(int w, int h) {
    Image image(w, h);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = i % 4 == 3 ? 255 : std::uint8_t((i * 31) >> 3);
    return image;
}

// args: the crop's width and height; 0 × 0 barks without a picture.
void BM_BarkUntilDunstHasIt(benchmark::State& state) {
    DbusNotifier notifier(mainThreadExecutor(), QDBusConnection::sessionBus());
    SharedImage picture;
    if (state.range(0) > 0) picture = std::make_shared<const Image>(crop(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        const unsigned before = dunst->count();
        notifier.bark("Woof. Build finished", "14:05 · Read 100 %", picture, "w_bench");
        QElapsedTimer waited;
        waited.start();
        while (dunst->count() == before) {
            QCoreApplication::processEvents();
            if (waited.elapsed() > 10000) {
                state.SkipWithError("dunst did not get the notification");
                return;
            }
        }
        // Off the screen again, so each bark is drawn alone.
        state.PauseTiming();
        dunst->closeAll();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_BarkUntilDunstHasIt)
    ->Args({0, 0})
    ->Args({400, 240})
    ->Args({1280, 800})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Our share of it: to a service on a bus of our own that answers at once...
void BM_BarkUntilAServiceHasIt(benchmark::State& state) {
    testing::PrivateBus bus;
    testing::FakeNotifications service(bus.connect());
    DbusNotifier notifier(mainThreadExecutor(), bus.connect());
    SharedImage picture;
    if (state.range(0) > 0) picture = std::make_shared<const Image>(crop(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        const std::size_t before = service.calls.size();
        notifier.bark("Woof. Build finished", "14:05 · Read 100 %", picture, "w_bench");
        while (service.calls.size() == before) QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_BarkUntilAServiceHasIt)
    ->Args({0, 0})
    ->Args({400, 240})
    ->Args({1280, 800})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ...and the picture written on the worker thread.
void BM_StorePicture(benchmark::State& state) {
    NotificationPictures pictures(NotificationPictures::defaultFolder());
    const Image picture = crop(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        const auto file = pictures.store(picture);
        if (!file) return state.SkipWithError("the picture was not stored");
        NotificationPictures::discard(*file);
    }
}

BENCHMARK(BM_StorePicture)->Args({400, 240})->Args({1280, 800})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QCoreApplication app(argc, argv);
    try {
        kestrove::dunst = std::make_unique<kestrove::testing::DunstPeer>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_notifier: %s; run it inside scripts/with-desktop\n", e.what());
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    kestrove::dunst.reset();
    return 0;
}
