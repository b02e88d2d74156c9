// Our own windows beside and over display boxes under a compositing manager
// that draws shadows (xcompmgr -c, picom --shadow), with the real watch
// manager, frames and capture. What the manager draws for our windows is
// ours like the windows: a box beside the panel does not see its shadow. A
// box under one of our windows is read from the windows below it, and one
// over which nothing can be rebuilt loses sight instead of watching a frozen
// picture.
#include <QApplication>
#include <QColor>
#include <QProcess>

#include <array>
#include <vector>

#include "app/engine/qt_clock.hpp"
#include "app/menu/menu_model.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/menu/onboarding_controller.hpp"
#include "app/menu/panel_window.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "engine/compositor_process.hpp"
#include "engine/own_windows_desktop.hpp"
#include "support/app/fake_session.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove::testing {
namespace {

using desktop::waitFor;

struct Compositor {
    const char* name;
    const char* program;
    QStringList args;
};

const Compositor compositors[] = {
    {"xcompmgr", "xcompmgr", {"-c"}},
    // No settings file of the user's; xrender draws on a server without GL.
    {"picom", "picom", {"--config", "/dev/null", "--backend", "xrender", "--shadow", "--no-fading-openclose"}},
};

void run(const QString& program, const QStringList& args) {
    ASSERT_EQ(QProcess::execute(program, args), 0) << program.toStdString();
}

void PrintTo(const Compositor& c, std::ostream* out) { *out << c.name; }

struct Composited : OwnWindowsDesktop, ::testing::WithParamInterface<Compositor> {
    CompositorProcess compositor;
    std::unique_ptr<desktop::TestWindow> window;
    int barks = 0;

    void SetUp() override {
        run(QStringLiteral("xsetroot"), {"-solid", "#406080"});
        compositor.start(QString::fromUtf8(GetParam().program), GetParam().args, desk);
        if (HasFatalFailure()) return;
        EngineOnDesktop::SetUp();
        manager->onBark = [this] { ++barks; };
        window = std::make_unique<desktop::TestWindow>();
        XcbWindowList windows;
        ASSERT_TRUE(desktop::waitUntilListedAt(windows, window->id(), window->where()));
        // A compositor that has just started shows black until it has drawn.
        const Rect client = window->where();
        const Image own = window->grab(0, 0, tw::width, tw::height);
        ASSERT_TRUE(waitFor([&] {
            return desktop::maxChannelDifference(raw({client.x, client.y, double(tw::width), double(tw::height)}), own) == 0;
        })) << GetParam().name << " shows the test window";
    }
    void TearDown() override {
        EngineOnDesktop::TearDown();
        window.reset();
        compositor.stop();
    }

    // The box's picture once two in a row agree (the compositor paints a
    // moment later) and it is not all black (as picom shows a new window of
    // ours before it has drawn it).
    Image settled(const Rect& box) {
        Image last = raw(box);
        const auto black = [](const Image& image) {
            for (std::size_t i = 0; i < image.rgba.size(); i += 4)
                if (image.rgba[i] || image.rgba[i + 1] || image.rgba[i + 2]) return false;
            return true;
        };
        EXPECT_TRUE(waitFor([&] { return std::exchange(last, raw(box)).rgba == last.rgba && !black(last); }))
            << "the box's picture settles";
        return last;
    }
    void snapshot(const char* name) {
        const Image whole = raw(ScreenSpace::displays(platform.screens->screens()).front());
        offscreen::saveSnapshot(QImage(whole.rgba.data(), whole.width, whole.height, QImage::Format_RGBA8888).copy(),
                                QStringLiteral("own_windows"),
                                QString::fromUtf8(GetParam().name) + QLatin1Char('-') + QString::fromUtf8(name));
    }
    // Moves `ours` so that its frame's top-left corner is at `to`, and gives
    // the compositor time to draw it there.
    void place(QWidget* ours, QPoint to) {
        ours->move(ours->pos() + to - ours->frameGeometry().topLeft());
        ours->raise();
        EXPECT_TRUE(waitFor([&] { return ours->frameGeometry().topLeft() == to; }))
            << "our window is at " << ours->frameGeometry().x() << "," << ours->frameGeometry().y() << ", not "
            << to.x() << "," << to.y();
        pause(300);
    }
};

// A white window of another program under a narrow box just left of the tray
// panel: the shadow the compositor draws for the panel falls into the box.
// Twenty times the panel opens and closes, two checks each way, and the box
// is checked every time and never barks; its window turning red then does.
TEST_P(Composited, ThePanelsShadowIsNoChangeBesideIt) {
    const Rect client = window->where();
    const Rect box{client.x + 400, client.y + 10, 36, 300};
    const WatchSpec watch = anyChange("w_SHADE1", box);
    add(watch);
    // Its frame on the screen first: two equal pictures before the
    // compositor has drawn it are no bare box.
    const Rect around{box.x - 4, box.y - 4, box.width + 8, box.height + 8};
    const Image own = window->grab(int(around.x - client.x), int(around.y - client.y), int(around.width),
                                   int(around.height));
    ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(around), own) > 60; })) << "the frame shows";
    const Image bare = settled(box);
    MenuModel menu;
    MenuPanelController tray(menu);
    int shaded = 0;  // cycles whose screen showed the shadow in the box
    int barked = 0;  // cycles with a bark
    for (int i = 0; i < 20; ++i) {
        const int taken = pictures[watch.id], before = barks;
        tray.show({box.maxX() + 20, box.y, 20, 20}, QGuiApplication::primaryScreen(), false);
        place(tray.window(), QPoint(int(box.maxX()), int(box.y)));
        if (desktop::maxChannelDifference(settled(box), bare) > 0) ++shaded;
        if (i == 0) snapshot("panel-shadow");
        cycle();
        cycle();
        tray.close();
        finishFlashes();  // a false bark's flash would hold its fill over the box
        if (!waitFor([&] { return desktop::maxChannelDifference(raw(box), bare) == 0; })) {
            snapshot("not-bare");
            FAIL() << "closed " << i << ": the box differs by " << desktop::maxChannelDifference(raw(box), bare);
        }
        cycle();
        cycle();
        finishFlashes();
        if (barks > before) ++barked;
        EXPECT_EQ(pictures[watch.id], taken + 4) << "cycle " << i << ": checked, never skipped";
    }
    EXPECT_EQ(barked, 0) << GetParam().name << ": open/close cycles of 20 that barked";
    EXPECT_GT(shaded, 0) << GetParam().name << " drew the panel's shadow into the box";
    const int before = barks;
    cycle();  // a quiet check arms the watch's gate again
    window->command("paint #d02020");
    ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(box), bare) > 60; }));
    cycle();
    cycle();
    EXPECT_EQ(barks, before + 1) << "a change of the window under it barks";
    finishFlashes();
}

struct Welcome {
    fakes::FakeSessionPermissions permissions;
    fakes::FakeDesktopSettings settings;
    QtClock realTime;  // the checks' settling counts the virtual clock's timers
    OnboardingController controller;
    Welcome(Executor main, std::shared_ptr<DefaultsStore> defaults)
        : permissions(std::move(main)), controller({&permissions, &settings, [] {}}, realTime, std::move(defaults)) {}
    QWidget* open() {
        controller.show(true, false);
        return controller.window();
    }
};

// A box wholly under the welcome window, left open, on another program's
// opaque window that turns red and then blue: both changes bark, each within
// two checks, and the box is checked every time.
TEST_P(Composited, ABoxUnderTheWelcomeWindowIsReadFromTheWindowBelow) {
    const Rect client = window->where();
    const Rect box{client.x + 300, client.y + 60, 120, 180};
    const WatchSpec watch = anyChange("w_BELOW1", box);
    add(watch);
    // The window's own picture, as the server keeps it under ours.
    XcbScreenCapturer server(*platform.screens);
    const WatchRegion through = bound(*window, {300, 60, 120, 180});
    Welcome welcome(platform.mainThread, defaults);
    QWidget* ours = welcome.open();
    ASSERT_NE(ours, nullptr);
    const QRect f = ours->frameGeometry();
    ASSERT_GE(f.width(), box.width + 40);
    ASSERT_GE(f.height(), box.height + 40);
    place(ours, QPoint(int(box.x) - 20, int(box.y) - 20));
    std::vector<std::array<int, 3>> shown;  // the middle of each bark's picture
    manager->onBarked = [&](const WatchSpec&, const std::optional<std::string>&, const SharedImage& picture) {
        const auto* p = &picture->rgba[(std::size_t(picture->height / 2) * picture->width + picture->width / 2) * 4];
        shown.push_back({p[0], p[1], p[2]});
    };
    const int taken = pictures[watch.id];
    cycle();
    cycle();
    EXPECT_EQ(barks, 0) << GetParam().name << ": the welcome window itself is no change";
    const std::array<int, 3> colours[] = {{0xd0, 0x20, 0x20}, {0x20, 0x40, 0xd0}};
    for (const auto& [r, g, b] : colours) {
        window->command(QColor(r, g, b).name().toStdString().insert(0, "paint "));
        // Drawn, unseen, before the checks are counted.
        ASSERT_TRUE(waitFor([&, r = r] {
            const Captured c = server.capture(through);
            return c.ok() && std::abs(c.value().rgba[(std::size_t(c.value().height / 2) * c.value().width) * 4] - r) < 4;
        })) << "the program drew " << r;
        cycle();
        cycle();
        finishFlashes();
        cycle();  // a quiet check arms the watch's gate again
    }
    snapshot("welcome-over");
    ASSERT_EQ(shown.size(), 2u) << GetParam().name << ": a bark for each colour";
    for (std::size_t i = 0; i < 2; ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(shown[i][c], colours[i][c], 3) << "bark " << i << " shows the window's new colour";
    EXPECT_EQ(barks, 2) << GetParam().name << ": red, then blue, under the welcome window";
    EXPECT_EQ(pictures[watch.id], taken + 8) << "checked, never skipped";
    EXPECT_EQ(status(watch.id), WatchStatus::watching);
}

// A box wholly under the welcome window on the bare root, whose picture the
// compositor paints from nothing published: nothing under the window can be
// rebuilt, so the third check in a row loses sight, and sight comes back
// once the window has gone, with a bark for another program's window that
// came there meanwhile.
TEST_P(Composited, ABoxWithNothingHonestUnderOurWindowLosesSight) {
    const Rect box{760, 300, 120, 120};
    const WatchSpec watch = anyChange("w_ROOT01", box);
    add(watch);
    const Image bare = settled(box);
    Welcome welcome(platform.mainThread, defaults);
    QWidget* ours = welcome.open();
    ASSERT_NE(ours, nullptr);
    place(ours, QPoint(int(box.x) - 20, int(box.y) - 20));
    // The compositor may draw it a while after it is placed: checks count from then.
    ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(box), bare) > 60; }))
        << GetParam().name << " shows our window over the box";
    EXPECT_TRUE(cycleUntil([&] { return status(watch.id) == WatchStatus::lostSight; }, 3))
        << GetParam().name << ": the third check with nothing to read loses sight";
    EXPECT_EQ(barks, 0);
    window->command("move " + std::to_string(int(box.x) - 60) + " " + std::to_string(int(box.y) - 60));
    // On the screen there, its corner beside our window, before that goes.
    const Image corner = window->grab(0, 0, 16, 16);
    ASSERT_TRUE(waitFor([&] {
        const Rect at = window->where();
        return at.x > box.x - 70 && at.x < box.x - 20 &&
               desktop::maxChannelDifference(raw({at.x, at.y, 16, 16}), corner) == 0;
    })) << "the other program's window came";
    welcome.controller.window()->close();
    EXPECT_TRUE(cycleUntil([&] { return status(watch.id) == WatchStatus::watching; }, 6))
        << "sight comes back once the window has gone";
    EXPECT_TRUE(cycleUntil([&] { return barks == 1; }, 3)) << GetParam().name << ": what came meanwhile barks";
    finishFlashes();
    cycle();
    EXPECT_EQ(barks, 1);
}

INSTANTIATE_TEST_SUITE_P(Shadows, Composited, ::testing::ValuesIn(compositors),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrove::testing
