// The welcome and chat windows under openbox: ordinary windows at the
// normal level that the window manager frames with a title bar, moves by it
// and closes (the welcome window by its close box, the chat window when a
// task bar asks the window manager), each close running the window's own ending.
// Pictures of the screen are left in <build>/snapshots/windows.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

#include <xcb/xcb.h>

#include <algorithm>
#include <string>
#include <utility>

#include "app/dev/stated_permissions.hpp"
#include "app/engine/qt_clock.hpp"
#include "app/menu/onboarding_controller.hpp"
#include "app/menu/panel_window.hpp"
#include "app/menu/telegram_connect_controller.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "core/cloud/cloud_session.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0); }

void screenshot(const QString& name) {
    const QString folder = QStringLiteral(KESTROVE_SNAPSHOT_DIR "/windows");
    QDir().mkpath(folder);
    QProcess::execute(QStringLiteral("import"), {"-window", "root", folder + "/" + name + ".png"});
}

// What the window manager says of a client window.
struct Managed {
    XcbConnection x;

    std::vector<std::uint32_t> words(xcb_window_t w, const char* property) {
        const auto p = readProperty(x, requestProperty(x, w, x.atom(property)));
        return p ? p->words() : std::vector<std::uint32_t>{};
    }
    // Left, right, top and bottom of the frame the window manager drew round it.
    std::vector<std::uint32_t> extents(xcb_window_t w) { return words(w, "_NET_FRAME_EXTENTS"); }
    // The client area's top-left corner on the screen, as the X server has it.
    QPoint origin(xcb_window_t w) {
        const auto r = adopt(xcb_translate_coordinates_reply(x.get(), xcb_translate_coordinates(x.get(), w, x.root(), 0, 0),
                                                             nullptr));
        return r ? QPoint(r->dst_x, r->dst_y) : QPoint(-1, -1);
    }
    bool has(xcb_window_t w, const char* property, const char* atom) {
        const auto list = words(w, property);
        return std::find(list.begin(), list.end(), x.atom(atom)) != list.end();
    }
    // Asks the window manager to close `w`, as a task bar's close does: it
    // asks the window to close itself.
    void close(xcb_window_t w) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = x.atom("_NET_CLOSE_WINDOW");
        e.data.data32[0] = XCB_CURRENT_TIME;
        e.data.data32[1] = 2;  // from a pager or task bar
        xcb_send_event(x.get(), 0, x.root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&e));
        xcb_flush(x.get());
    }
    // What a failure message needs to tell the window manager's doing from ours.
    std::string state(xcb_window_t w) {
        std::string s;
        const auto a = adopt(xcb_get_window_attributes_reply(x.get(), xcb_get_window_attributes(x.get(), w), nullptr));
        s += a && a->map_state == XCB_MAP_STATE_VIEWABLE ? "shown" : "not shown";
        const auto tree = adopt(xcb_query_tree_reply(x.get(), xcb_query_tree(x.get(), w), nullptr));
        s += tree && tree->parent == x.root() ? ", not framed" : ", framed";
        s += has(w, "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_MOVE") ? ", movable" : ", not movable";
        const auto p = adopt(xcb_query_pointer_reply(x.get(), xcb_query_pointer(x.get(), x.root()), nullptr));
        if (p) s += ", pointer at " + std::to_string(p->root_x) + ", " + std::to_string(p->root_y);
        s += pointerFree() ? ", pointer free" : ", pointer grabbed";
        return s + (keyboardFree() ? ", keyboard free" : ", keyboard grabbed");
    }
    // No one holds the pointer: a button held, or the window manager moving a
    // window, holds it (a moment's grab of our own tells).
    bool pointerFree() {
        const auto g = adopt(xcb_grab_pointer_reply(
            x.get(), xcb_grab_pointer(x.get(), 0, x.root(), 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                                      XCB_NONE, XCB_CURRENT_TIME),
            nullptr));
        const bool free = g && g->status == XCB_GRAB_STATUS_SUCCESS;
        if (free) xcb_ungrab_pointer(x.get(), XCB_CURRENT_TIME);
        xcb_flush(x.get());
        return free;
    }
    // The same for the keyboard, which the window manager holds while it moves a window.
    bool keyboardFree() {
        const auto g = adopt(xcb_grab_keyboard_reply(
            x.get(),
            xcb_grab_keyboard(x.get(), 0, x.root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr));
        const bool free = g && g->status == XCB_GRAB_STATUS_SUCCESS;
        if (free) xcb_ungrab_keyboard(x.get(), XCB_CURRENT_TIME);
        xcb_flush(x.get());
        return free;
    }
};

struct WindowsUnderOpenbox : ::testing::Test {
    Managed wm;
    QtClock clock;

    // Framed with a title bar, at the normal level, with `title`.
    void expectOrdinary(PanelWindow& window, const QString& title) {
        const auto id = static_cast<xcb_window_t>(window.winId());
        ASSERT_TRUE(waitFor([&] { return wm.extents(id).size() == 4 && wm.extents(id)[2] > 10; }, 15000))
            << "the window manager put a title bar on it; " << wm.state(id);
        EXPECT_TRUE(wm.has(id, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL"));
        EXPECT_FALSE(wm.has(id, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
        EXPECT_FALSE(wm.has(id, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));
        EXPECT_EQ(window.windowTitle(), title);
        // Placed, and painted, before it is pictured or dragged.
        QPoint last = wm.origin(id);
        EXPECT_TRUE(waitFor([&] { return std::exchange(last, wm.origin(id)) == last; }, 3000));
        waitFor([] { return false; }, 500);
    }

    // Drags the title bar by (dx, dy): the window follows.
    void moveByTitleBar(PanelWindow& window, int dx, int dy) {
        const auto id = static_cast<xcb_window_t>(window.winId());
        const int top = static_cast<int>(wm.extents(id)[2]);
        const QPoint before = wm.origin(id);
        const QPoint grip(before.x() + window.width() / 3, before.y() - top / 2);
        auto at = [](QPoint p) { return QStringList{QString::number(p.x()), QString::number(p.y())}; };
        xdotool(QStringList{"mousemove"} + at(grip) + QStringList{"mousedown", "1"});
        // As a hand drags: each step waits for the window to follow. Openbox
        // starts a move at one motion and follows the next ones, and a busy
        // one takes in the motions queued meanwhile as one: while the window
        // has not followed, the pointer moves on (a pixel past, and back).
        for (int step = 1; step <= 4; ++step) {
            const QPoint by(dx * step / 4, dy * step / 4);
            xdotool(QStringList{"mousemove"} + at(grip + by));
            QElapsedTimer sinceMotion;
            sinceMotion.start();
            const bool follows = waitFor(
                [&] {
                    if (wm.origin(id) == before + by) return true;
                    if (sinceMotion.elapsed() < 250) return false;
                    xdotool(QStringList{"mousemove"} + at(grip + by + QPoint(1, 0)));
                    xdotool(QStringList{"mousemove"} + at(grip + by));
                    sinceMotion.restart();
                    return false;
                },
                5000);
            EXPECT_TRUE(follows) << "step " << step << ": at " << wm.origin(id).x() << ", " << wm.origin(id).y()
                                 << " from " << before.x() << ", " << before.y() << "; " << wm.state(id);
            if (!follows) break;
        }
        xdotool({"mouseup", "1"});
        EXPECT_TRUE(waitFor([&] { return wm.origin(id) == before + QPoint(dx, dy); }, 5000))
            << "at " << wm.origin(id).x() << ", " << wm.origin(id).y() << " from " << before.x() << ", " << before.y();
        // Until it has taken in the release, the window manager still moves
        // the window and keeps the keyboard and clicks to itself.
        EXPECT_TRUE(waitFor([&] { return wm.pointerFree() && wm.keyboardFree(); }, 5000)) << "the move did not end";
    }
};

TEST_F(WindowsUnderOpenbox, TheWelcomeWindowMovesByItsTitleBarAndClosesByItsCloseBox) {
    StatedPermissions permissions;
    auto store = std::make_shared<MemoryDefaults>();
    OnboardingController controller({&permissions, &permissions, [] {}}, clock, store);
    controller.show(true, false);
    PanelWindow& window = *controller.window();
    ASSERT_TRUE(waitFor([&] { return window.isVisible(); }));
    ASSERT_NO_FATAL_FAILURE(expectOrdinary(window, QStringLiteral("Welcome to Kestrove")));
    screenshot(QStringLiteral("welcome-titled"));
    moveByTitleBar(window, -120, -40);
    screenshot(QStringLiteral("welcome-moved"));

    // The close box sits at the right end of the title bar.
    const auto id = static_cast<xcb_window_t>(window.winId());
    const auto e = wm.extents(id);
    const QPoint client = wm.origin(id);
    const QPoint closeBox(client.x() + window.width() + int(e[1]) - int(e[2]) / 2, client.y() - int(e[2]) / 2);
    xdotool({"mousemove", QString::number(closeBox.x()), QString::number(closeBox.y()), "click", "1"});
    ASSERT_TRUE(waitFor([&] { return !window.isVisible(); }, 5000));
    EXPECT_TRUE(store->boolean(OnboardingModel::didOnboardKey)) << "closing finishes onboarding, like Done";
    EXPECT_FALSE(controller.refreshing());
}

TEST_F(WindowsUnderOpenbox, TheChatWindowMovesByItsTitleBarAndClosesByTheWindowManager) {
    // No server address: the attempt ends at once, its window stays up.
    TelegramLink link(CloudSettings(std::make_shared<MemoryDefaults>(), std::nullopt), CloudSession::make(),
                      mainThreadExecutor());
    TelegramConnectController controller(link, clock, [](const std::string&) {});
    controller.show();
    ASSERT_NE(controller.window(), nullptr);
    PanelWindow& window = *controller.window();
    ASSERT_TRUE(waitFor([&] { return window.isVisible(); }));
    ASSERT_NO_FATAL_FAILURE(expectOrdinary(window, QStringLiteral("Connect Telegram")));
    screenshot(QStringLiteral("chat-titled"));
    moveByTitleBar(window, 90, -40);

    const auto id = static_cast<xcb_window_t>(window.winId());
    wm.close(id);
    EXPECT_TRUE(waitFor([&] { return controller.window() == nullptr; }, 5000))
        << "closed and forgotten; " << wm.state(id);
}

}  // namespace
}  // namespace kestrove
