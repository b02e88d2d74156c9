#pragma once
// A WatchRunner on the fake platform, a virtual clock and a recording host:
//
//   RunnerHarness h;
//   h.start(runnerfix::watch(WatchType::anyChange));   // the first tick runs
//   h.fake.capturer.screen = runnerfix::showing(200);  // the box changes
//   h.run(10s);                                        // two more ticks
//   EXPECT_EQ(h.host.barks.size(), 1u);

#include <chrono>
#include <memory>
#include <optional>

#include "app/engine/watch_runner.hpp"
#include "support/app/fake_platform.hpp"
#include "support/app/fake_runner_host.hpp"
#include "support/app/virtual_clock.hpp"
#include "support/samples.hpp"

namespace kestrove::runnerfix {

inline const char* const display = "DP-1";
inline constexpr std::uint32_t windowID = 7;

// A 200 × 100 box on the display, or in window 7 of "Editor".
inline WatchRegion displayBox() { return {ScreenSpace::displayID(display), 100, 100, 200, 100, 1, std::nullopt}; }
inline WatchRegion windowBox() {
    WatchRegion r = displayBox();
    r.window = WindowAnchor{windowID, "Editor", std::nullopt, 50, 50, 800, 600};
    return r;
}

inline WatchSpec watch(WatchType type, WatchMode mode = WatchMode::once, int debounce = 1) {
    WatchSpec s;
    s.id = "w_RUN001";
    s.command = "it changes";
    s.type = type;
    s.mode = mode;
    s.debounceChecks = debounce;
    s.region = displayBox();
    return s;
}

inline WatchSpec boundWatch(WatchType type, WatchMode mode = WatchMode::once) {
    WatchSpec s = watch(type, mode);
    s.region = windowBox();
    return s;
}

// A text rule on "Done", bound to the window and read directly.
inline WatchSpec directWatch(WatchType type = WatchType::textAppears) {
    WatchSpec s = boundWatch(type, WatchMode::everyTime);
    s.target.text = "Done";
    s.direct = DirectInfo{};
    return s;
}

// The box's picture at one grey level (flat).
inline Image grey(std::uint8_t level) { return samples::solid(200, 100, level, level, level); }

using Losses = std::vector<std::optional<WindowLoss>>;

// Every capture shows one grey level, or fails.
inline std::function<Captured(const WatchRegion&)> showing(std::uint8_t level) {
    return [level](const WatchRegion& r) -> Captured {
        return samples::solid(static_cast<int>(r.w), static_cast<int>(r.h), level, level, level);
    };
}
inline std::function<Captured(const WatchRegion&)> failing(CaptureError error) {
    return [error](const WatchRegion&) -> Captured { return error; };
}

inline std::vector<OCRLine> lines(std::initializer_list<std::string> texts) { return samples::textLines(texts); }

}  // namespace kestrove::runnerfix

namespace kestrove {

struct RunnerHarness {
    explicit RunnerHarness(std::shared_ptr<CloudSession> session = CloudSession::make())
        : fake(std::move(session)), factory({fake.platform, clock, fake.platform.cloud, encoder}) {
        fake.screens.list = {fakes::screen(runnerfix::display, {0, 0, 1920, 1080})};
        fake.windows.backend.windows = {fakes::window(runnerfix::windowID, {0, 0, 800, 600})};
        fake.capturer.screen = runnerfix::showing(128);
        host.main = fake.main.executor();
    }

    fakes::FakePlatform fake;
    fakes::VirtualClock clock;
    fakes::FakeRunnerHost host;
    std::shared_ptr<PictureEncoder> encoder = std::make_shared<PictureEncoder>(fake.main.executor(), 0);
    WatchRunnerFactory factory;
    std::unique_ptr<Runner> runner;
    // The reference's grid as its capture hands it over; none: the runner makes it.
    std::optional<DiffGrid> handedGrid;
    // The watch told its condition when it last ran.
    bool told = false;
    // Answers come from a real server's thread: wait for them.
    bool network = false;

    void start(WatchSpec spec, std::optional<Image> reference = std::nullopt, bool fresh = false,
               std::optional<DirectStart> direct = std::nullopt) {
        SharedImage shared = reference ? std::make_shared<const Image>(std::move(*reference)) : nullptr;
        runner = factory.make({std::move(spec), std::move(shared), fresh, std::move(direct), handedGrid, told}, host);
        runner->start();
        settle();
    }

    // Lets the tick in progress finish: it ends when the runner sleeps again.
    void settle() {
        while (fake.main.runPending() + encoder->runAll() > 0) {
        }
        if (network && clock.timersWaiting() == 0) {
            EXPECT_TRUE(fake.main.runUntil([&] { return clock.timersWaiting() > 0; }, std::chrono::seconds(10)));
        }
    }

    // Virtual time moves on second by second, each tick finishing on the way.
    void run(std::chrono::seconds total) {
        for (auto t = std::chrono::seconds(0); t < total; t += std::chrono::seconds(1)) {
            clock.advance(std::chrono::seconds(1));
            settle();
        }
    }

    // The seconds from now at which `count` (a running total) grew, over `total`.
    template <typename Count>
    std::vector<int> times(std::chrono::seconds total, Count count) {
        std::vector<int> out;
        std::size_t seen = count();
        for (int t = 1; t <= total.count(); ++t) {
            run(std::chrono::seconds(1));
            if (count() > seen) out.push_back(t);
            seen = count();
        }
        return out;
    }
    std::size_t captures() const { return fake.capturer.captures.asked.size(); }
    std::size_t recognitions() const { return fake.recognizer.recognitions.asked.size(); }

    // A direct session on the watch's window whose reads answer `lines`.
    std::shared_ptr<fakes::FakeDirectSession> session(std::vector<OCRLine> lines) {
        auto s = std::make_shared<fakes::FakeDirectSession>(fake.main.executor(), runnerfix::windowBox());
        s->lines = std::move(lines);
        return s;
    }
};

// Gaps between successive times.
inline std::vector<int> gaps(const std::vector<int>& times) {
    std::vector<int> out;
    for (std::size_t i = 1; i < times.size(); ++i) out.push_back(times[i] - times[i - 1]);
    return out;
}

}  // namespace kestrove
