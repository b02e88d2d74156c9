// The welcome and chat windows under openbox: ordinary windows at the
// normal level that the window manager frames with a title bar, moves by it
// and closes (the welcome window by its close box, the chat window by the
// window manager's Alt+F4), each close running the window's own ending.
// Pictures of the screen are left in <build>/snapshots/windows.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include <xcb/xcb.h>

#include <algorithm>
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
};

struct WindowsUnderOpenbox : ::testing::Test {
    Managed wm;
    QtClock clock;

    // Framed with a title bar, at the normal level, with `title`.
    void expectOrdinary(PanelWindow& window, const QString& title) {
        const auto id = static_cast<xcb_window_t>(window.winId());
        ASSERT_TRUE(waitFor([&] { return wm.extents(id).size() == 4 && wm.extents(id)[2] > 10; }, 5000))
            << "the window manager put a title bar on it";
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
        for (int step = 1; step <= 4; ++step)
            xdotool(QStringList{"mousemove"} + at(grip + QPoint(dx * step / 4, dy * step / 4)));
        xdotool({"mouseup", "1"});
        EXPECT_TRUE(waitFor([&] { return wm.origin(id) == before + QPoint(dx, dy); }, 5000))
            << "at " << wm.origin(id).x() << ", " << wm.origin(id).y() << " from " << before.x() << ", " << before.y();
    }
};

TEST_F(WindowsUnderOpenbox, TheWelcomeWindowMovesByItsTitleBarAndClosesByItsCloseBox) {
    StatedPermissions permissions;
    auto store = std::make_shared<MemoryDefaults>();
    OnboardingController controller({&permissions, &permissions, [] {}}, clock, store);
    controller.show(true, false);
    PanelWindow& window = *controller.window();
    ASSERT_TRUE(waitFor([&] { return window.isVisible(); }));
    expectOrdinary(window, QStringLiteral("Welcome to Kestrove"));
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
    expectOrdinary(window, QStringLiteral("Connect Telegram"));
    screenshot(QStringLiteral("chat-titled"));
    moveByTitleBar(window, 90, -40);

    xdotool({"windowactivate", "--sync", QString::number(window.winId()), "key", "alt+F4"});
    EXPECT_TRUE(waitFor([&] { return controller.window() == nullptr; }, 5000)) << "closed and forgotten";
}

}  // namespace
}  // namespace kestrove
