// Our own windows over display boxes on a bare desktop: openbox, a solid
// root colour, no desktop window. What lies under them there is the root's
// background, or windows that blend with it (translucent, shaped), with or
// without a compositing manager. Every box is read and barks at a change
// within two checks; our windows opening and closing over it are no change.
#include <QApplication>
#include <QProcess>

#include <functional>
#include <map>

#include "app/creation/key_panel.hpp"
#include "app/creation/new_watch_road.hpp"
#include "app/creation/new_watch_panel.hpp"
#include "app/creation/overlay_window.hpp"
#include "app/creation/region_selector.hpp"
#include "app/engine/qt_clock.hpp"
#include "app/menu/menu_model.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "engine/compositor_process.hpp"
#include "engine/own_windows_desktop.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove::testing {
namespace {

using desktop::waitFor;

QString n(double v) { return QString::number(static_cast<int>(v)); }
void run(const QString& program, const QStringList& args) { ASSERT_EQ(QProcess::execute(program, args), 0) << program.toStdString(); }
void xdotool(const QStringList& args) { run(QStringLiteral("xdotool"), args); }
void rootColour(const char* colour) { run(QStringLiteral("xsetroot"), {"-solid", colour}); }

struct OwnWindowsOnBareRoot : OwnWindowsDesktop {
    std::map<std::string, int> barked;
    CompositorProcess compositor;  // xcompmgr

    void SetUp() override {
        rootColour("#406080");
        EngineOnDesktop::SetUp();
        manager->onBarked = [this](const WatchSpec& s, const std::optional<std::string>&, const SharedImage&) {
            ++barked[s.id];
        };
    }
    void TearDown() override {
        EngineOnDesktop::TearDown();
        window.reset();
        compositor.stop();
    }
    void compose() { compositor.start(QStringLiteral("xcompmgr"), {}, desk); }

    // The box's picture once two in a row agree (a compositor paints a moment later).
    Image settled(const Rect& box) {
        Image last = raw(box);
        waitFor([&] { return std::exchange(last, raw(box)).rgba == last.rgba; });
        return last;
    }
    // A watch's box whose picture can be taken at all (the creation road's
    // first capture) becomes a watch.
    void addReadable(const WatchSpec& s) {
        auto captured = desktop::await<CapturedBox>([&](auto done) { return platform.capturer->capture("", s.region, done); });
        ASSERT_TRUE(captured && captured->ok())
            << s.id << ": " << (captured ? captured->error().description() : std::string("no answer"));
        add(s);
    }
    // Where the window manager put window `id` (its client area).
    Rect placeOf(std::uint32_t id) {
        Rect at;
        EXPECT_TRUE(listedAs(id, [&](const WindowInfo* w) {
            if (!w || !w->isOnScreen) return false;
            at = w->frame;
            return true;
        }));
        return at;
    }

    // The test window, started at first use.
    desktop::TestWindow& testWindow() {
        if (!window) {
            window = std::make_unique<desktop::TestWindow>();
            XcbWindowList windows;
            EXPECT_TRUE(desktop::waitUntilListedAt(windows, window->id(), window->where()));
        }
        return *window;
    }
    // One more window of the test window's `kind` (see its commands) at `at`.
    std::uint32_t extra(const char* kind, const Rect& at) {
        const std::string line = testWindow().command(std::string("extra ") + kind + " " + n(at.x).toStdString() + " " +
                                                      n(at.y).toStdString() + " " + n(at.width).toStdString() + " " +
                                                      n(at.height).toStdString());
        return static_cast<std::uint32_t>(std::stoul(line.substr(line.find(' ') + 1)));
    }
    // Moves managed window `id` so that its client area holds `inside`.
    void moveOver(std::uint32_t id, const Rect& inside) {
        const Point want{inside.x - 10, inside.y - 5};
        Point asked = want;
        Rect at = placeOf(id);
        // The window manager puts the frame where the client was asked for:
        // asked again by what is still off.
        for (int i = 0; i < 3 && (at.x != want.x || at.y != want.y); ++i) {
            xdotool({"windowmove", QString::number(id), n(asked.x), n(asked.y)});
            waitFor([&] { return placeOf(id).x != at.x || placeOf(id).y != at.y; }, 2000);
            at = placeOf(id);
            asked = {asked.x + want.x - at.x, asked.y + want.y - at.y};
        }
        EXPECT_TRUE(at.x <= inside.x && at.y <= inside.y && at.maxX() >= inside.maxX() && at.maxY() >= inside.maxY())
            << "the window lies over its place";
    }
    // A managed window of `kind` whose client area holds `inside`.
    std::uint32_t over(const char* kind, const Rect& inside) {
        const std::uint32_t id = extra(kind, {0, 0, inside.width + 20, inside.height + 10});
        moveOver(id, inside);
        return id;
    }

    std::unique_ptr<desktop::TestWindow> window;
};

// Frames and tags of other watches lie over the bare root inside each box,
// shown before the box was made: two boxes one above the other (the lower
// one's tag inside the upper box) and a box drawn around another's box. Each
// is made, and barks within two checks of a change.
TEST_F(OwnWindowsOnBareRoot, BoxesOverOtherWatchesFramesAreMadeAndBark) {
    const Rect lower{700, 300, 300, 60}, upper{700, 200, 300, 90};  // the lower tag: 21 to 3 pt above its box
    const Rect inner{760, 520, 120, 40}, outer{730, 480, 180, 110};
    struct Case {
        const char* what;
        WatchSpec first, second;  // the second made with the first's frame inside its box
    };
    const Case cases[] = {
        {"one above the other", anyChange("w_LOWER1", lower), anyChange("w_UPPER1", upper)},
        {"one around the other", anyChange("w_INNER1", inner), anyChange("w_OUTER1", outer)},
    };
    for (const Case& c : cases) {
        addReadable(c.first);
        addReadable(c.second);
    }
    const char* colours[] = {"#a03020", "#208040"};
    for (const char* colour : colours) {
        std::map<std::string, int> before = barked;
        rootColour(colour);
        cycle();
        cycle();
        for (const Case& c : cases)
            for (const WatchSpec* s : {&c.first, &c.second})
                EXPECT_EQ(barked[s->id], before[s->id] + 1) << c.what << ", " << s->id << " barks within two checks";
        cycle();
        finishFlashes();
    }
}

// A box over the whole screen, drawn and started on the creation road while
// another watch's frame lies on the bare root inside it, barks at a change.
TEST_F(OwnWindowsOnBareRoot, AWholeScreenBoxIsMadeOnTheRoadAndBarks) {
    add(anyChange("w_SMALL1", {700, 300, 300, 60}));
    RegionSelector selector(*platform.screens, *platform.capturer);
    QtClock realTime;
    std::vector<std::string> problems;
    std::optional<WatchSpec> made;
    NewWatchHooks hooks;
    hooks.add = [&](const WatchSpec& s, std::shared_ptr<const Image> crop, std::optional<DiffGrid> grid,
                    std::optional<DirectStart> direct) {
        made = s;
        manager->add(s, crop, std::move(direct), std::move(grid));
    };
    hooks.showOnboarding = [&](bool) { problems.push_back("onboarding"); };
    hooks.alert = [&](const std::string& m, const std::string& d) { problems.push_back(m + " " + d); };
    NewWatchRoad road(platform, selector, realTime,
                      NewWatchServices{CloudSettings(defaults, std::nullopt), platform.cloud, platform.mainThread},
                      std::move(hooks));
    road.newWatch();
    ASSERT_TRUE(waitFor([&] { return !selector.overlays().empty() && selector.overlays().front()->isVisible(); }));
    pause(300);
    const Rect whole = ScreenSpace::displays(platform.screens->screens()).front();
    xdotool({"mousemove", "0", "0", "mousedown", "1", "mousemove", n(whole.width / 2), n(whole.height / 2),
             "mousemove", n(whole.maxX() - 1), n(whole.maxY() - 1), "mouseup", "1"});
    ASSERT_TRUE(waitFor([&] { return (road.panel() && road.panel()->isShown()) || !problems.empty(); }, 15000));
    ASSERT_TRUE(problems.empty()) << problems.front();
    NewWatchPanel& panel = *road.panel();
    EXPECT_GE(panel.model().region().w * panel.model().region().h, (whole.width - 2) * (whole.height - 2));
    ASSERT_TRUE(waitFor([&] { return panel.model().reading().has_value(); }, 20000));
    xdotool({"windowactivate", "--sync", QString::number(panel.window().winId())});
    xdotool({"type", "--delay", "5", "anything changes"});
    ASSERT_TRUE(waitFor([&] { return panel.model().text() == "anything changes"; }));
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitFor([&] { return panel.model().stage().as<NewWatchStage::Confirm>() != nullptr; }));
    pause(300);
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitFor([&] { return made.has_value(); })) << "started";
    settle();
    ASSERT_TRUE(waitFor([&] { return road.panel() == nullptr; }));
    pause(300);
    cycle();
    cycle();
    EXPECT_EQ(barked[made->id], 0) << "its panel leaving is no change";
    rootColour("#a03020");
    cycle();
    cycle();
    EXPECT_EQ(barked[made->id], 1) << "barks within two checks of a change";
    finishFlashes();
}

// A change made while the selection overlay covers a box on the bare root:
// the root's new colour is the server's own and shows through the overlay;
// under a compositor, a window that blends in comes into the box, unseen
// through the overlay and seen once it closes. Within two checks either way.
TEST_F(OwnWindowsOnBareRoot, AChangeUnderTheOverlayBarksWithinTwoChecks) {
    const Rect box{700, 200, 300, 90};
    for (bool composited : {false, true}) {
        std::optional<std::uint32_t> faded;
        if (composited) {
            compose();
            faded = over("faded", {box.x + 100, box.y + 300, 100, 50});  // away from the box first
        }
        const std::string id = composited ? "w_UNDER2" : "w_UNDER1";
        addReadable(anyChange(id, box));
        RegionSelector selector(*platform.screens, *platform.capturer);
        selector.begin([](std::optional<SelectedRegion>) {});
        ASSERT_TRUE(waitFor([&] { return !selector.overlays().empty() && selector.overlays().front()->isVisible(); }));
        pause(300);
        if (faded) moveOver(*faded, {box.x + 100, box.y + 20, 100, 50});
        else rootColour("#a03020");
        cycle();
        cycle();
        EXPECT_EQ(barked[id], composited ? 0 : 1)
            << (composited ? "what blends in is not seen through the overlay" : "the bare root's colour is seen through it");
        const auto overlay = static_cast<std::uint32_t>(selector.overlays().front()->winId());
        xdotool({"key", "Escape"});
        selector.cancel();
        // Off the screen, not only hidden for Qt: the checks count from then.
        ASSERT_TRUE(listedAs(overlay, [](const WindowInfo* w) { return !w || !w->isOnScreen; }));
        pause(300);
        cycle();
        cycle();
        EXPECT_EQ(barked[id], 1) << (composited ? "composited" : "plain") << ": one bark, within two checks";
        finishFlashes();
        manager->remove(id);
        settle();
    }
}

// Under a compositor: windows of other programs that blend with what lies
// below them (opacity 0.5, an alpha channel) over the test window's lines,
// under the tray panel; and a shaped window above the panel with its middle
// open over the status line. The panel opening and closing over each box
// five times is no bark (nor for the other boxes it covers); a change under
// a box is one, also one made while the panel stays open over it.
TEST_F(OwnWindowsOnBareRoot, TranslucentAndShapedNeighboursOfThePanelAreNoChange) {
    compose();
    desktop::TestWindow& window = testWindow();
    const Rect client = window.where();
    const auto onScreen = [&](const tw::Box& b) { return Rect{client.x + b.x, client.y + b.y, double(b.w), double(b.h)}; };
    // A window of `kind` whose client area holds `inside`, the window
    // manager's placement undone.
    // The third log line is empty at first.
    const Rect counter = onScreen(tw::counter), logLine = onScreen({tw::logLine0.x, tw::logLine0.y + 2 * tw::logStep,
                                                                   tw::logLine0.w, tw::logLine0.h});
    over("faded", counter);
    over("alpha", logLine);
    // Above the status line, its middle open over the text.
    const Rect status = onScreen(tw::status);
    const Rect ring{client.x, status.y - 30, 480, 128};  // middle: 120 to 360 across, 32 to 96 down
    const std::uint32_t shaped = extra("shaped", ring);
    struct Case {
        const char* what;
        WatchSpec watch;
        // Changes under the box before the panel comes (what the windows'
        // pictures held since they were mapped is stale then) and after.
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"opacity 0.5", anyChange("w_FADED1", {counter.x + 10, counter.y + 2, 300, counter.height - 4}), "counter 3",
         "counter 7"},
        {"alpha", anyChange("w_ALPHA1", {logLine.x + 10, logLine.y + 2, 300, logLine.height - 4}),
         "log Log: step 2 of 3", "clear-log"},
        {"shaped, above", anyChange("w_RING01", {ring.x + 130, status.y + 4, 200, status.height - 8}),
         "status Status: Ready", "status Done. Nothing is waiting"},
    };
    for (const Case& c : cases) {
        addReadable(c.watch);
        barked[c.watch.id] = 0;
    }
    MenuModel menu;
    MenuPanelController tray(menu);
    // A change under the box, seen on the screen, and its bark.
    const auto change = [&](const Case& c, const char* command) {
        const Rect box{c.watch.region.x, c.watch.region.y, c.watch.region.w, c.watch.region.h};
        const Image was = settled(box);
        const int barks = barked[c.watch.id];
        window.command(command);
        ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(box), was) > 40; })) << command;
        cycle();
        cycle();
        EXPECT_EQ(barked[c.watch.id], barks + 1) << c.what << ": " << command << " barks within two checks";
        finishFlashes();
        // The frame counts its blink's fill as its own a moment longer: until
        // then the box under it is as last seen.
        pause(400);
        cycle();  // a quiet check arms the gate again
    };
    for (const Case& c : cases) {
        const Rect box{c.watch.region.x, c.watch.region.y, c.watch.region.w, c.watch.region.h};
        change(c, c.before);
        const Image bare = settled(box);
        const std::map<std::string, int> before = barked;
        const auto open = [&] {
            tray.show({box.x, box.y - 30, 20, 20}, QGuiApplication::primaryScreen(), false);
            QWidget* panel = tray.window();
            const QRect f = panel->frameGeometry();
            panel->move(panel->pos() + QPoint(int(box.x + box.width / 2) - f.center().x(),
                                              int(box.y + box.height / 2) - f.center().y()));
            if (c.watch.id == "w_RING01") xdotool({"windowraise", QString::number(shaped)});
            return waitFor([&] { return desktop::maxChannelDifference(raw(box), bare) > 60; });
        };
        for (int i = 0; i < 5; ++i) {
            finishFlashes();
            ASSERT_TRUE(open()) << c.what;
            cycle();
            cycle();
            tray.close();
            finishFlashes();  // a false bark's flash would hold its fill over the box
            ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(box), bare) == 0; })) << c.what;
            cycle();
            cycle();
        }
        for (const Case& other : cases)
            EXPECT_EQ(barked[other.watch.id], before.at(other.watch.id))
                << c.what << ": the panel over it five times is no change to " << other.watch.id;
        // A change while the panel stays open over the box for many checks:
        // the watch waits, never out of sight, and barks once it has gone.
        finishFlashes();
        ASSERT_TRUE(open()) << c.what;
        const int barks = barked[c.watch.id];
        window.command(c.after);
        for (int i = 0; i < 5; ++i) {
            cycle();
            EXPECT_EQ(manager->record(c.watch.id)->status, WatchStatus::watching) << c.what << ": check " << i << " under the panel";
        }
        const Image underPanel = settled(box);
        tray.close();
        // The change shows once the panel has gone: neither the panel nor the
        // box from before.
        ASSERT_TRUE(waitFor([&] {
            const Image now = raw(box);
            return desktop::maxChannelDifference(now, bare) > 40 && desktop::maxChannelDifference(now, underPanel) > 40;
        })) << c.what;
        settled(box);
        cycle();
        cycle();
        EXPECT_EQ(barked[c.watch.id], barks + 1) << c.what << ": " << c.after << " under the panel barks once";
        finishFlashes();
        pause(400);
        cycle();
    }
    const Image whole = raw(ScreenSpace::displays(platform.screens->screens()).front());
    offscreen::saveSnapshot(QImage(whole.rgba.data(), whole.width, whole.height, QImage::Format_RGBA8888).copy(),
                            QStringLiteral("own_windows"), QStringLiteral("bare-composited"));
}

}  // namespace
}  // namespace kestrove::testing
