// The real platform as the factory makes it: every service answers through
// the main thread (cancelling is the services' own tests), every thread it
// started ends with it, and nothing blocks the main thread: a timer there
// stays on time while a stopped program is read, while the accessibility
// bus's launcher is stopped, and while another client grabs the X server.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QTimer>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "app/platform/linux_platform.hpp"
#include "app/platform/qt/main_thread_executor.hpp"
#include "app/platform/window_tracker.hpp"
#include "core/reading/text_match.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/platform_boxes.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::await;
using desktop::waitFor;

struct LinuxPlatform : ::testing::Test {
    const bool allowed = desktop::allowReadingWindows();
    desktop::TestWindow window;
    Platform platform = makeLinuxPlatform(mainThreadExecutor());

    // The status box drawn over the test window, once the list shows it there.
    std::optional<SelectedRegion> statusSelection() {
        std::optional<WindowInfo> info;
        waitFor([&] {
            const auto listed = await<ListedWindows>(
                [&](auto done) { return platform.windows->list("test", WindowListOptions::onScreenOnly, done); });
            return listed && listed->ok() && (info = desktop::listed(listed->value(), window.id())).has_value();
        });
        if (!info) return std::nullopt;
        return desktop::select(desktop::onScreen(info->frame, tw::status), *platform.screens);
    }

    // The status box, bound to the test window.
    WatchRegion boundStatusBox() {
        const auto selection = statusSelection();
        if (!selection) return {};
        const auto bound = await<SelectedRegion>([&](auto done) { return platform.windows->bind(*selection, done); });
        return bound ? bound->region : WatchRegion{};
    }
};

TEST_F(LinuxPlatform, EveryServiceAnswersOnTheMainThread) {
    const auto mainThread = std::this_thread::get_id();
    bool elsewhere = false;
    // Hands an answer on, noting whether it came on another thread.
    auto onMain = [&](auto done) {
        return [&, done](auto answer) {
            elsewhere |= std::this_thread::get_id() != mainThread;
            done(std::move(answer));
        };
    };

    EXPECT_EQ(await<bool>([&](auto done) { return platform.capturer->refreshAllowed(onMain(done)); }), true);
    EXPECT_EQ(await<bool>([&](auto done) { return platform.direct->refreshAllowed(onMain(done)); }), true);
    EXPECT_TRUE(platform.capturer->allowed() && platform.direct->allowed());
    // The desktop's bus can start dunst.
    EXPECT_EQ(await<NotificationStatus>([&](auto done) { return platform.notifier->status(onMain(done)); }),
              NotificationStatus::allowed);

    const WatchRegion region = boundStatusBox();
    ASSERT_TRUE(region.window);
    EXPECT_EQ(region.window->id, window.id());
    ASSERT_TRUE(waitFor([&] {
        const auto shot =
            await<Captured>([&](auto done) { return platform.capturer->capture("w_1", region, onMain(done)); });
        if (!shot || !shot->ok()) return false;
        EXPECT_EQ(shot->value().width, tw::status.w);
        const auto lines = await<std::vector<OCRLine>>(
            [&](auto done) { return platform.recognizer->recognize("w_1", shot->value(), false, onMain(done)); });
        return lines && lines->size() == 1 &&
               TextMatch::normalize(lines->front().text) == TextMatch::normalize(tw::initialStatus);
    }, 10000));

    const auto session =
        await<std::shared_ptr<DirectSession>>([&](auto done) { return platform.direct->open(region, onMain(done)); });
    ASSERT_TRUE(session && *session);
    EXPECT_TRUE(waitFor([&] {
        const auto a = await<DirectAnswer>([&](auto done) { return (*session)->read(onMain(done)); });
        return a && a->lines() && a->lines()->size() == 1 && a->lines()->front().text == tw::initialStatus;
    }));
    EXPECT_FALSE(elsewhere);
}

std::size_t threadsOfThisProcess() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

TEST_F(LinuxPlatform, EveryThreadItStartedEndsWithIt) {
    // The fixture's platform has started Qt's own threads (D-Bus, X events) already.
    ASSERT_EQ(await<bool>([&](auto done) { return platform.direct->refreshAllowed(done); }), true);
    const std::size_t before = threadsOfThisProcess();
    std::shared_ptr<CloudSession> stillHeld;
    {
        Platform second = makeLinuxPlatform(mainThreadExecutor());
        stillHeld = second.cloud;  // as a server client would
        const WatchRegion region = boundStatusBox();
        EXPECT_TRUE(await<Captured>([&](auto done) { return second.capturer->capture("w_1", region, done); }));
        EXPECT_TRUE(await<std::vector<OCRLine>>(
            [&](auto done) { return second.recognizer->recognize("w_1", Image(40, 20), false, done); }));
        EXPECT_TRUE(await<std::shared_ptr<DirectSession>>([&](auto done) { return second.direct->open(region, done); }));
        EXPECT_GT(threadsOfThisProcess(), before);
    }
    EXPECT_EQ(threadsOfThisProcess(), before);
}

// Fires every 10 ms on the main thread and keeps how late it came at worst.
struct Lateness {
    const char* what;
    QTimer timer;
    std::optional<std::chrono::steady_clock::time_point> last;
    double worstMs = 0;
    explicit Lateness(const char* w) : what(w) {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const auto now = std::chrono::steady_clock::now();
            if (last) worstMs = std::max(worstMs, std::chrono::duration<double, std::milli>(now - *last).count() - 10);
            last = now;
        });
        timer.start(10);
    }
    ~Lateness() { std::printf("main-thread timer, %s: at worst %.1f ms late\n", what, worstMs); }
};

// The event loop as the application runs it.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A stopped process that runs again whatever the test's outcome.
struct Stopped {
    pid_t pid;
    explicit Stopped(qint64 p) : pid(static_cast<pid_t>(p)) { EXPECT_EQ(::kill(pid, SIGSTOP), 0); }
    ~Stopped() { ::kill(pid, SIGCONT); }
};

TEST_F(LinuxPlatform, TheMainThreadStaysOnTimeWhileAStoppedProgramIsRead) {
    const WatchRegion region = boundStatusBox();
    const auto session = await<std::shared_ptr<DirectSession>>([&](auto done) { return platform.direct->open(region, done); });
    ASSERT_TRUE(session && *session);
    ASSERT_TRUE(waitFor([&] {
        const auto a = await<DirectAnswer>([&](auto done) { return (*session)->read(done); });
        return a && a->counts();
    }));
    WindowTracker tracker(*platform.windows, *platform.screens);
    int ticks = 0, timedOut = 0;
    tracker.setOnTick([&](const auto&, const auto&) { ++ticks; });
    Pending reading;
    std::function<void()> readAgain = [&] {
        reading = (*session)->read([&](DirectAnswer a) {
            timedOut += a.silence() == DirectSilence::timedOut;
            readAgain();
        });
    };
    {
        Stopped stopped(window.pid());
        Lateness lateness("reading a stopped program");
        tracker.setRunning(true);
        readAgain();
        runFor(2500);
        tracker.setRunning(false);
        reading.cancel();
        EXPECT_LT(lateness.worstMs, 50);
    }
    EXPECT_GE(timedOut, 2);
    EXPECT_GE(ticks, 5);
}

TEST_F(LinuxPlatform, TheMainThreadStaysOnTimeWhileTheAccessibilityBusDoesNotAnswer) {
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
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5));
        look = platform.direct->refreshAllowed([&](bool a) { looked = a; });
        open = platform.direct->open(WatchRegion{}, [&](std::shared_ptr<DirectSession>) { opened = true; });
        runFor(1500);
        EXPECT_LT(lateness.worstMs, 50);
    }
    // Both looks waited out their time-out on the reader's threads.
    EXPECT_EQ(looked, false);
    EXPECT_TRUE(opened);
}

TEST_F(LinuxPlatform, TheMainThreadOnlyReceivesTheWindowListWhileTheServerIsGrabbed) {
    const auto mainThread = std::this_thread::get_id();
    const auto selection = statusSelection();
    ASSERT_TRUE(selection);
    WindowTracker tracker(*platform.windows, *platform.screens);
    std::vector<std::thread::id> tickedOn;
    tracker.setOnTick([&](const auto&, const auto&) { tickedOn.push_back(std::this_thread::get_id()); });
    tracker.setRunning(true);
    ASSERT_TRUE(waitFor([&] { return tickedOn.size() >= 2; }));
    std::size_t before = 0;
    std::optional<SelectedRegion> bound;
    Pending binding;
    {
        // Another client holds the server: every other client's requests wait.
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        xcb_grab_server(c);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        before = tickedOn.size();
        Lateness lateness("window list and binding waiting for a grabbed server");
        binding = platform.windows->bind(*selection, [&](SelectedRegion r) { bound = r; });
        runFor(1200);
        EXPECT_LT(lateness.worstMs, 50);
        EXPECT_LE(tickedOn.size(), before + 1) << "at most a list read before the grab";
        EXPECT_FALSE(bound) << "binding waits for the server too";
        xcb_disconnect(c);
    }
    EXPECT_TRUE(waitFor([&] { return tickedOn.size() >= before + 3 && bound; }));
    tracker.setRunning(false);
    ASSERT_TRUE(bound && bound->region.window);
    EXPECT_EQ(bound->region.window->id, window.id());
    for (std::thread::id t : tickedOn) EXPECT_EQ(t, mainThread);
}

}  // namespace
}  // namespace kestrove
