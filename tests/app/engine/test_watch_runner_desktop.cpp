// A runner on the real platform and Qt's clock, watching the test window:
// it barks when the text appears, and a minimised window is lost as not on
// screen (a capture of an unmapped window would have failed without a reason).
#include <gtest/gtest.h>

#include "app/engine/qt_clock.hpp"
#include "app/engine/watch_runner.hpp"
#include "app/platform/linux_platform.hpp"
#include "app/platform/qt/main_thread_executor.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_runner_host.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::await;
using desktop::waitFor;

TEST(WatchRunnerOnDesktop, BarksAtTheTextAndLosesAMinimisedWindowWithoutCapturingIt) {
    desktop::TestWindow window;
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    QtClock clock;
    fakes::FakeRunnerHost host;
    WatchRunnerFactory factory({platform, clock, platform.cloud, nullptr});

    std::optional<SelectedRegion> bound;
    ASSERT_TRUE(waitFor([&] {
        const Rect client = window.where();
        const Rect box{client.x + tw::status.x, client.y + tw::status.y, double(tw::status.w), double(tw::status.h)};
        const auto screen = ScreenSpace::screenFor(box, platform.screens->screens());
        bound = await<SelectedRegion>(
            [&](auto done) { return platform.windows->bind(SelectedRegion::make(*screen, box), done); });
        return bound && bound->region.window;
    }));
    WatchSpec spec;
    spec.id = "w_DESK01";
    spec.command = "it says \"Done\"";
    spec.type = WatchType::textAppears;
    spec.mode = WatchMode::everyTime;
    spec.target.text = "Done";
    spec.debounceChecks = 1;
    spec.region = bound->region;

    auto runner = factory.make({spec, std::nullopt, false, std::nullopt}, host);
    runner->start();
    ASSERT_TRUE(waitFor([&] { return host.latest.has_value(); }, 15000)) << "the first check";
    EXPECT_TRUE(host.barks.empty());
    window.command("status Status: Done");
    ASSERT_TRUE(waitFor([&] { return !host.barks.empty(); }, 15000));
    ASSERT_TRUE(host.barks[0].image && host.barks[0].evaluation);
    EXPECT_EQ(host.barks[0].image->width, tw::status.w);
    EXPECT_TRUE(host.barks[0].evaluation->met);

    window.command("minimize");
    ASSERT_TRUE(waitFor([&] { return !host.losses.empty(); }, 15000));
    EXPECT_EQ(host.losses, (std::vector<std::optional<WindowLoss>>{WindowLoss::notOnScreen}));
    window.command("restore");
    EXPECT_TRUE(waitFor([&] { return host.count("regained") == 1; }, 25000));
    EXPECT_EQ(host.losses.size(), 1u);
}

}  // namespace
}  // namespace kestrove
