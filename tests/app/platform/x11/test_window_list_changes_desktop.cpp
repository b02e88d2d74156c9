// The window list reads the X server in full only when the server tells of a
// change: whatever a user or a program changes shows in the very next list.
#include <gtest/gtest.h>

#include <QProcess>

#include <functional>
#include <ostream>

#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {

void PrintTo(const WindowInfo& w, std::ostream* out) {
    *out << w.id << " " << w.app << " at " << w.frame.x << "," << w.frame.y << " " << w.frame.width << "x"
         << w.frame.height << " layer " << w.layer << " alpha " << w.alpha << (w.isOnScreen ? " shown" : " hidden");
}

namespace {

using desktop::waitFor;

// A reader made afresh reads everything.
std::vector<WindowInfo> freshList() { return XcbWindowList().list(WindowListOptions::all); }

void run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ASSERT_TRUE(p.waitForFinished(5000)) << program.toStdString();
    ASSERT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
}

const WindowInfo* find(const std::vector<WindowInfo>& list, std::uint32_t id) {
    for (const WindowInfo& w : list)
        if (w.id == id) return &w;
    return nullptr;
}

TEST(WindowListChanges, EveryChangeShowsInTheNextList) {
    XcbWindowList kept;
    desktop::TestWindow window;
    const std::uint32_t id = window.id();
    const QString hex = QString::number(id);
    using Windows = std::vector<WindowInfo>;
    const auto shown = [id](bool on) {
        return [id, on](const Windows& l) { return find(l, id) && find(l, id)->isOnScreen == on; };
    };
    struct Change {
        const char* name;
        std::function<void()> make;
        std::function<bool(const Windows&)> done;
    };
    const Change changes[] = {
        {"moved", [&] { window.command("move 220 160"); },
         [&](const Windows& l) { return find(l, id) && find(l, id)->frame == window.where(); }},
        {"resized", [&] { window.command("resize 420 300"); },
         [&](const Windows& l) { return find(l, id) && find(l, id)->frame.width == 420; }},
        {"covered by a new window", [&] { window.cover(); }, [](const Windows& l) { return l.size() == 2; }},
        {"a window kept above", [&] { window.extra("above", {40, 40, 120, 80}); },
         [](const Windows& l) { return l.size() == 3 && l.front().layer == 3 && l.front().isOnScreen; }},
        {"faded",
         [&] {
             run("xprop", {"-id", hex, "-f", "_NET_WM_WINDOW_OPACITY", "32c", "-set", "_NET_WM_WINDOW_OPACITY",
                           "2147483647"});
         },
         [&](const Windows& l) { return find(l, id) && find(l, id)->alpha < 0.6; }},
        {"sent to another desktop", [&] { run("xdotool", {"set_desktop_for_window", hex, "1"}); }, shown(false)},
        {"brought back", [&] { run("xdotool", {"set_desktop_for_window", hex, "0"}); }, shown(true)},
        {"minimised", [&] { window.command("minimize"); }, shown(false)},
        {"restored", [&] { window.command("restore"); }, shown(true)},
        {"closed", [&] { window.close(); }, [&](const Windows& l) { return !find(l, id); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        (void)kept.list(WindowListOptions::all);
        change.make();
        // Done and settled: two fresh readings agree.
        ASSERT_TRUE(waitFor([&] {
            const Windows a = freshList();
            return change.done(a) && a == freshList();
        }));
        const Windows now = kept.list(WindowListOptions::all);
        EXPECT_EQ(now, freshList());
        EXPECT_EQ(kept.list(WindowListOptions::all), now) << "and again from what it kept";
    }
}

}  // namespace
}  // namespace kestrove
