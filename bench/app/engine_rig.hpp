#pragma once
// What the benchmarks of the whole engine share: this process's processor
// time and the engine with its real services.

#include <QTemporaryDir>

#include <sys/resource.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine/qt_clock.hpp"
#include "app/engine/watch_manager.hpp"
#include "app/engine/watch_runner.hpp"
#include "app/frame/widget_frame_factory.hpp"
#include "app/platform/x11/x11_frame_desktop.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/screen_space.hpp"
#include "app/platform/selected_region.hpp"
#include "timed_application.hpp"

namespace kestrove::bench {

// Processor seconds used by this process, all threads.
inline double cpuSeconds() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(use.ru_utime) + s(use.ru_stime);
}

// Times this process's threads went to sleep of their own accord, so far:
// on a machine whose caches go cold while a thread sleeps, wakes cost more
// than the work done in them.
inline long long wakes() {
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return use.ru_nvcsw;
}

// The whole engine with its real services.
struct Engine {
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    QtClock clock;
    X11FrameDesktop desk;
    WidgetFrameFactory frames{*platform.screens, desk};
    WatchRunnerFactory runners{{platform, clock, platform.cloud, nullptr}};
    QTemporaryDir data;
    std::unique_ptr<WatchManager> manager;

    explicit Engine(RunnerFactory* runnerFactory = nullptr) {
        manager = std::make_unique<WatchManager>(WatchManager::Services{
            runnerFactory ? *runnerFactory : runners, frames, clock, *platform.notifier,
            *platform.keepAwake, *platform.screenState, *platform.windows, *platform.screens,
            std::make_shared<MemoryDefaults>(), data.path().toStdString(), nullptr, platform.mainThread});
    }
    ~Engine() { manager.reset(); }

    std::optional<WatchRegion> region(const Rect& box, bool bind) {
        const auto screen = ScreenSpace::screenFor(box, platform.screens->screens());
        if (!screen) return std::nullopt;
        const SelectedRegion selected = SelectedRegion::make(*screen, box);
        if (!bind) return selected.region;
        std::optional<SelectedRegion> answer;
        const Pending call = platform.windows->bind(selected, [&](SelectedRegion r) { answer = std::move(r); });
        spinUntil([&] { return answer.has_value(); });
        if (!answer || !answer->region.window) return std::nullopt;
        return answer->region;
    }
    std::optional<Image> shot(const WatchRegion& region) {
        std::optional<CapturedBox> answer;
        const Pending call = platform.capturer->capture("", region, [&](CapturedBox c) { answer = std::move(c); });
        spinUntil([&] { return answer.has_value(); });
        if (!answer || !answer->ok()) return std::nullopt;
        return answer->value().image;
    }
    void loadRecognition(const Image& crop) {
        for (bool correction : {true, false}) {
            bool read = false;
            const Pending call = platform.recognizer->recognize("", std::make_shared<const Image>(crop), correction,
                                                                 [&](auto) { read = true; });
            spinUntil([&] { return read; });
        }
    }
};

// Watch `i` of a quiet set: its kind taken in turn from `kinds`, a rule
// that never holds, polled every 5 s.
inline WatchSpec quietSpec(int i, const WatchRegion& region, const std::vector<WatchType>& kinds) {
    WatchSpec s;
    s.id = "w_BENCH" + std::to_string(i);
    s.command = "bench watch " + std::to_string(i);
    s.type = kinds[static_cast<std::size_t>(i) % kinds.size()];
    s.mode = WatchMode::everyTime;
    s.target.text = "Nowhere";
    s.comparator = Comparison::gt;
    s.value = 1e9;
    s.region = region;
    s.pollSeconds = 5;
    return s;
}

}  // namespace kestrove::bench
