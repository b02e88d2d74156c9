// Nothing the platform does blocks the main thread: a timer there keeps
// firing on time while a stopped program is read, while the accessibility
// bus's launcher is stopped so that every look at the bus waits, and while
// the X server is grabbed by another client so that every window-list round
// trip waits.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include <xcb/xcb.h>

#include "app/platform/linux_platform.hpp"
#include "app/platform/qt/main_thread_executor.hpp"
#include "app/platform/queued_window_list.hpp"
#include "app/platform/window_tracker.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::await;
using desktop::waitFor;
using Ms = std::chrono::duration<double, std::milli>;

// Fires every 10 ms on the main thread and keeps how late it came at worst.
class Lateness {
public:
    explicit Lateness(const char* what) : what_(what) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(interval);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = std::chrono::steady_clock::now();
            if (last_) worst_ = std::max(worst_, Ms(now - *last_ - interval).count());
            last_ = now;
        });
        timer_.start();
    }
    ~Lateness() { std::printf("main-thread timer, %s: at worst %.1f ms late\n", what_, worst_); }
    double worstMs() const { return worst_; }

private:
    static constexpr std::chrono::milliseconds interval{10};
    const char* what_;
    QTimer timer_;
    std::optional<std::chrono::steady_clock::time_point> last_;
    double worst_ = 0;
};

// The event loop as the application runs it, for `ms`.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A stopped program that runs again whatever the test's outcome.
struct Stopped {
    pid_t pid;
    explicit Stopped(qint64 p) : pid(static_cast<pid_t>(p)) { EXPECT_EQ(::kill(pid, SIGSTOP), 0); }
    Stopped(const Stopped&) = delete;
    ~Stopped() { ::kill(pid, SIGCONT); }
};

// Another client holding the X server: every other client's requests wait.
struct ServerGrab {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ServerGrab() {
        xcb_grab_server(c);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    ~ServerGrab() { xcb_disconnect(c); }  // lets the server go
};

// The window list on its worker, telling which thread asked it.
struct ThreadsSeen {
    std::mutex mutex;
    std::vector<std::thread::id> listed;
    struct List final : WindowList {
        ThreadsSeen& seen;
        XcbWindowList real;
        explicit List(ThreadsSeen& s) : seen(s) {}
        std::vector<WindowInfo> list(WindowListOptions o) override {
            {
                std::lock_guard lock(seen.mutex);
                seen.listed.push_back(std::this_thread::get_id());
            }
            return real.list(o);
        }
        std::optional<std::string> bundleID(std::uint32_t w) override { return real.bundleID(w); }
    };
};

struct MainThread : ::testing::Test {
    desktop::TestWindow window;
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    const std::thread::id mainThread = std::this_thread::get_id();

    SelectedRegion statusSelection() {
        Rect at = window.where();
        const Rect box{at.x + tw::status.x, at.y + tw::status.y, double(tw::status.w), double(tw::status.h)};
        return SelectedRegion::make(*ScreenSpace::screenFor(box, platform.screens->screens()), box);
    }
};

TEST_F(MainThread, StaysOnTimeWhileAStoppedProgramIsRead) {
    WatchRegion region;
    ASSERT_TRUE(waitFor([&] {
        const auto bound = await<SelectedRegion>(
            [&](auto done) { return platform.windows->bind(statusSelection(), done); });
        region = bound ? bound->region : WatchRegion{};
        return region.window.has_value();
    }));
    const auto opened =
        await<std::shared_ptr<DirectSession>>([&](auto done) { return platform.direct->open(region, done); });
    ASSERT_TRUE(opened && *opened);
    DirectSession& session = **opened;
    ASSERT_TRUE(waitFor([&] {
        const auto a = await<DirectAnswer>([&](auto done) { return session.read(done); });
        return a && a->counts();
    }));

    WindowTracker tracker(*platform.windows, *platform.screens);
    int ticks = 0, timedOut = 0, captures = 0;
    tracker.setOnTick([&](const auto&, const auto&) { ++ticks; });
    Pending reading, capturing, looking;
    std::function<void()> readAgain = [&] {
        reading = session.read([&](DirectAnswer a) {
            timedOut += a.silence() == DirectSilence::timedOut;
            readAgain();
        });
    };
    std::function<void()> captureAgain = [&] {
        capturing = platform.capturer->capture("w_1", region, [&](Captured c) {
            captures += c.ok();
            captureAgain();
        });
    };
    {
        Stopped stopped(window.pid());
        Lateness lateness("reading a stopped program");
        tracker.setRunning(true);
        readAgain();
        captureAgain();
        looking = platform.direct->refreshAllowed([](bool) {});
        runFor(2500);
        tracker.setRunning(false);
        reading = Pending();
        capturing = Pending();
        EXPECT_LT(lateness.worstMs(), 50);
    }
    EXPECT_GE(timedOut, 2);
    EXPECT_GE(ticks, 5);
    EXPECT_GE(captures, 5) << "the window's picture is the server's: a stopped program still shows";
}

TEST_F(MainThread, StaysOnTimeWhileTheAccessibilityBusDoesNotAnswer) {
    ASSERT_EQ(await<bool>([&](auto done) { return platform.direct->refreshAllowed(done); }), true);
    const auto launcher = QDBusConnection::sessionBus().interface()->servicePid(QStringLiteral("org.a11y.Bus"));
    ASSERT_TRUE(launcher.isValid());
    std::optional<bool> looked;
    bool opened = false;
    Pending look, open;
    {
        Stopped stopped(launcher.value());
        Lateness lateness("looking at a stopped accessibility bus");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(platform.direct->allowed()) << "the last look, kept";
        EXPECT_LT(Ms(std::chrono::steady_clock::now() - start).count(), 5);
        look = platform.direct->refreshAllowed([&](bool a) { looked = a; });
        open = platform.direct->open(WatchRegion{}, [&](std::shared_ptr<DirectSession>) { opened = true; });
        runFor(1500);
        EXPECT_LT(lateness.worstMs(), 50);
    }
    // The looks waited out their time-out on the reader's threads.
    EXPECT_EQ(looked, false);
    EXPECT_TRUE(opened);
}

TEST_F(MainThread, StaysOnTimeWhileTheWindowListWaitsForTheServer) {
    ThreadsSeen seen;
    QueuedWindowList windows(
        mainThreadExecutor(), [&] { return std::make_unique<ThreadsSeen::List>(seen); }, *platform.screens);
    WindowTracker tracker(windows, *platform.screens);
    std::vector<std::thread::id> tickedOn;
    tracker.setOnTick([&](const auto&, const auto&) { tickedOn.push_back(std::this_thread::get_id()); });
    tracker.setRunning(true);
    ASSERT_TRUE(waitFor([&] { return tickedOn.size() >= 2; }));

    std::optional<SelectedRegion> bound;
    std::size_t ticksBefore = 0;
    {
        const SelectedRegion selection = statusSelection();
        ServerGrab grab;
        ticksBefore = tickedOn.size();
        Lateness lateness("window list waiting for a grabbed server");
        Pending binding = windows.bind(selection, [&](SelectedRegion r) { bound = r; });
        runFor(1200);
        EXPECT_LT(lateness.worstMs(), 50);
        EXPECT_LE(tickedOn.size(), ticksBefore + 1) << "at most the list already read before the grab";
        EXPECT_FALSE(bound) << "binding waits for the server too";
        binding.cancel();
    }
    ASSERT_TRUE(waitFor([&] { return tickedOn.size() >= ticksBefore + 3; }));
    tracker.setRunning(false);
    for (std::thread::id t : tickedOn) EXPECT_EQ(t, mainThread);
    std::lock_guard lock(seen.mutex);
    ASSERT_FALSE(seen.listed.empty());
    for (std::thread::id t : seen.listed) EXPECT_NE(t, mainThread);
}

}  // namespace
}  // namespace kestrove
