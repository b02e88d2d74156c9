// The direct reader on the test window over the real accessibility bus:
// its texts, a stopped and a killed window, and what /proc says of it.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "app/platform/atspi/accessibility_status.hpp"
#include "app/platform/atspi/direct_access.hpp"
#include "app/platform/linux_platform.hpp"
#include "app/platform/queued_direct_reader.hpp"
#include "app/platform/qt/main_thread_executor.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::waitFor;

DirectAnswer read(DirectSession& s) {
    auto answer = desktop::await<DirectAnswer>([&](auto done) { return s.read(done); });
    return answer ? *answer : DirectAnswer::noAnswer(DirectSilence::failed);
}

struct DirectReaderDesktop : ::testing::Test {
    const bool allowed = desktop::allowReadingWindows();
    desktop::TestWindow window;
    XcbWindowList windows;
    QueuedDirectReader reader{mainThreadExecutor(), [] { return linuxDirectPlatform(1); }};

    std::shared_ptr<DirectSession> open(const WatchRegion& r) {
        auto session = desktop::await<std::shared_ptr<DirectSession>>([&](auto done) { return reader.open(r, done); });
        return session ? *session : nullptr;
    }

    // A watch region over one of the test window's boxes, bound to it.
    WatchRegion regionOver(const tw::Box& b) {
        std::optional<WindowInfo> info;
        EXPECT_TRUE(waitFor([&] {
            for (const auto& w : windows.list(WindowListOptions::onScreenOnly))
                if (w.id == window.id()) info = w;
            return info.has_value();
        }));
        if (!info) return {};
        const Rect box{info->frame.x + b.x, info->frame.y + b.y, double(b.w), double(b.h)};
        return {1, box.x, box.y, box.width, box.height, 1, WindowTracking::anchor(box, *info)};
    }

    // The window joins the accessibility bus a moment after it shows.
    std::shared_ptr<DirectSession> openOver(const tw::Box& b) {
        auto session = open(regionOver(b));
        if (session) waitFor([&] {
            const DirectAnswer answer = read(*session);
            return answer.lines() && !answer.lines()->empty();
        });
        return session;
    }
};

// Nothing is cached. (What the boxes first read is checked against the
// picture reader in the agreement test.)
TEST_F(DirectReaderDesktop, AChangeShowsOnTheNextRead) {
    auto session = openOver(tw::status);
    ASSERT_NE(session, nullptr);
    window.command("status Status: Done");
    const DirectAnswer after = read(*session);
    ASSERT_TRUE(after.lines());
    ASSERT_EQ(after.lines()->size(), 1u);
    EXPECT_EQ(after.lines()->front().text, "Status: Done");
}

TEST_F(DirectReaderDesktop, AStoppedWindowTimesOutAndAKilledOneIsGone) {
    auto session = openOver(tw::status);
    ASSERT_NE(session, nullptr);
    // A read limit shorter than one call's time-out cuts the call short.
    QueuedDirectReader quickReader{mainThreadExecutor(), [] { return linuxDirectPlatform(1); },
                                   std::chrono::milliseconds(400)};
    auto quick = desktop::await<std::shared_ptr<DirectSession>>(
        [&](auto done) { return quickReader.open(regionOver(tw::status), done); });
    ASSERT_TRUE(quick && *quick);
    ASSERT_TRUE(waitFor([&] { return read(**quick).counts(); }));
    const auto pid = static_cast<pid_t>(window.pid());

    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    auto timed = [](DirectSession& s) {
        const auto start = std::chrono::steady_clock::now();
        const DirectAnswer answer = read(s);
        return std::pair{answer, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
    };
    const auto [stopped, seconds] = timed(*session);
    const auto [cut, cutSeconds] = timed(**quick);
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

TEST_F(DirectReaderDesktop, ReadsOnlyWhileTheUserAllowsIt) {
    auto session = openOver(tw::status);
    ASSERT_NE(session, nullptr);
    ASSERT_TRUE(AccessibilityStatus::setEnabled(false));
    EXPECT_EQ(read(*session).silence(), DirectSilence::notPermitted);
    EXPECT_EQ(open(regionOver(tw::status)), nullptr);
    EXPECT_FALSE(reader.allowed());
    ASSERT_TRUE(AccessibilityStatus::setEnabled(true));
    EXPECT_TRUE(read(*session).counts());
    EXPECT_TRUE(reader.allowed());
}

TEST_F(DirectReaderDesktop, TheTestWindowIsSurelyNotChromium) {
    const auto verdict = DirectAccess::chromium(static_cast<std::int32_t>(window.pid()));
    EXPECT_FALSE(verdict.isChromium);
    EXPECT_EQ(verdict.confidence, ChromiumDetection::Confidence::sure) << verdict.why;
    auto session = open(regionOver(tw::status));
    ASSERT_NE(session, nullptr);
    EXPECT_TRUE(reader.allowed());
    EXPECT_EQ(session->chromium(), verdict);
    EXPECT_FALSE(session->onScreenOnly());
}

}  // namespace
}  // namespace kestrove
