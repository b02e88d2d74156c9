#pragma once
// The whole watch engine on the harness's desktop: the Linux platform, real
// runners and frames, the watch manager. Time is virtual, so a five-second
// poll costs no waiting, while capture, the window list and recognition run
// on their real workers and answer through Qt's event loop. The frames' flash
// steps wait until the test lets them go.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/engine/watch_manager.hpp"
#include "app/engine/watch_runner.hpp"
#include "app/frame/widget_frame_factory.hpp"
#include "app/platform/x11/x11_frame_desktop.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/virtual_clock.hpp"
#include "test_window/layout.hpp"

namespace kestrove::testing {

namespace tw = testwindow;
using namespace std::chrono_literals;

struct EngineOnDesktop : ::testing::Test {
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    fakes::VirtualClock clock;
    X11FrameDesktop desk;
    std::deque<std::function<void()>> flashSteps;
    WidgetFrameFactory frames{*platform.screens, desk,
                              [this](std::chrono::milliseconds, std::function<void(std::chrono::milliseconds)> then) {
                                  flashSteps.push_back([then = std::move(then)] { then(0ms); });
                              },
                              platform.ownWindows};
    WatchRunnerFactory runners{{platform, clock, platform.cloud, nullptr}};
    std::shared_ptr<MemoryDefaults> defaults = std::make_shared<MemoryDefaults>();
    QTemporaryDir data;
    std::map<std::string, int> pictures;  // pictures taken, by watch
    std::unique_ptr<WatchManager> manager;

    void SetUp() override { makeManager(); }
    void TearDown() override { manager.reset(); }

    // A new manager over the same platform (the old one ends first: it lets go
    // of the screen state's listener).
    void makeManager() {
        manager.reset();
        manager = std::make_unique<WatchManager>(WatchManager::Services{
            runners, frames, clock, *platform.notifier, *platform.keepAwake, *platform.screenState,
            *platform.windows, *platform.screens, defaults, data.path().toStdString(),
            [](Date) { return std::string("09:00"); }, platform.mainThread});
        manager->onPicture = [this](const std::string& id) { ++pictures[id]; };
    }

    // Time moves on by `pause`; returns once every running watch whose turn
    // came has finished its check and waits for its next one.
    void cycle(std::chrono::seconds pause = 5s) {
        clock.advance(pause);
        settle();
    }
    // Returns once every running watch waits for its next check.
    void settle() {
        ASSERT_TRUE(desktop::waitFor(
            [&] {
                clock.advance(0ms);  // the manager's clean-up after a stopped runner
                return clock.timersWaiting() >= std::size_t(manager->activeCount());
            },
            15000))
            << "a check never ended";
    }
    // Cycles until `done` holds; false after `most` cycles. Between them
    // the other programs get a little more real time each round (a window
    // repaints, the window manager acts).
    bool cycleUntil(const std::function<bool()>& done, int most = 8, std::chrono::seconds pause = 5s) {
        for (int i = 0; i < most && !done(); ++i) {
            cycle(pause);
            if (!done()) desktop::waitFor([] { return false; }, 40 * (i + 1));
        }
        return done();
    }
    // Waits until the window list agrees: `seen` is given the window, or
    // nothing once it is gone.
    bool listedAs(std::uint32_t id, const std::function<bool(const WindowInfo*)>& seen) {
        return desktop::waitFor(
            [&] {
                auto listed = desktop::await<ListedWindows>(
                    [&](auto done) { return platform.windows->list("", WindowListOptions::all, done); });
                if (!listed || !listed->ok()) return false;
                for (const WindowInfo& w : listed->value())
                    if (w.id == id) return seen(&w);
                return seen(nullptr);
            },
            10000);
    }
    // Every flash runs to its end.
    void finishFlashes() {
        while (!flashSteps.empty()) {
            auto step = std::move(flashSteps.front());
            flashSteps.pop_front();
            step();
        }
    }

    WatchRegion unbound(const Rect& box) const {
        return SelectedRegion::make(*ScreenSpace::screenFor(box, platform.screens->screens()), box).region;
    }
    // A box over `inWindow` (window coordinates) of the test window, not
    // bound to it, once the screen shows there what the window drew: a
    // picture taken before the window's pixels reach the screen is a first
    // look that the first check rightly finds changed.
    WatchRegion unboundOver(desktop::TestWindow& window, const Rect& inWindow) {
        const Rect client = window.where();
        const WatchRegion region =
            unbound({client.x + inWindow.x, client.y + inWindow.y, inWindow.width, inWindow.height});
        const Image own = window.grab(int(inWindow.x), int(inWindow.y), int(inWindow.width), int(inWindow.height));
        EXPECT_TRUE(desktop::waitFor([&] { return desktop::maxChannelDifference(shot(region), own) == 0; }, 15000))
            << "the screen never showed the window's own pixels there";
        return region;
    }
    // A box over `b` of the test window, bound to that window.
    WatchRegion bound(desktop::TestWindow& window, const tw::Box& b) {
        std::optional<SelectedRegion> chosen;
        desktop::waitFor([&] {
            const Rect client = window.where();
            const Rect box{client.x + b.x, client.y + b.y, double(b.w), double(b.h)};
            const auto screen = ScreenSpace::screenFor(box, platform.screens->screens());
            if (!screen) return false;
            const SelectedRegion drawn = SelectedRegion::make(*screen, box);
            chosen = desktop::await<SelectedRegion>([&](auto done) { return platform.windows->bind(drawn, done); });
            return chosen && chosen->region.window;
        });
        EXPECT_TRUE(chosen && chosen->region.window) << "the box never bound to the test window";
        return chosen ? chosen->region : WatchRegion{};
    }
    Image shot(const WatchRegion& region) {
        auto captured = desktop::await<CapturedBox>(
            [&](auto done) { return platform.capturer->capture("", region, done); });
        return captured && captured->ok() ? captured->value().image : Image{};
    }

    static WatchSpec spec(const std::string& id, const std::string& command, WatchType type, WatchMode mode,
                          const WatchRegion& region, int debounce = 1) {
        WatchSpec s;
        s.id = id;
        s.command = command;
        s.type = type;
        s.mode = mode;
        s.region = region;
        s.debounceChecks = debounce;
        return s;
    }
    // Adds a watch made from what its box shows now; returns after its first check.
    void add(const WatchSpec& s) {
        manager->add(s, std::make_shared<const Image>(shot(s.region)), std::nullopt);
        settle();
    }
    WatchStatus status(const std::string& id) const { return manager->record(id)->status; }
};

}  // namespace kestrove::testing
