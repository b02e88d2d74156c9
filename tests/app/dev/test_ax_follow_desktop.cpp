// The accessibility check's follow mode on a real desktop, following the
// status line of a test stage the test drives itself; and what of the stage
// the comparison run (the slow test) does not prove: one cover however often
// it is asked for, shown again after hiding, and an ended input ending it.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/platform/x11/xcb_window_list.hpp"
#include "ax_check_run.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

struct AxFollowDesktop : ::testing::Test {
    AxFollowDesktop() {
        desktop::allowReadingWindows();
        stage.start(QStringLiteral(KESTROVE_APP), {QStringLiteral("--ax-stage")});
        EXPECT_TRUE(stage.waitForStarted(10000));
        EXPECT_TRUE(waitFor([&] { return stage.canReadLine(); }, 10000));
        firstLine = stage.readLine().toStdString();
        window = QString::fromStdString(firstLine.substr(firstLine.rfind(' ') + 1)).trimmed();
        waitFor([] { return false; }, 1000);  // placed and on the accessibility bus
    }
    ~AxFollowDesktop() override {
        stage.kill();
        stage.waitForFinished(3000);
    }

    QStringList follow(const QString& id, const QString& seconds) {
        return {QStringLiteral("--window"), id, QStringLiteral("--box"), QStringLiteral("14,52,412,60"),
                QStringLiteral("--seconds"), seconds};
    }
    void send(const char* command) {
        stage.write(QByteArray(command) + "\n");
        stage.waitForBytesWritten(2000);
    }
    int covers() {
        const auto all = windows.list(WindowListOptions::onScreenOnly);
        return static_cast<int>(
            std::count_if(all.begin(), all.end(), [](const WindowInfo& w) { return w.layer == 3; }));
    }
    bool onScreen() {
        const auto all = windows.list(WindowListOptions::onScreenOnly);
        return std::any_of(all.begin(), all.end(), [&](const WindowInfo& w) { return w.id == window.toUInt(); });
    }

    QProcess stage;
    std::string firstLine;
    QString window;
    XcbWindowList windows;
};

TEST_F(AxFollowDesktop, NoWindowEndsAfterTwoLinesAndNoSecondsGivesTheSetUpAndAnEmptySummary) {
    const axcheck::Outcome none = axcheck::check(follow(QStringLiteral("4000000001"), QStringLiteral("5")), 30000);
    EXPECT_EQ(none.code, 2);
    ASSERT_EQ(none.lines.size(), 2u);
    EXPECT_EQ(none.lines[1], "No window with that id.");
    EXPECT_EQ(none.lines[0].rfind("Kestrove --ax-check --window 4000000001 \u00b7 ", 0), 0u) << none.lines[0];
    EXPECT_FALSE(none.ready);

    const axcheck::Outcome run = axcheck::check(follow(window, QStringLiteral("0")), 60000);
    ASSERT_EQ(run.code, 0);
    EXPECT_TRUE(run.ready);
    ASSERT_EQ(run.lines.size(), 16u) << "three sentences: the stage shows no \"Counter\"";
    EXPECT_EQ(run.lines[1], "Window: Kestrove, 440 \u00d7 290 pt \u00b7 box 412 \u00d7 60 pt at 14, 52 in it");
    EXPECT_EQ(run.lines[2].rfind("Chromium: no (sure: ", 0), 0u) << run.lines[2];
    EXPECT_EQ(run.lines[5].rfind("  direct  (", 0), 0u);
    EXPECT_NE(run.lines[5].find("Exporting\u2026 30%"), std::string::npos) << run.lines[5];
    for (std::size_t i = 11; i < 14; ++i)
        EXPECT_TRUE(run.lines[i].find("picture never") != std::string::npos && run.lines[i].ends_with("direct never"))
            << run.lines[i];
    EXPECT_EQ(run.lines.back(),
              "Times: picture median 0.0 ms, slowest 0.0 ms \u00b7 direct median 0.0 ms, slowest 0.0 ms");
}

TEST_F(AxFollowDesktop, TheExportCompletingBarksThroughTheDirectReader) {
    const axcheck::Outcome run = axcheck::check(follow(window, QStringLiteral("7")), 60000,
                                                QProcessEnvironment::systemEnvironment(), [&] { send("show 4"); });
    ASSERT_EQ(run.code, 0);
    const auto row = std::find_if(run.lines.rbegin(), run.lines.rend(), [](const std::string& l) {
        return l.rfind("  it says \"Export complete\"       ", 0) == 0;
    });
    ASSERT_NE(row, run.lines.rend());
    EXPECT_EQ(row->substr(row->find("direct ") + 7, 1), "t") << *row;
    EXPECT_TRUE(std::any_of(run.lines.begin(), run.lines.end(), [](const std::string& l) {
        return l.find("DIRECT BARKS for it says \"Export complete\"") != std::string::npos;
    }));
}

TEST_F(AxFollowDesktop, OneCoverShownAgainAfterHidingAndTheEndOfItsInputEndsTheStage) {
    EXPECT_EQ(firstLine, "window " + window.toStdString() + "\n");
    ASSERT_TRUE(waitFor([&] { return onScreen(); }));
    const int above = covers();
    send("cover on");
    send("cover on");
    EXPECT_TRUE(waitFor([&] { return covers() == above + 1; }));
    waitFor([] { return false; }, 300);
    EXPECT_EQ(covers(), above + 1);
    send("cover off");
    EXPECT_TRUE(waitFor([&] { return covers() == above; }));
    send("hide");
    EXPECT_TRUE(waitFor([&] { return !onScreen(); }));
    send("unhide");
    EXPECT_TRUE(waitFor([&] { return onScreen(); })) << "the comparison run's last round begins shown again";

    send("close");
    EXPECT_TRUE(waitFor([&] { return !onScreen(); }));
    waitFor([] { return false; }, 300);
    EXPECT_EQ(stage.state(), QProcess::Running) << "a closed window leaves the process";
    stage.closeWriteChannel();
    ASSERT_TRUE(stage.waitForFinished(5000));
    EXPECT_EQ(stage.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(stage.exitCode(), 0);
    EXPECT_EQ(stage.readAllStandardOutput(), QByteArray()) << "nothing after the window line";
}

}  // namespace
}  // namespace kestrove
