// The tray panel over a program in front, on the real engine and capture,
// on a bare desktop and under compositors that draw shadows: opening and
// closing it leaves that program active (its title bar, and a watch over
// it, see nothing), while the panel still answers its keys and a click
// elsewhere, and never keeps a screen locker from the keyboard.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include "app/menu/menu_desk.hpp"
#include "app/menu/menu_model.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/menu/menu_view.hpp"
#include "app/menu/qt_status_item.hpp"
#include "app/menu/status_menu_controller.hpp"
#include "app/platform/linux/linux_screen_state.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_window_places.hpp"
#include "app/platform/x11/xcb_pointer_presses.hpp"
#include "engine/compositor_process.hpp"
#include "engine/engine_desktop.hpp"
#include "support/app/logind_bus.hpp"
#include "support/app/fake_menu_services.hpp"
#include "support/app/real_apps.hpp"

namespace kestrove::testing {
namespace {

using desktop::waitFor;

void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0); }
void xset(const char* saver) { ASSERT_EQ(QProcess::execute(QStringLiteral("xset"), {"s", saver}), 0); }

// The test's own connection to the desktop's server.
XcbConnection& x() {
    static XcbConnection connection;
    return connection;
}

std::vector<std::uint32_t> words(xcb_window_t w, const char* name) {
    const auto p = readProperty(x(), requestProperty(x(), w, x().atom(name), 16));
    return p ? p->words() : std::vector<std::uint32_t>{};
}

xcb_window_t activeWindow() {
    const auto w = words(x().root(), "_NET_ACTIVE_WINDOW");
    return w.empty() ? xcb_window_t(XCB_WINDOW_NONE) : w.front();
}

xcb_window_t inputFocus() {
    const auto reply = adopt(xcb_get_input_focus_reply(x().get(), xcb_get_input_focus(x().get()), nullptr));
    return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
}

// Whether a client holds the keyboard: a grab on a connection of our own fails.
bool keyboardGrabbed() {
    XcbConnection c;  // its end lets go of a grab it got
    const auto g = adopt(xcb_grab_keyboard_reply(
        c.get(), xcb_grab_keyboard(c.get(), 0, c.root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    return !g || g->status != XCB_GRAB_STATUS_SUCCESS;
}
bool pointerGrabbed() {
    XcbConnection c;
    const auto g = adopt(xcb_grab_pointer_reply(
        c.get(),
        xcb_grab_pointer(c.get(), 0, c.root(), 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                         XCB_CURRENT_TIME),
        nullptr));
    return !g || g->status != XCB_GRAB_STATUS_SUCCESS;
}

[[maybe_unused]] const auto* const systemBusEnvironment = ::testing::AddGlobalTestEnvironment(new LogindBus);

// The desktop bare or under a compositing manager that draws shadows.
struct Compositor {
    const char* name;
    const char* program;  // none: no compositor
    QStringList args;
};

const Compositor compositors[] = {
    {"bare", nullptr, {}},
    {"xcompmgr", "xcompmgr", {"-c"}},
    // No settings file of the user's; xrender draws on a server without GL.
    {"picom", "picom", {"--config", "/dev/null", "--backend", "xrender", "--shadow", "--no-fading-openclose"}},
};

void PrintTo(const Compositor& c, std::ostream* out) { *out << c.name; }

struct PanelFocus : EngineOnDesktop, ::testing::WithParamInterface<Compositor> {
    CompositorProcess compositor;
    desktop::RealApp xterm{QStringLiteral("xterm"), {"-geometry", "60x8+60+160"}};
    xcb_window_t terminal = XCB_WINDOW_NONE;
    MenuModel model;
    MenuPanelController panel{model};
    int barks = 0;

    void SetUp() override {
        if (GetParam().program) {
            ASSERT_NO_FATAL_FAILURE(compositor.start(QString::fromUtf8(GetParam().program), GetParam().args, desk));
        }
        EngineOnDesktop::SetUp();
        manager->onBark = [this] { ++barks; };
        panel.listenForPresses = XcbPointerPresses::maker();
        QProcess search;
        search.start(QStringLiteral("xdotool"),
                     QStringList{"search", "--sync", "--onlyvisible", "--pid", QString::number(xterm.pid())});
        ASSERT_TRUE(search.waitForFinished(20000));
        terminal = search.readAllStandardOutput().split('\n').front().toUInt();
        ASSERT_NE(terminal, 0u) << "xterm shows";
        xdotool({"windowactivate", "--sync", QString::number(terminal)});
        ASSERT_TRUE(waitFor(
            [&] { return activeWindow() == terminal && !words(terminal, "_NET_FRAME_EXTENTS").empty(); }));
    }

    // The terminal's title bar, inside its edges, in global points.
    Rect titleBar() {
        const auto at = adopt(xcb_translate_coordinates_reply(
            x().get(), xcb_translate_coordinates(x().get(), terminal, x().root(), 0, 0), nullptr));
        const int left = at ? at->dst_x : 0, y = at ? at->dst_y : 0;
        const int top = int(words(terminal, "_NET_FRAME_EXTENTS")[2]);
        return {double(left + 20), double(y - top + 3), 200, double(std::max(top - 6, 4))};
    }
    // Typed keys go to the panel: held by a grab, or given the input focus.
    static bool takesKeys(const MenuPanelController& p) {
        return p.holdsKeyboard() || inputFocus() == p.window()->winId();
    }
    // Opened as the tray's click opens it, at the screen's far side.
    void open() {
        panel.show({1200, 0, 24, 24}, QGuiApplication::primaryScreen(), true);
        ASSERT_TRUE(waitFor([&] { return panel.isVisible() && takesKeys(panel); }));
    }
    void pause(int ms) { waitFor([] { return false; }, ms); }
    // The tray's panel as the application makes it, over `icon`.
    struct Tray {
        fakes::FakeMenuUpdates updates;
        fakes::FakeLaunchAtLogin login;
        TelegramLink telegram;
        StatusMenuController menu;
        Tray(PanelFocus& t, StatusItem& icon)
            : telegram{CloudSettings(t.defaults, std::nullopt), t.platform.cloud, t.platform.mainThread},
              menu({*t.manager, telegram, updates, login, icon, t.clock, t.defaults, {}, {}, {}, [] {},
                    XcbPointerPresses::maker()},
                   nullptr) {}
    };
    // A user's look with the panel open (two checks), Escape, and two checks
    // once it closed; whether the terminal stayed active while it was open.
    bool checkedOpenThenEscaped(const MenuPanelController& shown) {
        pause(100);  // time for a title bar to be drawn again, were it to change
        const bool stayed = activeWindow() == terminal;
        cycle();
        cycle();
        xdotool({"key", "Escape"});
        EXPECT_TRUE(waitFor([&] { return !shown.isVisible(); })) << "Escape closes the panel";
        pause(100);
        cycle();
        cycle();
        return stayed;
    }
};

INSTANTIATE_TEST_SUITE_P(Desktops, PanelFocus, ::testing::ValuesIn(compositors),
                         [](const auto& info) { return std::string(info.param.name); });

// On the bare desktop only: under a compositor the shadow it draws for the
// panel is in a whole-screen box, which is capture's to leave out.
using WholeScreen = PanelFocus;
INSTANTIATE_TEST_SUITE_P(Desktops, WholeScreen, ::testing::Values(compositors[0]),
                         [](const auto& info) { return std::string(info.param.name); });
using Locking = PanelFocus;
INSTANTIATE_TEST_SUITE_P(Desktops, Locking, ::testing::Values(compositors[0]),
                         [](const auto& info) { return std::string(info.param.name); });

// The tester's case: a box over the focused terminal's title bar, the panel
// opened and closed with Escape twenty times, the box checked twice while
// it is open and twice after.
TEST_P(PanelFocus, OpeningAndClosingThePanelLeavesTheTerminalActiveAndItsTitleBarQuiet) {
    const WatchSpec watch =
        spec("w_TITLE1", "anything changes", WatchType::anyChange, WatchMode::everyTime, unbound(titleBar()), 2);
    add(watch);
    cycle();
    ASSERT_EQ(barks, 0) << "the title bar is still before the panel opens";
    int moved = 0;
    for (int i = 0; i < 20; ++i) {
        ASSERT_NO_FATAL_FAILURE(open());
        moved += !checkedOpenThenEscaped(panel);
    }
    EXPECT_EQ(moved, 0) << "cycles in which the panel took the activation";
    EXPECT_EQ(barks, 0) << "barks over the terminal's title bar in 20 cycles";
    EXPECT_EQ(activeWindow(), terminal);
}

// Held without the activation, the panel still takes Tab, Shift+Tab,
// Escape and the hot key, also after its More menu had the keyboard, and
// closes on a click
// elsewhere (in the terminal); the keyboard is the terminal's again after it.
TEST_P(PanelFocus, ThePanelAnswersItsKeysAndAClickElsewhere) {
    // Opened while another program holds the keyboard, it takes it once free.
    {
        XcbConnection other;
        const auto g = adopt(xcb_grab_keyboard_reply(
            other.get(),
            xcb_grab_keyboard(other.get(), 0, other.root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr));
        ASSERT_TRUE(g && g->status == XCB_GRAB_STATUS_SUCCESS);
        panel.show({1200, 0, 24, 24}, QGuiApplication::primaryScreen(), true);
        pause(1500);
        EXPECT_FALSE(panel.holdsKeyboard()) << "the other program keeps it";
    }
    ASSERT_TRUE(waitFor([&] { return panel.holdsKeyboard(); })) << "taken once the other let go";
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitFor([&] { return !panel.isVisible(); })) << "Escape closes it";

    ASSERT_NO_FATAL_FAILURE(open());
    pause(100);
    EXPECT_EQ(activeWindow(), terminal) << "the terminal stays active";
    ASSERT_TRUE(panel.holdsKeyboard()) << "held by a grab, not by the activation";
    QWidget* window = panel.window();
    ASSERT_TRUE(waitFor([&] { return window->focusWidget() == window; })) << "the window itself holds the keys first";
    xdotool({"key", "Tab"});
    ASSERT_TRUE(waitFor([&] { return window->focusWidget() && window->focusWidget() != window; })) << "Tab moves in";
    QWidget* first = window->focusWidget();
    xdotool({"key", "Tab"});
    ASSERT_TRUE(waitFor([&] { return window->focusWidget() != first; })) << "Tab moves on";
    xdotool({"key", "shift+Tab"});
    EXPECT_TRUE(waitFor([&] { return window->focusWidget() == first; })) << "Shift+Tab moves back";
    EXPECT_EQ(activeWindow(), terminal);
    EXPECT_NE(inputFocus(), panel.window()->winId());

    // The More menu takes the keyboard while open and gives it back.
    MenuDesk* desk = panel.view()->desk();
    const QPoint more = desk->more()->mapToGlobal(desk->more()->rect().center());
    xdotool({"mousemove", QString::number(more.x()), QString::number(more.y()), "click", "1"});
    ASSERT_TRUE(waitFor([&] { return desk->moreMenu()->isVisible(); })) << "the More menu opens";
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitFor([&] { return !desk->moreMenu()->isVisible(); })) << "Escape closes the menu";
    EXPECT_TRUE(panel.isVisible()) << "and the menu alone";
    ASSERT_TRUE(waitFor([&] { return panel.holdsKeyboard() && keyboardGrabbed(); }));
    xdotool({"key", "Escape"});
    EXPECT_TRUE(waitFor([&] { return !panel.isVisible(); })) << "the next Escape closes the panel";
    EXPECT_EQ(activeWindow(), terminal);

    // The hot key, which the panel's grab keeps from its own, starts a new watch.
    int newWatches = 0;
    model.onNewWatch = [&] {
        ++newWatches;
        panel.close();
    };
    ASSERT_NO_FATAL_FAILURE(open());
    xdotool({"key", "alt+shift+b"});
    EXPECT_TRUE(waitFor([&] { return newWatches == 1; })) << "Alt+Shift+B while the panel is open";

    // A click in the terminal closes the panel, and with the More menu open
    // the menu too; what is typed next reaches the terminal (the More menu
    // thrice: its own closing and the click's notice race). Last, a click
    // beside the More menu on another program reaches it and makes it active.
    desktop::TestWindow other(QStringList{"--x", "100", "--y", "420"});
    const Rect client = other.where();
    xdotool({"windowactivate", "--sync", QString::number(terminal)});
    const Rect title = titleBar();
    const QPoint inTerminal(int(title.x) + 40, int(title.maxY()) + 40), inOther(int(client.x) + 30, int(client.y) + 40);
    QTemporaryDir typed;
    for (int round = 0; round < 5; ++round) {
        const bool more = round > 0, toOther = round == 4;
        const QPoint target = toOther ? inOther : inTerminal;
        ASSERT_NO_FATAL_FAILURE(open());
        if (more) {
            const QPoint at = desk->more()->mapToGlobal(desk->more()->rect().center());
            xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
            ASSERT_TRUE(waitFor([&] { return desk->moreMenu()->isVisible(); })) << "round " << round;
            // It lets the pointer go a moment after it shows; a person is slower.
            ASSERT_TRUE(waitFor([] { return !pointerGrabbed(); })) << "the menu lets the pointer go, round " << round;
            ASSERT_FALSE(desk->moreMenu()->geometry().contains(target));
        }
        xdotool({"mousemove", QString::number(target.x()), QString::number(target.y()), "click", "1"});
        // (Qt has, rarely, told a panel shown again at 0, 0: only a failure says where.)
        ASSERT_TRUE(waitFor([&] { return !panel.isVisible() && !desk->moreMenu()->isVisible(); }))
            << "a click elsewhere closes the panel and its menu, round " << round << "; the panel at "
            << window->x() << ", " << window->y();
        EXPECT_FALSE(panel.holdsKeyboard());
        EXPECT_TRUE(waitFor([] { return !keyboardGrabbed(); })) << "the keyboard is let go, round " << round;
        if (toOther) {
            EXPECT_EQ(other.command("clicks"), "clicks 1 30 40") << "the click reached the other program";
            EXPECT_TRUE(waitFor([&] { return activeWindow() == other.id(); }));
            break;
        }
        EXPECT_EQ(activeWindow(), terminal);
        const QString file = typed.filePath(QStringLiteral("typed%1").arg(round));
        xdotool({"type", "--delay", "20", QStringLiteral("touch %1\n").arg(file)});
        EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(file); })) << "the terminal took the keys, round " << round;
        pause(500);  // apart enough not to make a double click
    }
}

// An idle locker's start, when the X screen saver turns on or logind tells
// the session to lock, with the panel open (and its More menu): the panel
// and the menu let go by closing, and i3lock takes the keyboard.
TEST_P(Locking, AScreenLockerLocksWhileThePanelIsOpen) {
    FakeLogind& logind = *LogindBus::logind;
    auto& state = dynamic_cast<LinuxScreenState&>(*platform.screenState);
    ASSERT_TRUE(waitFor([&] { return state.followsSession() && state.followsDisplaySleep(); }));
    fakes::FakeStatusItem icon;
    icon.area = QRect(1200, 0, 24, 24);
    Tray tray(*this, icon);
    StatusMenuController& menu = tray.menu;
    struct Trigger {
        const char* name;
        std::function<void(bool)> set;
    };
    const Trigger triggers[] = {
        {"X screen saver", [](bool on) { xset(on ? "activate" : "reset"); }},
        {"logind Lock", [&](bool on) { on ? logind.lock() : logind.unlock(); }},
    };
    for (const Trigger& trigger : triggers) {
        for (const bool more : {false, true}) {
            const std::string scene = std::string(trigger.name) + (more ? ", More open" : "");
            icon.press();
            ASSERT_TRUE(waitFor([&] { return menu.panelVisible() && menu.panel().holdsKeyboard(); })) << scene;
            MenuDesk* desk = menu.panel().view()->desk();
            if (more) {
                const QPoint at = desk->more()->mapToGlobal(desk->more()->rect().center());
                xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
                ASSERT_TRUE(waitFor([&] { return desk->moreMenu()->isVisible(); })) << scene;
            }
            trigger.set(true);
            QProcess locker;
            locker.start(QStringLiteral("i3lock"), {"-n"});
            ASSERT_TRUE(locker.waitForStarted()) << "i3lock is installed";
            // It tries the grabs for about a second, then says so and ends.
            waitFor([&] { return locker.state() == QProcess::NotRunning; }, 3000);
            EXPECT_TRUE(locker.state() == QProcess::Running && keyboardGrabbed())
                << scene << ": " << locker.readAllStandardError().toStdString();
            EXPECT_FALSE(menu.panelVisible()) << scene;
            EXPECT_FALSE(desk->moreMenu()->isVisible()) << scene;
            locker.terminate();
            locker.waitForFinished(3000);
            trigger.set(false);
            ASSERT_TRUE(waitFor([&] { return manager->screensAvailable(); })) << scene;
            pause(500);  // apart enough not to make a double click
        }
    }
    EXPECT_EQ(activeWindow(), terminal);
}

// The whole screen watched every time, the panel opened by a click on the
// icon in a real tray and closed with Escape, ten times.
TEST_P(WholeScreen, SeesNothingOfTheTrayPanelOpeningAndClosing) {
    desktop::RealApp trayer(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "request",
                                                       "--height", "24", "--SetDockType", "true", "--SetPartialStrut",
                                                       "true"});
    ASSERT_NE(trayer.pid(), 0) << "trayer started";
    XcbWindowPlaces places;
    fakes::FakeTrayLook trayLook;
    QtStatusItem icon(places, trayLook);
    ASSERT_TRUE(waitFor([&] { return icon.geometry() && icon.geometry()->right() >= 1200; }, 10000));
    Tray tray(*this, icon);
    StatusMenuController& menu = tray.menu;
    pause(1000);  // the tray settles its icon

    const Rect screen = ScreenSpace::displays(platform.screens->screens()).front();
    add(spec("w_SCREEN", "anything changes", WatchType::anyChange, WatchMode::everyTime, unbound(screen), 2));
    cycle();
    ASSERT_EQ(barks, 0) << "the screen is still before the panel opens";
    QElapsedTimer sinceClick;
    int moved = 0;
    for (int i = 0; i < 10; ++i) {
        // Apart enough not to make a double click.
        if (sinceClick.isValid() && sinceClick.elapsed() < 500) pause(500 - int(sinceClick.elapsed()));
        const QPoint at = icon.geometry()->center();
        xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
        sinceClick.start();
        ASSERT_TRUE(waitFor([&] { return menu.panelVisible() && takesKeys(menu.panel()); })) << "cycle " << i;
        moved += !checkedOpenThenEscaped(menu.panel());
    }
    EXPECT_EQ(moved, 0) << "cycles in which the panel took the activation";
    EXPECT_EQ(barks, 0) << "barks of a whole-screen watch in 10 cycles";
    EXPECT_EQ(activeWindow(), terminal);
}

}  // namespace
}  // namespace kestrove::testing
