// The check's handle on its stage process: the first line that names the
// window, that the stage never outlives the check, stopped or not, and that
// a signal the check ignores leaves the stage alone.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QtCore/qtestsupport_core.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <csignal>
#include <fstream>
#include <string>
#include <ctime>
#include <unistd.h>

#include <qcoro/qcorotask.h>

#include "app/dev/remote.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove::DevAX {
namespace {

Remote shell(const char* script) { return Remote(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString(script)}); }

// 'R', 'S', 'T' (stopped), 'Z' (ended, not yet reaped), or 0 when gone.
char state(std::int32_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all;
    if (!std::getline(stat, all)) return 0;
    const auto close = all.rfind(')');
    return close == std::string::npos || close + 2 >= all.size() ? 0 : all[close + 2];
}

TEST(Remote, OnlyAWindowLineWithA32BitNumberNamesTheWindow) {
    EXPECT_EQ(parseWindowLine("window 12345"), 12345u);
    EXPECT_EQ(parseWindowLine("window 4294967295"), 4294967295u);
    for (const char* no : {"window ", "window abc", "windows 1", "window 4294967296", "window -1", "window 1 2",
                           "Window 1", " window 1", "window +1"})
        EXPECT_EQ(parseWindowLine(no), std::nullopt) << no;
}

TEST(Remote, TheFirstLineIsReadToItsEndOrTheEndOfOutput) {
    offscreen::app();
    const std::pair<const char*, std::optional<std::uint32_t>> cases[] = {
        {"printf 'win'; sleep 0.3; printf 'dow 12345\\n'; exec cat", 12345u},  // one line in two writes
        {"printf '\\n\\nwindow 7\\nwindow 8\\n'; exec cat", 7u},                 // empty lines left out
        {"printf 'window 42'", 42u},                                            // ended without a line feed
        {"printf 'windows 1\\n'; exec cat", std::nullopt},
        {"exit 0", std::nullopt},
    };
    for (const auto& [script, window] : cases) {
        Remote remote = shell(script);
        EXPECT_EQ(QCoro::waitFor(remote.start()), window) << script;
    }
    Remote missing(QStringLiteral("/nonexistent/kestrove"), {});
    EXPECT_EQ(QCoro::waitFor(missing.start()), std::nullopt);
}

TEST(Remote, AStageThatNeverSpeaksIsGivenUpAtTheLimit) {
    offscreen::app();
    Remote remote = shell("exec sleep 30");
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(QCoro::waitFor(remote.start(std::chrono::milliseconds(300))), std::nullopt);
    EXPECT_LT(t.elapsed(), 3000);
}

TEST(Remote, AStoppedStageIsContinuedAndEndedWhenTheHandleGoes) {
    offscreen::app();
    std::int32_t pid = 0;
    {
        Remote remote = shell("echo window 1; exec sleep 30");
        ASSERT_EQ(QCoro::waitFor(remote.start()), 1u);
        pid = remote.pid();
        remote.stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return state(pid) == 'T'; }, 3000));
    }
    EXPECT_EQ(state(pid), 0) << "the stage is left behind";
}

TEST(Remote, EndingAsksFirstAndForcesLast) {
    offscreen::app();
    Remote polite = shell("echo window 1; while read line; do [ \"$line\" = quit ] && exit 0; done");
    ASSERT_EQ(QCoro::waitFor(polite.start()), 1u);
    polite.stop();
    QCoro::waitFor(polite.end());
    EXPECT_FALSE(polite.running());

    // Deaf to "quit" and to SIGTERM: killed.
    Remote deaf = shell("trap '' TERM; echo window 1; exec 0<&-; while :; do sleep 0.05; done");
    ASSERT_EQ(QCoro::waitFor(deaf.start()), 1u);
    QElapsedTimer t;
    t.start();
    QCoro::waitFor(deaf.end(std::chrono::milliseconds(100)));
    EXPECT_FALSE(deaf.running());
    EXPECT_LT(t.elapsed(), 4000);
}

// What the check's own SIGTERM handler (the one before the guard) finds:
// the stopped stage continued and terminated while the check still lives.
int resultFile = -1;
char stagePath[64];
void recordStage(int) {
    const timespec wait{0, 300'000'000};
    ::nanosleep(&wait, nullptr);
    char buf[512];
    const int fd = ::open(stagePath, O_RDONLY);
    const ssize_t n = fd >= 0 ? ::read(fd, buf, sizeof buf) : 0;
    if (n > 0 && ::write(resultFile, buf, static_cast<std::size_t>(n)) < 0) ::_exit(5);
    ::_exit(0);
}

TEST(RemoteDeathTest, SigtermToTheCheckEndsItsStoppedStageFirst) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string result = testing::TempDir() + "kestrove_stage_state";
    std::remove(result.c_str());
    EXPECT_EXIT(
        {
            offscreen::app();
            resultFile = ::open(result.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            struct sigaction earlier {};
            earlier.sa_handler = recordStage;
            ::sigaction(SIGTERM, &earlier, nullptr);
            Remote remote = shell("echo window 1; exec sleep 30");
            if (QCoro::waitFor(remote.start()) != 1u) std::_Exit(3);
            remote.stop();
            std::snprintf(stagePath, sizeof stagePath, "/proc/%d/stat", static_cast<int>(remote.pid()));
            ::raise(SIGTERM);
            std::_Exit(4);
        },
        testing::ExitedWithCode(0), "");
    std::string stat;
    std::getline(std::ifstream(result), stat);
    const auto close = stat.rfind(')');
    ASSERT_NE(close, std::string::npos) << stat;
    // Ended by SIGTERM (not left stopped), waiting for the check to reap it.
    EXPECT_EQ(stat.substr(close + 2, 1), "Z") << stat;
}

// A check started as a background job ignores SIGINT: so does its guard,
// and the stage lives on with the check.
TEST(RemoteDeathTest, ASignalTheCheckIgnoresLeavesItsStageRunning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::signal(SIGINT, SIG_IGN);
            offscreen::app();
            Remote remote = shell("echo window 1; exec sleep 30");
            if (QCoro::waitFor(remote.start()) != 1u) std::_Exit(3);
            ::raise(SIGINT);
            QTest::qWait(500);
            const char now = state(remote.pid());
            std::_Exit(remote.running() && now != 'Z' && now != 0 ? 0 : 4);
        },
        testing::ExitedWithCode(0), "");
}

TEST(Remote, AnAbsentProcessIsReallyAbsent) {
    const std::int32_t nobody = absentProcess();
    EXPECT_EQ(::kill(nobody, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_NE(absentProcess(::getpid()), ::getpid());
}

}  // namespace
}  // namespace kestrove::DevAX
