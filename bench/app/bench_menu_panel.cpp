// The tray panel with ten watches on the real watch manager (on fakes):
// opening it to its first paint (goal: under 50 ms) and a change of the
// manager while it is open, with the repaint that follows (goal: under 5 ms
// of main-thread work), also a new live picture. Offscreen without a
// display; in a private desktop on X11:
//   build/bench/bench_menu_panel
//   scripts/with-desktop build/bench/bench_menu_panel

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>

#include "app/engine/watch_manager.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/menu/status_menu_controller.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/cloud/telegram.hpp"
#include "support/app/fake_frame.hpp"
#include "support/app/fake_keep_awake.hpp"
#include "support/app/fake_menu_services.hpp"
#include "support/app/fake_notifier.hpp"
#include "support/app/fake_runner.hpp"
#include "support/app/fake_screen_state.hpp"
#include "support/app/virtual_clock.hpp"

namespace kestrove {
namespace {

struct NoWindows final : AsyncWindowList {
    Pending list(const std::string&, WindowListOptions, std::function<void(ListedWindows)>) override { return {}; }
    Pending listChanged(const std::string&, WindowListOptions, ToldWindows, std::chrono::milliseconds,
                        std::function<void(ListedWindows)>) override {
        return {};
    }
    Pending bind(const SelectedRegion&, std::function<void(SelectedRegion)>) override { return {}; }
    void forget(const std::string&) override {}
};

struct NoScreens final : Screens {
    std::vector<ScreenInfo> screens() const override { return {}; }
};

// Counts the panel window's paints.
struct Paints final : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++count;
        return false;
    }
};

Image crop(std::uint8_t v) {
    Image image(640, 240);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = i % 4 == 3 ? 255 : std::uint8_t(v + i % 7);
    return image;
}

struct World {
    QTemporaryDir dir;
    fakes::VirtualClock clock;
    NoWindows windows;
    NoScreens screens;
    fakes::FakeRunnerFactory runners;
    fakes::FakeFrameFactory frames;
    fakes::FakeNotifier notifier{inlineExecutor()};
    fakes::FakeKeepAwake keepAwake;
    fakes::FakeScreenState screenState;
    std::shared_ptr<MemoryDefaults> defaults = std::make_shared<MemoryDefaults>();
    std::unique_ptr<WatchManager> manager;
    std::unique_ptr<TelegramLink> telegram;
    fakes::FakeStatusItem item;
    fakes::FakeMenuUpdates updates;
    fakes::FakeLaunchAtLogin login;
    std::unique_ptr<StatusMenuController> menu;
    Paints paints;

    explicit World(int watches) {
        manager = std::make_unique<WatchManager>(WatchManager::Services{
            runners, frames, clock, notifier, keepAwake, screenState, windows, screens, defaults,
            dir.path().toStdString(), {}, mainThreadExecutor()});
        telegram = std::make_unique<TelegramLink>(CloudSettings{defaults, std::nullopt},
                                                  CloudSession::make({std::chrono::seconds(3), 1u << 20}),
                                                  inlineExecutor());
        item.area = QRect(600, 0, 24, 24);
        menu = std::make_unique<StatusMenuController>(
            StatusMenuController::Services{*manager, *telegram, updates, login, item, clock, defaults, {},
                                           [](const std::string&, const std::string&) {}, [](const Url&) {}, [] {}, {}},
            nullptr);
        manager->onChange = [this] { menu->refresh(); };
        for (int i = 0; i < watches; ++i) {
            WatchSpec s;
            s.id = "w";
            s.id += std::to_string(i);
            s.command = "the total drops below ";
            s.command += std::to_string(100 + i);
            s.type = WatchType::numberCompare;
            s.region = WatchRegion{7, 10.0 * i, 40, 320, 120, 2, std::nullopt};
            manager->add(s, std::make_shared<const Image>(crop(std::uint8_t(20 * i))), std::nullopt);
        }
        menu->panel().window()->installEventFilter(&paints);
    }
    // Opens the panel and runs the main loop until its window has painted.
    void openAndPaint() {
        const int before = paints.count;
        menu->toggle();
        while (paints.count == before) QCoreApplication::processEvents();
    }
    void close() {
        if (menu->panelVisible()) menu->toggle();
        QCoreApplication::processEvents();
    }
};

void openWithTenWatches(benchmark::State& state) {
    World world(10);
    for (auto _ : state) {
        state.PauseTiming();
        world.close();
        state.ResumeTiming();
        world.openAndPaint();
    }
    state.SetLabel("toggle to first paint, 10 watches in a grid");
}
BENCHMARK(openWithTenWatches)->Unit(benchmark::kMillisecond);

void changeWhileOpen(benchmark::State& state) {
    World world(10);
    world.openAndPaint();
    bool trouble = false;
    for (auto _ : state) {
        trouble = !trouble;
        // A row's line, tag and colour change; the panel refreshes and repaints.
        world.manager->runnerTrouble("w3", trouble ? std::optional(WatchTrouble::cantReachServer()) : std::nullopt);
        QCoreApplication::processEvents();
    }
    state.SetLabel("a trouble comes and goes, with the repaint");
}
BENCHMARK(changeWhileOpen)->Unit(benchmark::kMillisecond);

void pictureWhileOpen(benchmark::State& state) {
    World world(10);
    world.openAndPaint();
    const auto a = std::make_shared<const Image>(crop(10)), b = std::make_shared<const Image>(crop(200));
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        world.manager->publishPicture("w5", flip ? a : b);
        QCoreApplication::processEvents();
    }
    state.SetLabel("a live picture of 640 x 240, with the repaint");
}
BENCHMARK(pictureWhileOpen)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrove

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
