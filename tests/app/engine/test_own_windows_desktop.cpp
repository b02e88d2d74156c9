// Our own windows over watched display boxes, on a real desktop with the real
// watch manager, frames and capture: a box's picture never shows one of them,
// its checks go on underneath, and a change under them barks. Also boxes
// beside or around another watch's frame, our tray icon, the bubbles of our
// notifications, and the frames kept under our panels and the selection
// overlay (screens in <build>/snapshots/own_windows).
#include <QApplication>
#include <QDBusConnection>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QWidget>

#include <map>
#include <set>

#include "app/creation/key_panel.hpp"
#include "app/creation/new_watch_panel.hpp"
#include "app/creation/overlay_window.hpp"
#include "app/creation/region_selector.hpp"
#include "app/engine/qt_clock.hpp"
#include "app/menu/menu_model.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/menu/onboarding_controller.hpp"
#include "app/menu/panel_window.hpp"
#include "app/menu/qt_status_item.hpp"
#include "app/menu/telegram_connect_controller.hpp"
#include "app/platform/linux/linux_tray_look.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_places.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "app/shell/app_alerts.hpp"
#include "engine/own_windows_desktop.hpp"
#include "support/app/fake_session.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove::testing {
namespace {

using desktop::waitFor;

void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0); }

struct OwnWindowsOver : OwnWindowsDesktop {
    desktop::TestWindow window;
    Rect client = window.where();
    int barks = 0;
    std::set<QWidget*> before;

    void SetUp() override {
        EngineOnDesktop::SetUp();
        manager->onBark = [this] { ++barks; };
        XcbWindowList windows;
        ASSERT_TRUE(desktop::waitUntilListedAt(windows, window.id(), client));
        for (QWidget* w : QApplication::topLevelWidgets()) before.insert(w);
    }

    Rect onScreen(const tw::Box& b) const { return {client.x + b.x, client.y + b.y, double(b.w), double(b.h)}; }
    // A window of ours that showed since the test began (not a frame).
    QWidget* newWindow() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !before.count(w) && !w->property(OwnWindows::frameProperty).toBool()) return w;
        return nullptr;
    }
    // Puts `ours` over `box` (unless it placed itself there) and waits until
    // the screen shows it there.
    void cover(QWidget* ours, const Rect& box) {
        ASSERT_NE(ours, nullptr);
        const Image bare = raw(box);
        const QRect f = ours->frameGeometry();
        if (!f.contains(QRect(int(box.x), int(box.y), int(box.width), int(box.height))))
            ours->move(ours->pos() + QPoint(int(box.x + box.width / 2) - f.center().x(),
                                            int(box.y + box.height / 2) - f.center().y()));
        ours->raise();
        const bool over = waitFor([&] { return desktop::maxChannelDifference(raw(box), bare) > 60; });
        if (!over) {
            const Image whole = raw(ScreenSpace::displays(platform.screens->screens()).front());
            offscreen::saveSnapshot(QImage(whole.rgba.data(), whole.width, whole.height, QImage::Format_RGBA8888).copy(),
                                    QStringLiteral("own_windows"), QStringLiteral("not-covered"));
        }
        ASSERT_TRUE(over) << "our window is on screen over the box";
    }
    // Changes the test window and waits until the box's picture shows it.
    void changeUnder(const WatchSpec& watch, const std::string& command) {
        const Image before = shot(watch.region);
        window.command(command);
        ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(shot(watch.region), before) > 40; }))
            << command << " shows in " << watch.id;
    }
};

// The any-change watch under each of our windows in turn: quiet while the
// window is over it, a bark within two checks of a change under it.
TEST_F(OwnWindowsOver, ADisplayBoxUnderEachOfOurWindowsSeesOnlyTheScreen) {
    const Rect box = onScreen(tw::status);
    const WatchSpec watch = anyChange("w_UNDER1", box);
    add(watch);

    MenuModel menu;
    MenuPanelController tray(menu);
    RegionSelector selector(*platform.screens, *platform.capturer);
    fakes::FakeSessionPermissions permissions(platform.mainThread);
    fakes::FakeDesktopSettings settings;
    // On real time: the checks' settling counts the virtual clock's timers.
    QtClock realTime;
    OnboardingController welcome({&permissions, &settings, [] {}}, realTime, defaults);
    TelegramLink link{CloudSettings(defaults, std::nullopt), platform.cloud, platform.mainThread};
    TelegramConnectController chat(link, realTime, [](const std::string&) {});

    struct Case {
        const char* name;
        std::function<QWidget*()> open;
        std::function<void()> close;
    };
    AppAlerts alerts;
    QMessageBox* box1 = nullptr;
    QMessageBox* box2 = nullptr;
    const Case cases[] = {
        {"the tray panel",
         [&] {
             tray.show({box.x, box.y - 30, 20, 20}, QGuiApplication::primaryScreen(), false);
             return static_cast<QWidget*>(tray.window());
         },
         [&] { tray.close(); }},
        {"a drag of the selection overlay",
         [&]() -> QWidget* {
             selector.begin([](std::optional<SelectedRegion>) {});
             if (!waitFor([&] { return !selector.overlays().empty() && selector.overlays().front()->isVisible(); }))
                 return nullptr;
             pause(300);
             xdotool({"mousemove", QString::number(box.x - 40), QString::number(box.y - 10), "mousedown", "1",
                      "mousemove", QString::number(box.x + 100), QString::number(box.y + 60)});
             return nullptr;
         },
         [&] {
             xdotool({"key", "Escape", "mouseup", "1"});
             selector.cancel();
         }},
        {"the welcome window",
         [&] {
             welcome.show(true, false);
             return static_cast<QWidget*>(welcome.window());
         },
         [&] { welcome.window()->close(); }},
        {"the chat window",
         [&] {
             chat.show();
             return static_cast<QWidget*>(chat.window());
         },
         [&] {
             if (chat.window()) chat.window()->close();
         }},
        {"About", [&] { return static_cast<QWidget*>(box1 = alerts.about()); }, [&] { box1->close(); }},
        {"an alert", [&] { return static_cast<QWidget*>(box2 = alerts.disconnected()); }, [&] { box2->close(); }},
    };
    int n = 0;
    for (const Case& c : cases) {
        const Image bare = raw(box);
        QWidget* ours = c.open();
        if (ours) cover(ours, box);
        else
            ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(box), bare) > 60; })) << c.name;
        const int barked = barks, taken = pictures[watch.id];
        for (int i = 0; i < 3; ++i) {  // 15 s
            cycle();
            pause(100);
        }
        EXPECT_EQ(barks, barked) << c.name << ": the window itself is no change";
        EXPECT_EQ(pictures[watch.id], taken + 3) << c.name << ": checked, never skipped";
        // Whole words change: a changed digit alone may stay under the change test's threshold.
        changeUnder(watch, std::string("status ") + (n++ % 2 ? "Status: Exporting 42%" : "Done. Nothing is waiting"));
        cycle();
        cycle();
        EXPECT_EQ(barks, barked + 1) << c.name << ": a change under it barks within two checks";
        finishFlashes();
        c.close();
        const Image own = window.grab(tw::status.x, tw::status.y, tw::status.w, tw::status.h);
        ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(box), own) == 0; })) << c.name << " left";
        cycle();
        cycle();
        EXPECT_EQ(barks, barked + 1) << c.name << ": its leaving is no change";
    }
}

// Under dunst (the desktop's bus starts it for the first notification),
// another watch's bark puts its bubble over a box at the top right of the
// screen: that box neither barks nor loses sight, while the bubble shows and
// when it goes. Another program's notification there barks.
TEST_F(OwnWindowsOver, OurNotificationsBubbleIsOursAndAnotherProgramsBarks) {
    const Rect top{760, 0, 520, 260};  // dunst's bubbles: top right, 300 wide, 50 down
    ASSERT_FALSE(top.intersects(client)) << "the test window lies elsewhere";
    // None left from the barks before (none at all when dunst has not started).
    QProcess::execute(QStringLiteral("dunstctl"), {"close-all"});
    pause(500);
    const WatchSpec under = anyChange("w_BUBBLE", top);
    const WatchSpec other = anyChange("w_OTHER1", onScreen(tw::status));
    add(under);
    add(other);
    const Image bare = raw(top);
    changeUnder(other, "status Done. Nothing is waiting");
    ASSERT_TRUE(cycleUntil([&] { return barks == 1; }, 3)) << "the other window's change barks";
    finishFlashes();
    ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(top), bare) > 60; }))
        << "its bubble shows in the box";
    const int taken = pictures[under.id];
    int shown = 0;  // checks while the bubble showed
    while (desktop::maxChannelDifference(raw(top), bare) > 60) {  // dunst's 10 s
        cycle();
        ++shown;
        ASSERT_LT(shown, 100) << "the bubble never went";
        pause(250);
    }
    cycle();
    cycle();
    EXPECT_GT(shown, 0);
    EXPECT_EQ(barks, 1) << "our bubble is no change, coming or going";
    EXPECT_EQ(pictures[under.id], taken + shown + 2) << "checked, never skipped";
    EXPECT_EQ(status(under.id), WatchStatus::watching);

    // Ours a moment after dunst says it closed, as the bubble may still show.
    ASSERT_TRUE(waitFor([&] { return platform.ownWindows->helpers().empty(); }));
    ASSERT_EQ(QProcess::execute(QStringLiteral("notify-send"), {"-t", "60000", "Mail", "A letter from elsewhere"}), 0);
    ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(top), bare) > 60; }))
        << "another program's bubble shows in the box";
    cycle();
    cycle();
    EXPECT_EQ(barks, 2) << "another program's bubble barks";
    finishFlashes();
    QProcess::execute(QStringLiteral("dunstctl"), {"close-all"});
}

// Two boxes on neighbouring lines, and a box drawn around another watch's
// box: the frames of the others lie in each box, and every box still barks.
TEST_F(OwnWindowsOver, BoxesBesideOrAroundAnotherWatchsFrameEachBark) {
    const Rect status = onScreen(tw::status);
    const Rect below{status.x, status.maxY() + 3, status.width, status.height};  // 3 pt apart
    const Rect price = onScreen(tw::price);
    const Rect around{price.x - 8, price.y - 8, price.width + 16, price.height + 16};
    struct Watch {
        WatchSpec spec;
        const char* command;  // what changes under it
    };
    const Watch watches[] = {
        {anyChange("w_LINE01", status), "status Status: Exporting 43%"},
        {anyChange("w_LINE02", below), "price Price: 100.00 EUR"},
        {anyChange("w_INNER1", price), "price Price: 111.00 EUR"},
        {anyChange("w_OUTER1", around), "price Price: 122.00 EUR"},
    };
    for (const Watch& w : watches) add(w.spec);
    std::map<std::string, int> barked;
    manager->onBarked = [&](const WatchSpec& s, const std::optional<std::string>&, const SharedImage&) {
        ++barked[s.id];
    };
    for (const Watch& w : watches) {
        const int before = barked[w.spec.id];
        changeUnder(w.spec, w.command);
        cycle();
        cycle();
        EXPECT_EQ(barked[w.spec.id], before + 1) << w.spec.id << " barks within two checks";
        cycle();  // the flashes' steps wait for the test: none is over a box now
        finishFlashes();
    }
}

// Our tray icon in a real XEmbed tray (trayer), in a box over the tray and
// in a whole-screen box: its count going up and down, the bark's dot and
// the open panel's highlight are no change to either; another program's
// window coming into the box beside the icon is one to both.
TEST_F(OwnWindowsOver, OurTrayIconIsNoChangeAndAWindowBesideItIs) {
    QProcess trayer;
    trayer.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                                            "24", "--SetDockType", "true"});
    ASSERT_TRUE(trayer.waitForStarted(5000));
    XcbWindowPlaces places;
    LinuxTrayLook look(QDBusConnection::sessionBus());
    auto icon = std::make_unique<QtStatusItem>(places, look);
    const auto place = [&] { return icon->geometry().value_or(QRect()); };
    ASSERT_TRUE(waitFor([&] { return place().right() >= 1200 && place().bottom() < 30; }, 10000))
        << "the icon is in the tray";
    // The tray makes room for it a moment later: its place holds for half a second.
    QRect at = place();
    ASSERT_TRUE(waitFor([&] {
        pause(500);
        return std::exchange(at, place()) == at;
    }, 10000));
    const Rect tray{double(at.x() - 80), 0, double(at.width() + 80), 24};
    const Rect whole = ScreenSpace::displays(platform.screens->screens()).front();
    const WatchSpec watches[] = {anyChange("w_TRAY01", tray), anyChange("w_WHOLE1", whole)};
    std::map<std::string, int> barked;
    manager->onBarked = [&](const WatchSpec& s, const std::optional<std::string>&, const SharedImage&) {
        ++barked[s.id];
    };
    for (const WatchSpec& w : watches) add(w);
    const StatusLook looks[] = {{1, 1, false}, {1, 2, false}, {1.6, 2, false}, {1, 5, false},
                                {1, 5, true},  {1, 0, false}, {1, 12, false}};
    for (const StatusLook& l : looks) {
        const Image before = raw(tray);
        icon->setLook(l);
        waitFor([&] { return desktop::maxChannelDifference(raw(tray), before) > 0; }, 1000);
        cycle();
        cycle();
    }
    for (const WatchSpec& w : watches) EXPECT_EQ(barked[w.id], 0) << w.id << ": our icon is no change";
    const Image before = raw(tray);
    window.command("extra popup " + std::to_string(at.x() - 70) + " 2 60 300");
    ASSERT_TRUE(waitFor([&] { return desktop::maxChannelDifference(raw(tray), before) > 60; }));
    cycle();
    cycle();
    for (const WatchSpec& w : watches) EXPECT_EQ(barked[w.id], 1) << w.id << ": another program's window barks";
    finishFlashes();
    icon.reset();
    trayer.terminate();
    if (!trayer.waitForFinished(3000)) trayer.kill();
}

bool red(const Image& image, int x, int y) {
    const auto* p = &image.rgba[(std::size_t(y) * image.width + x) * 4];
    return std::abs(p[0] - 217) <= 3 && std::abs(p[1] - 43) <= 3 && std::abs(p[2] - 33) <= 3;
}

// Another watch's frame under our panels and the overlay: its ring, its tag
// and its flash's fill never show over them, also when it flashes (shows
// again) while they are open.
TEST_F(OwnWindowsOver, FramesStayUnderOurPanelsAndTheOverlay) {
    const Rect box = onScreen(tw::price);
    const WatchSpec watch = anyChange("w_FRAME1", box);
    add(watch);
    const Rect area{box.x - 10, box.y - 30, 120, box.height + 40};  // the ring's left side and the tag
    const int ringX = 8, ringY = 30 + 16, tagX = 10, tagY = 14, fillX = 60, fillY = 30 + 6;
    ASSERT_TRUE(waitFor([&] { return red(raw(area), ringX, ringY) && red(raw(area), tagX, tagY); }))
        << "the ring and the tag show before";

    MenuModel menu;
    MenuPanelController tray(menu);
    // Drawn just above the area: the panel places itself 10 points under its box.
    const Rect drawn{area.x, area.y - 18, area.width, 8};
    NewWatchPanel panel(SelectedRegion::make(*ScreenSpace::screenFor(box, platform.screens->screens()), drawn),
                        shot(watch.region), NewWatchServices{CloudSettings(defaults, std::nullopt), platform.cloud,
                                                            platform.mainThread});
    RegionSelector selector(*platform.screens, *platform.capturer);
    struct Case {
        const char* name;
        std::function<QWidget*()> open;
        std::function<void()> close;
    };
    const Case cases[] = {
        {"new-watch panel",
         [&] {
             panel.show(false);
             return static_cast<QWidget*>(&panel.window());
         },
         [&] { panel.close(); }},
        {"tray panel",
         [&] {
             tray.show({box.x, box.y - 60, 20, 20}, QGuiApplication::primaryScreen(), false);
             return static_cast<QWidget*>(tray.window());
         },
         [&] { tray.close(); }},
        {"overlay",
         [&]() -> QWidget* {
             selector.begin([](std::optional<SelectedRegion>) {});
             if (!waitFor([&] { return !selector.overlays().empty() && selector.overlays().front()->isVisible(); }))
                 return nullptr;
             pause(300);
             // A drag dims the still picture, so the frame's own red tells itself apart.
             xdotool({"mousemove", "20", "20", "mousedown", "1", "mousemove", "60", "60"});
             return nullptr;
         },
         [&] {
             xdotool({"key", "Escape", "mouseup", "1"});
             selector.cancel();
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        QWidget* ours = c.open();
        if (ours) cover(ours, area);
        ASSERT_TRUE(waitFor([&] { return !red(raw(area), ringX, ringY); })) << c.name << " covers the ring";
        pause(500);  // time for a frame that would come back on top
        Image seen = raw(area);
        EXPECT_FALSE(red(seen, ringX, ringY) || red(seen, tagX, tagY)) << c.name << ": the ring or the tag over it";

        // The frame flashes (and so shows itself again) under it.
        changeUnder(watch, std::string("price ") + (n++ % 2 ? "Price: 249.99 EUR" : "Price: 1.00 USD"));
        cycle();
        cycle();
        ASSERT_FALSE(flashSteps.empty()) << c.name << ": the watch barked and its flash holds a blink";
        pause(300);
        seen = raw(area);
        EXPECT_FALSE(red(seen, ringX, ringY) || red(seen, tagX, tagY)) << c.name << ": shown again over it";
        const auto* fill = &seen.rgba[(std::size_t(fillY) * seen.width + fillX) * 4];
        EXPECT_FALSE(fill[0] > fill[1] + 80) << c.name << ": the flash's fill over it";
        const Image whole = raw(ScreenSpace::displays(platform.screens->screens()).front());
        offscreen::saveSnapshot(QImage(whole.rgba.data(), whole.width, whole.height, QImage::Format_RGBA8888).copy(),
                                QStringLiteral("own_windows"), QString::fromUtf8(c.name).replace(' ', '-'));
        c.close();
        finishFlashes();
        ASSERT_TRUE(waitFor([&] { return red(raw(area), ringX, ringY); }))
            << c.name << ": the ring is back once it closed";
        cycle();  // a quiet check arms the watch's gate again
    }
}

}  // namespace
}  // namespace kestrove::testing
