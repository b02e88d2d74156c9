// The real platform as the factory makes it, on the test window over the
// real display and accessibility bus: every service answers through the main
// thread (cancelling is the services' own tests); the picture (from the
// display and through the window) and the direct reading agree on its boxes;
// nothing is cached; a stopped window times out and a killed one is gone;
// direct reading waits for the user's leave; every thread the platform
// started ends with it; and nothing blocks the main thread: a timer there
// stays on time while a stopped program is read, while the accessibility
// bus's launcher is stopped, and while another client grabs the X server.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QTimer>

#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/platform/atspi/accessibility_status.hpp"
#include "app/platform/proc/direct_access.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/direct/queued_direct_reader.hpp"
#include "app/platform/window_tracker.hpp"
#include "core/reading/text_match.hpp"
#include "core/windows/direct_agreement.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/platform_boxes.hpp"
#include "support/app/real_apps.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::await;
using desktop::waitFor;

bool reads(const std::vector<OCRLine>& lines, const std::string& text) {
    return lines.size() == 1 && TextMatch::normalize(lines[0].text) == TextMatch::normalize(text);
}

struct LinuxPlatform : ::testing::Test {
    const bool allowed = desktop::allowReadingWindows();
    desktop::TestWindow window;
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    const std::thread::id mainThread = std::this_thread::get_id();
    bool elsewhere = false;  // an answer came on another thread

    // Hands an answer on, noting whether it came on another thread.
    auto onMain(auto done) {
        return [this, done](auto answer) {
            elsewhere |= std::this_thread::get_id() != mainThread;
            done(std::move(answer));
        };
    }

    // A box of the test window as a user selects it, once the list shows the window.
    std::optional<SelectedRegion> selection(const tw::Box& b) {
        std::optional<WindowInfo> info;
        waitFor([&] {
            const auto listed = await<ListedWindows>(
                [&](auto done) { return platform.windows->list("test", WindowListOptions::onScreenOnly, done); });
            return listed && listed->ok() && (info = desktop::listed(listed->value(), window.id())).has_value();
        });
        if (!info) return std::nullopt;
        return desktop::select(desktop::onScreen(info->frame, b), *platform.screens);
    }
    // The same, bound to the test window (or not).
    WatchRegion over(const tw::Box& b, bool bound = true) {
        const auto selected = selection(b);
        if (!selected || !bound) return selected ? selected->region : WatchRegion{};
        const auto bind = await<SelectedRegion>([&](auto done) { return platform.windows->bind(*selected, done); });
        return bind ? bind->region : WatchRegion{};
    }
    // The box's picture once it reads `text` (the window may still be painting).
    std::vector<OCRLine> picture(const WatchRegion& r, const std::string& text, bool languageCorrection = false) {
        std::vector<OCRLine> lines;
        waitFor([&] {
            const auto shot =
                await<CapturedBox>([&](auto done) { return platform.capturer->capture("w_1", r, onMain(done)); });
            if (!shot || !shot->ok()) return false;
            const auto read = await<std::vector<OCRLine>>([&](auto done) {
                return platform.recognizer->recognize("w_1", std::make_shared<const Image>(shot->value().image),
                                                  languageCorrection, onMain(done));
            });
            return reads(lines = read.value_or(std::vector<OCRLine>{}), text);
        }, 10000);
        return lines;
    }
    DirectAnswer read(DirectSession& s) {
        const auto a = await<DirectAnswer>([&](auto done) { return s.read(onMain(done)); });
        return a.value_or(DirectAnswer::noAnswer(DirectSilence::failed));
    }
    // A session over the box, once the window has joined the bus.
    std::shared_ptr<DirectSession> open(const WatchRegion& r, DirectReader* through = nullptr) {
        DirectReader& reader = through ? *through : *platform.direct;
        const auto s = await<std::shared_ptr<DirectSession>>([&](auto done) { return reader.open(r, onMain(done)); });
        if (!s || !*s) return nullptr;
        waitFor([&] {
            const DirectAnswer a = read(**s);
            return a.lines() && !a.lines()->empty();
        });
        return *s;
    }
};

TEST_F(LinuxPlatform, EveryServiceAnswersOnTheMainThreadAndBothReadersAgree) {
    EXPECT_EQ(await<bool>([&](auto done) { return platform.capturer->refreshAllowed(onMain(done)); }), true);
    EXPECT_EQ(await<bool>([&](auto done) { return platform.direct->refreshAllowed(onMain(done)); }), true);
    EXPECT_TRUE(platform.capturer->allowed() && platform.direct->allowed());
    // The desktop's bus can start dunst.
    EXPECT_EQ(await<NotificationStatus>([&](auto done) { return platform.notifier->status(onMain(done)); }),
              NotificationStatus::allowed);

    // Both pictures and the direct lines of a box, checked on the way.
    auto readBoth = [&](const tw::Box& box, const std::string& text) {
        SCOPED_TRACE(text);
        const WatchRegion bound = over(box);
        EXPECT_EQ(bound.window ? bound.window->id : 0, window.id());
        const auto fromDisplay = picture(over(box, false), text), throughWindow = picture(bound, text);
        for (const auto& lines : {fromDisplay, throughWindow}) {
            EXPECT_TRUE(reads(lines, text));
            EXPECT_TRUE(desktop::insideTheBox(lines));
            for (const OCRLine& l : lines) {
                EXPECT_GT(l.confidence, 0.5);
                EXPECT_LE(l.confidence, 1.0);
                // The label draws from its left edge, vertically centred.
                EXPECT_LT(l.box.x, 0.05);
                EXPECT_NEAR(l.box.y + l.box.h / 2, 0.5, 0.15);
            }
        }
        const auto session = open(bound);
        EXPECT_NE(session, nullptr);
        const DirectAnswer answer = session ? read(*session) : DirectAnswer::noAnswer(DirectSilence::failed);
        const std::vector<OCRLine> direct = answer.lines() ? *answer.lines() : std::vector<OCRLine>{};
        EXPECT_EQ(desktop::texts(direct), std::vector<std::string>{text});
        return std::tuple{bound, throughWindow, direct, session};
    };

    WatchSpec gone;
    gone.type = WatchType::textGone;
    gone.target.text = "Exporting";
    std::vector<OCRLine> statusPicture, statusDirect;
    std::shared_ptr<DirectSession> session;
    std::tie(gone.region, statusPicture, statusDirect, session) = readBoth(tw::status, tw::initialStatus);
    ASSERT_TRUE(gone.region.window && session);
    EXPECT_EQ(DirectAgreement::check(gone, statusPicture, statusDirect), DirectAgreement::agrees);
    EXPECT_EQ(DirectAgreement::adopt(gone, statusPicture, statusDirect, session->onScreenOnly()).direct,
              DirectInfo{false});
    // The window's program is surely not Chromium, as /proc tells.
    const auto verdict = DirectAccess::chromium(static_cast<std::int32_t>(window.pid()));
    EXPECT_FALSE(verdict.isChromium);
    EXPECT_EQ(verdict.confidence, ChromiumDetection::Confidence::sure) << verdict.why;
    EXPECT_EQ(session->chromium(), verdict);
    EXPECT_FALSE(session->onScreenOnly());

    WatchSpec price;
    price.type = WatchType::numberCompare;
    price.comparator = Comparison::lt;
    price.value = 200;
    price.target.unit = ValueUnit::eur;
    std::vector<OCRLine> pricePicture, priceDirect;
    std::tie(price.region, pricePicture, priceDirect, std::ignore) = readBoth(tw::price, tw::initialPrice);
    EXPECT_EQ(DirectAgreement::check(price, pricePicture, priceDirect), DirectAgreement::agrees);
    // Readings of different boxes do not agree.
    EXPECT_FALSE(DirectAgreement::check(gone, statusPicture, priceDirect).agrees());
    EXPECT_FALSE(elsewhere);
}

TEST_F(LinuxPlatform, AChangeShowsOnTheNextReadOfEither) {
    const WatchRegion region = over(tw::status);
    auto session = open(region);
    ASSERT_NE(session, nullptr);
    // Read twice before: the session then goes on from what it found.
    for (int i = 0; i < 2; ++i) {
        const DirectAnswer before = read(*session);
        ASSERT_TRUE(before.lines());
        ASSERT_EQ(desktop::texts(*before.lines()), std::vector<std::string>{tw::initialStatus});
    }
    window.command("status Status: Done 100%");
    const DirectAnswer after = read(*session);
    ASSERT_TRUE(after.lines());
    EXPECT_EQ(desktop::texts(*after.lines()), std::vector<std::string>{"Status: Done 100%"});
    EXPECT_TRUE(reads(picture(region, "Status: Done 100%", true), "Status: Done 100%"));
}

TEST_F(LinuxPlatform, AStoppedWindowTimesOutAndAKilledOneIsGone) {
    const WatchRegion region = over(tw::status);
    auto session = open(region);
    ASSERT_NE(session, nullptr);
    // A read limit shorter than one call's time-out cuts the call short.
    QueuedDirectReader quickReader{mainThreadExecutor(), linuxDirectPlatforms(1),
                                   std::chrono::milliseconds(400)};
    auto quick = open(region, &quickReader);
    ASSERT_NE(quick, nullptr);
    const auto pid = static_cast<pid_t>(window.pid());

    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    auto timed = [&](DirectSession& s) {
        const auto start = std::chrono::steady_clock::now();
        const DirectAnswer answer = read(s);
        return std::pair{answer, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
    };
    const auto [stopped, seconds] = timed(*session);
    const auto [cut, cutSeconds] = timed(*quick);
    ::kill(pid, SIGCONT);
    EXPECT_EQ(stopped.silence(), DirectSilence::timedOut);
    EXPECT_GE(seconds, 0.9);
    EXPECT_LE(seconds, 1.5);
    EXPECT_EQ(cut.silence(), DirectSilence::timedOut);
    EXPECT_GE(cutSeconds, 0.35);
    EXPECT_LE(cutSeconds, 0.8);

    // Answers again once it runs.
    EXPECT_TRUE(waitFor([&] { return read(*session).counts(); }));

    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    EXPECT_TRUE(waitFor([&] { return ::kill(pid, 0) != 0; }));
    EXPECT_EQ(read(*session).silence(), DirectSilence::windowGone);
}

TEST_F(LinuxPlatform, DirectReadingOnlyWhileTheUserAllowsIt) {
    const WatchRegion region = over(tw::status);
    auto session = open(region);
    ASSERT_NE(session, nullptr);
    ASSERT_TRUE(AccessibilityStatus::setEnabled(false));
    EXPECT_EQ(read(*session).silence(), DirectSilence::notPermitted);
    EXPECT_EQ(open(region), nullptr);
    EXPECT_FALSE(platform.direct->allowed());
    ASSERT_TRUE(AccessibilityStatus::setEnabled(true));
    EXPECT_TRUE(read(*session).counts());
    EXPECT_TRUE(platform.direct->allowed());
}

std::size_t threadsOfThisProcess() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

TEST_F(LinuxPlatform, EveryThreadItStartedEndsWithIt) {
    // The fixture's platform has started Qt's own threads (D-Bus, X events)
    // already; its window list (which hears the server on a thread of its
    // own) is started by binding the box.
    ASSERT_EQ(await<bool>([&](auto done) { return platform.direct->refreshAllowed(done); }), true);
    const WatchRegion region = over(tw::status);
    const std::size_t before = threadsOfThisProcess();
    std::shared_ptr<CloudSession> stillHeld;
    {
        Platform second = makeLinuxPlatform(mainThreadExecutor());
        stillHeld = second.cloud;  // as a server client would
        EXPECT_TRUE(await<CapturedBox>([&](auto done) { return second.capturer->capture("w_1", region, done); }));
        EXPECT_TRUE(await<ListedWindows>(
            [&](auto done) { return second.windows->list("test", WindowListOptions::all, done); }));
        EXPECT_TRUE(await<std::vector<OCRLine>>(
            [&](auto done) { return second.recognizer->recognize("w_1", std::make_shared<const Image>(40, 20), false, done); }));
        EXPECT_TRUE(await<std::shared_ptr<DirectSession>>([&](auto done) { return second.direct->open(region, done); }));
        EXPECT_GT(threadsOfThisProcess(), before);
    }
    EXPECT_EQ(threadsOfThisProcess(), before);
}

// How long the calling thread has waited for a CPU while ready to run, in
// milliseconds, as the kernel's scheduler counts it; none where it does not.
std::optional<double> queuedMs() {
    std::ifstream stat("/proc/thread-self/schedstat");
    double runNs = 0, queuedNs = 0;
    if (!(stat >> runNs >> queuedNs)) return std::nullopt;
    return queuedNs / 1e6;
}

// Fires every 10 ms on the main thread and keeps how late it came at worst.
// A main thread that waited on the stopped program, the bus or the grabbed
// server would come at least a time-out late (the readers' 1 s, the grab's
// 1.2 s). A busy machine delays a timer too, by tens and at times many
// hundreds of milliseconds: the time the thread was ready but waited for a
// CPU is the scheduler's, so it is left out of the lateness that counts.
constexpr double waitedMs = 500;
struct Lateness {
    const char* what;
    QTimer timer;
    std::optional<std::chrono::steady_clock::time_point> last;
    std::optional<double> lastQueued;
    double worstMs = 0, worstRawMs = 0;  // without and with the waits for a CPU
    explicit Lateness(const char* w) : what(w) {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const auto now = std::chrono::steady_clock::now();
            const auto queued = queuedMs();
            if (last) {
                const double late = std::chrono::duration<double, std::milli>(now - *last).count() - 10;
                worstRawMs = std::max(worstRawMs, late);
                worstMs = std::max(worstMs, late - (queued && lastQueued ? *queued - *lastQueued : 0));
            }
            last = now;
            lastQueued = queued;
        });
        timer.start(10);
    }
    ~Lateness() {
        std::printf("main-thread timer, %s: at worst %.1f ms late besides waiting for a CPU (%.1f ms in all)\n", what,
                    worstMs, worstRawMs);
    }
};

// The event loop as the application runs it.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The tracker hands on only lists that changed: told to again four times a
// second, it hands on each list it gets.
std::unique_ptr<QTimer> askAgainAndAgain(WindowTracker& tracker) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [&tracker] { tracker.tellAgain(); });
    timer->start(250);
    return timer;
}

// A stopped process that runs again whatever the test's outcome.
struct Stopped {
    pid_t pid;
    explicit Stopped(qint64 p) : pid(static_cast<pid_t>(p)) { EXPECT_EQ(::kill(pid, SIGSTOP), 0); }
    ~Stopped() { ::kill(pid, SIGCONT); }
};

TEST_F(LinuxPlatform, TheMainThreadStaysOnTimeWhileAStoppedProgramIsRead) {
    const WatchRegion region = over(tw::status);
    const auto session = await<std::shared_ptr<DirectSession>>([&](auto done) { return platform.direct->open(region, done); });
    ASSERT_TRUE(session && *session);
    ASSERT_TRUE(waitFor([&] {
        const auto a = await<DirectAnswer>([&](auto done) { return (*session)->read(done); });
        return a && a->counts();
    }));
    WindowTracker tracker(*platform.windows, *platform.screens);
    int ticks = 0, timedOut = 0;
    tracker.setOnTick([&](const auto&, const auto&) { ++ticks; });
    const auto again = askAgainAndAgain(tracker);
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
        EXPECT_LT(lateness.worstMs, waitedMs);
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
        using Ms = std::chrono::duration<double, std::milli>;
        EXPECT_LT(Ms(std::chrono::steady_clock::now() - start).count(), waitedMs);
        look = platform.direct->refreshAllowed([&](bool a) { looked = a; });
        open = platform.direct->open(WatchRegion{}, [&](std::shared_ptr<DirectSession>) { opened = true; });
        runFor(1500);
        // Each answers after its 1 s time-out; on a busy machine that can
        // be later still. The launcher stays stopped until both have.
        EXPECT_TRUE(waitFor([&] { return looked && opened; }, 10000));
        EXPECT_LT(lateness.worstMs, waitedMs);
    }
    // Both looks waited out their time-out on the reader's threads.
    EXPECT_EQ(looked, false);
    EXPECT_TRUE(opened);
}

TEST_F(LinuxPlatform, TheMainThreadOnlyReceivesTheWindowListWhileTheServerIsGrabbed) {
    const auto selection = this->selection(tw::status);
    ASSERT_TRUE(selection);
    WindowTracker tracker(*platform.windows, *platform.screens);
    std::vector<std::thread::id> tickedOn;
    tracker.setOnTick([&](const auto&, const auto&) { tickedOn.push_back(std::this_thread::get_id()); });
    const auto again = askAgainAndAgain(tracker);
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
        EXPECT_LT(lateness.worstMs, waitedMs);
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
