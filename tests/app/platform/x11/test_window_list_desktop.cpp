// The window list, the screens and the binder against a real X server with
// openbox, reading the test window; the list follows every change.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <functional>
#include <ostream>
#include <thread>

#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/platform_boxes.hpp"
#include "test_window/layout.hpp"

namespace kestrove {

void PrintTo(const WindowInfo& w, std::ostream* out) {
    *out << w.id << " " << w.app << " at " << w.frame.x << "," << w.frame.y << " " << w.frame.width << "x"
         << w.frame.height << " layer " << w.layer << " alpha " << w.alpha << (w.isOnScreen ? " shown" : " hidden");
}

namespace {

namespace tw = testwindow;
using desktop::waitFor;

using desktop::listed;
using desktop::placeOf;

std::optional<WindowInfo> showing(XcbWindowList& windows, std::uint32_t id) {
    return listed(windows.list(WindowListOptions::onScreenOnly), id);
}

struct DesktopWindows : ::testing::Test {
    XcbWindowList windows;
    QtScreens screens;
};

TEST_F(DesktopWindows, TestWindowIsListedWithItsClientRectAppPidAndLayerAndTakesABox) {
    ASSERT_TRUE(windows.isConnected());
    desktop::TestWindow window;
    const Rect client = window.where();
    std::optional<WindowInfo> info;
    ASSERT_TRUE(waitFor([&] { return (info = showing(windows, window.id())) && info->frame == client; }))
        << "listed at " << (info ? info->frame.x : -1) << "," << (info ? info->frame.y : -1) << ", expected "
        << client.x << "," << client.y;
    EXPECT_EQ(info->frame.size(), (Size{tw::width, tw::height}));
    EXPECT_EQ(info->app, "KestroveTestWindow");
    EXPECT_EQ(info->ownerPID, window.pid());
    EXPECT_EQ(info->layer, 0);
    EXPECT_DOUBLE_EQ(info->alpha, 1.0);
    EXPECT_TRUE(info->isOnScreen);
    EXPECT_FALSE(info->isOwn);
    EXPECT_FALSE(info->bundleID);
    EXPECT_EQ(windows.bundleID(window.id()), "kestrove_test_window");
    // Decorations are not part of the frame; the window manager's own
    // windows are not listed at all.
    for (const auto& w : windows.list(WindowListOptions::all)) EXPECT_NE(w.app, "Openbox");

    // A box over the status line binds to the window; the bare root next to it takes none.
    const Rect status = desktop::onScreen(client, tw::status);
    EXPECT_EQ(desktop::regionOver(status, screens, &windows).window,
              (WindowAnchor{window.id(), "KestroveTestWindow", "kestrove_test_window", tw::status.x, tw::status.y,
                            tw::width, tw::height, static_cast<std::int32_t>(window.pid())}));
    const Rect screen = ScreenSpace::screenFor(status, screens.screens()).value_or(ScreenInfo{}).frame;
    const Rect bare{screen.maxX() - 150, screen.maxY() - 100, 100, 50};
    ASSERT_FALSE(client.intersects(bare));
    EXPECT_FALSE(desktop::regionOver(bare, screens, &windows).window);

    // Minimised, it leaves the list of windows on screen (the full list's
    // change is the changes test's).
    window.command("minimize");
    EXPECT_TRUE(waitFor([&] { return !showing(windows, window.id()); }));
}

TEST_F(DesktopWindows, ListIsFrontToBackAndMarksOwnWindows) {
    desktop::TestWindow window;
    const std::uint32_t cover = window.cover();
    ASSERT_NE(cover, 0u);
    QWidget own;
    own.setGeometry(700, 400, 200, 100);
    own.show();
    const auto ownID = static_cast<std::uint32_t>(own.winId());
    // Our own override-redirect windows (frames, overlays) are left out: every
    // reader of the list passes over them. Listed twice: once described, once known.
    QWidget overlay(nullptr, Qt::ToolTip);
    overlay.setGeometry(100, 100, 80, 40);
    overlay.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
    std::vector<WindowInfo> list;
    ASSERT_TRUE(waitFor([&] {
        list = windows.list(WindowListOptions::onScreenOnly);
        return listed(list, ownID) && listed(list, cover) && listed(list, window.id());
    }));
    const auto ownOverlay = [](const WindowInfo& w) { return w.isOwn && w.layer == WindowLayer::overrideRedirect; };
    EXPECT_FALSE(std::ranges::any_of(list, ownOverlay));
    EXPECT_FALSE(std::ranges::any_of(windows.list(WindowListOptions::all), ownOverlay));
    EXPECT_LT(placeOf(list, cover), placeOf(list, window.id()));
    EXPECT_TRUE(listed(list, ownID)->isOwn);
    EXPECT_EQ(listed(list, ownID)->ownerPID, QCoreApplication::applicationPid());
    EXPECT_FALSE(listed(list, cover)->isOwn);
    window.command("raise");
    ASSERT_TRUE(waitFor([&] {
        list = windows.list(WindowListOptions::onScreenOnly);
        return placeOf(list, window.id()) < placeOf(list, cover);
    }));
}

TEST_F(DesktopWindows, LayersAndOpacityFollowTheWindowsKind) {
    desktop::TestWindow window;
    struct Case {
        const char* kind;
        int layer;
        double alpha;
    } cases[] = {
        {"above", WindowLayer::above, 1},
        {"dock", WindowLayer::dock, 1},
        {"desktop", WindowLayer::desktop, 1},
        {"popup", WindowLayer::overrideRedirect, 1},
        {"faded", WindowLayer::normal, 0.5},
    };
    for (const auto& c : cases) {
        const std::uint32_t id = window.extra(c.kind, {700, 500, 120, 80});
        ASSERT_NE(id, 0u) << c.kind;
        std::optional<WindowInfo> info;
        ASSERT_TRUE(waitFor([&] { return (info = showing(windows, id)).has_value(); })) << c.kind;
        EXPECT_EQ(info->layer, c.layer) << c.kind;
        EXPECT_NEAR(info->alpha, c.alpha, 0.001) << c.kind;
        EXPECT_EQ(info->ownerPID, window.pid()) << c.kind;
    }
}

TEST_F(DesktopWindows, ScreensCarryTheirOutputNameHash) {
    const auto list = screens.screens();
    ASSERT_FALSE(list.empty());
    for (const auto& s : list) {
        EXPECT_EQ(s.displayID, ScreenSpace::displayID(s.name));
        EXPECT_GT(s.frame.width, 0);
        EXPECT_TRUE(s.frame.contains(s.visibleFrame));
        EXPECT_GE(s.scale, 1.0);
    }
    // A capture worker reads the same list.
    std::vector<ScreenInfo> fromWorker;
    std::thread([&] { fromWorker = screens.screens(); }).join();
    EXPECT_EQ(fromWorker, list);
}

// What two lists tell alike: each counts lives its own way.
std::vector<WindowInfo> withoutLives(std::vector<WindowInfo> windows) {
    for (WindowInfo& w : windows) w.life = {};
    return windows;
}

// A reader made afresh reads everything.
std::vector<WindowInfo> freshList() { return withoutLives(XcbWindowList().list(WindowListOptions::all)); }

void run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ASSERT_TRUE(p.waitForFinished(5000)) << program.toStdString();
    ASSERT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
}

// The list is read in full only when the server tells of a change: whatever a
// user or a program changes shows in the very next list, also in a list that
// does not ask the server (only the notices that have come tell it). A list
// that hears its changes tells each one by itself, and nothing else.
enum class Kept { asked, come, heard };

struct WindowListChanges : ::testing::TestWithParam<Kept> {};

INSTANTIATE_TEST_SUITE_P(Notices, WindowListChanges, ::testing::Values(Kept::asked, Kept::come, Kept::heard),
                         [](const auto& info) {
                             return std::string(info.param == Kept::asked ? "Asked"
                                                : info.param == Kept::come ? "Come"
                                                                           : "Heard");
                         });

TEST_P(WindowListChanges, EveryChangeShowsInTheNextList) {
    XcbWindowList kept(1, GetParam() == Kept::come ? XcbWindowList::Notices::come : XcbWindowList::Notices::asked);
    std::atomic<int> told = 0;
    if (GetParam() == Kept::heard) {
        ASSERT_TRUE(kept.hearChanges([&] { ++told; }));
    }
    desktop::TestWindow window;
    const std::uint32_t id = window.id();
    const QString hex = QString::number(id);
    using Windows = std::vector<WindowInfo>;
    const auto shown = [id](bool on) {
        return [id, on](const Windows& l) { return listed(l, id) && listed(l, id)->isOnScreen == on; };
    };
    struct Change {
        const char* name;
        std::function<void()> make;
        std::function<bool(const Windows&)> done;
    };
    const Change changes[] = {
        {"moved", [&] { window.command("move 220 160"); },
         [&](const Windows& l) { return listed(l, id) && listed(l, id)->frame == window.where(); }},
        {"resized", [&] { window.command("resize 420 300"); },
         [&](const Windows& l) { return listed(l, id) && listed(l, id)->frame.width == 420; }},
        {"covered by a new window", [&] { window.cover(); }, [](const Windows& l) { return l.size() == 2; }},
        {"a window kept above", [&] { window.extra("above", {40, 40, 120, 80}); },
         [](const Windows& l) { return l.size() == 3 && l.front().layer == 3 && l.front().isOnScreen; }},
        {"faded",
         [&] {
             run("xprop", {"-id", hex, "-f", "_NET_WM_WINDOW_OPACITY", "32c", "-set", "_NET_WM_WINDOW_OPACITY",
                           "2147483647"});
         },
         [&](const Windows& l) { return listed(l, id) && listed(l, id)->alpha < 0.6; }},
        {"sent to another desktop", [&] { run("xdotool", {"set_desktop_for_window", hex, "1"}); }, shown(false)},
        {"brought back", [&] { run("xdotool", {"set_desktop_for_window", hex, "0"}); }, shown(true)},
        {"minimised", [&] { window.command("minimize"); }, shown(false)},
        // Restored as a task bar asks the window manager to: the test window's
        // own showNormal() does nothing when Qt has not yet heard it was
        // minimised, and the window stayed down (seen on a quiet machine too).
        {"restored", [&] { run("xdotool", {"windowactivate", hex}); }, shown(true)},
        {"closed", [&] { window.close(); }, [&](const Windows& l) { return !listed(l, id); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        (void)kept.list(WindowListOptions::all);
        const int toldBefore = told;
        change.make();
        if (GetParam() == Kept::heard) {
            EXPECT_TRUE(waitFor([&] { return told > toldBefore; })) << "not told";
        }
        // Done and settled: two fresh readings agree.
        ASSERT_TRUE(waitFor([&] {
            const Windows a = freshList();
            return change.done(a) && a == freshList();
        }));
        // The kept list, asked twice, between two fresh readings that agree
        // (the window manager may still be placing the window: then again).
        bool compared = false;
        for (int round = 0; round < 20 && !compared; ++round) {
            const Windows before = freshList();
            const Windows first = withoutLives(kept.list(WindowListOptions::all)),
                          second = withoutLives(kept.list(WindowListOptions::all));
            if (before != freshList()) continue;
            EXPECT_EQ(first, before);
            EXPECT_EQ(second, before) << "and again from what it kept";
            compared = true;
        }
        EXPECT_TRUE(compared) << "the desktop never held still";
    }
    if (GetParam() != Kept::heard) return;
    // Nothing changes: the list's own readings and the time passing tell nothing.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    (void)kept.list(WindowListOptions::all);
    const int quiet = told;
    for (int i = 0; i < 5; ++i) (void)kept.list(WindowListOptions::all);
    (void)kept.bundleID(id);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(told, quiet) << "told of changes nobody made";
}

// X11 hands a destroyed window's id to the next window made; a program can
// even make its next window under the same id itself. The list tells them
// apart by the destroy notice in between, however soon the id comes back,
// while a window hidden and shown again stays the window it was.
TEST_P(WindowListChanges, AWindowMadeAgainUnderAnIdIsListedInANewLife) {
    XcbWindowList kept(1, GetParam() == Kept::come ? XcbWindowList::Notices::come : XcbWindowList::Notices::asked);
    if (GetParam() == Kept::heard) {
        ASSERT_TRUE(kept.hearChanges([] {}));
    }
    XcbConnection x;
    ASSERT_TRUE(x.ok());
    const xcb_window_t id = xcb_generate_id(x.get());
    // Its class tells the windows made under the id apart.
    const auto make = [&](std::string_view app) {
        const std::uint32_t white = x.screen()->white_pixel;
        xcb_create_window(x.get(), XCB_COPY_FROM_PARENT, id, x.root(), 300, 200, 240, 160, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, &white);
        const std::string wmClass = std::string(app) + '\0' + std::string(app) + '\0';
        xcb_change_property(x.get(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
        xcb_map_window(x.get(), id);
        xcb_flush(x.get());
    };
    const auto life = [&](std::string_view app) {
        std::optional<WindowLife> seen;
        EXPECT_TRUE(waitFor([&] {
            const auto w = listed(kept.list(WindowListOptions::all), id);
            if (w && w->isOnScreen && w->app == app) seen = w->life;
            return seen.has_value();
        })) << "never listed on screen as " << app;
        return seen.value_or(WindowLife{});
    };
    make("First");
    const WindowLife first = life("First");
    EXPECT_TRUE(first.counted());
    // Hidden and shown again: the same window.
    xcb_unmap_window(x.get(), id);
    xcb_flush(x.get());
    ASSERT_TRUE(waitFor([&] {
        const auto w = listed(freshList(), id);
        return !w || !w->isOnScreen;
    }));
    xcb_map_window(x.get(), id);
    xcb_flush(x.get());
    EXPECT_EQ(life("First"), first);
    // Destroyed and made again under its id before the list looks.
    xcb_destroy_window(x.get(), id);
    make("Second");
    const WindowLife second = life("Second");
    EXPECT_EQ(second.list, first.list);
    EXPECT_NE(second.serial, first.serial);
    EXPECT_TRUE(second.counted());
    xcb_destroy_window(x.get(), id);
    xcb_flush(x.get());
}

}  // namespace
}  // namespace kestrove
