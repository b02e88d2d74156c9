// The accessibility check's test stage on a real desktop: the window it
// names, what AT-SPI reads of it step by step, and the window states its
// commands bring about while its process lives on.

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>

#include "app/platform/linux_platform.hpp"
#include "app/platform/qt/main_thread_executor.hpp"
#include "app/platform/queued_direct_reader.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/windows/window_binding.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

struct StageDesktop : ::testing::Test {
    StageDesktop() {
        desktop::allowReadingWindows();
        stage.start(QStringLiteral(KESTROVE_APP), {QStringLiteral("--ax-stage")});
        EXPECT_TRUE(stage.waitForStarted(10000));
        EXPECT_TRUE(waitFor([&] { return stage.canReadLine(); }, 10000));
        firstLine = stage.readLine().toStdString();
        if (firstLine.rfind("window ", 0) == 0) id = static_cast<std::uint32_t>(std::stoul(firstLine.substr(7)));
    }
    ~StageDesktop() override {
        if (stage.state() != QProcess::NotRunning) {
            stage.kill();
            stage.waitForFinished(3000);
        }
    }

    void send(const char* command) {
        stage.write(QByteArray(command) + "\n");
        stage.waitForBytesWritten(2000);
    }

    std::optional<WindowInfo> listed(WindowListOptions options) {
        for (const WindowInfo& w : windows.list(options))
            if (w.id == id) return w;
        return std::nullopt;
    }
    bool onScreen() { return listed(WindowListOptions::onScreenOnly).has_value(); }
    int aboveCount() {
        const auto all = windows.list(WindowListOptions::onScreenOnly);
        return static_cast<int>(std::count_if(all.begin(), all.end(), [](const WindowInfo& w) { return w.layer == 3; }));
    }

    // What AT-SPI reads in a box of the stage's client area, once it answers with `expected`.
    std::string readUntil(const Rect& inClient, const std::string& expected) {
        const auto window = listed(WindowListOptions::all);
        if (!window) return "(no window)";
        const Rect box = inClient.offsetBy(window->frame.x, window->frame.y);
        const WatchRegion region{1, box.x, box.y, box.width, box.height, 1, WindowTracking::anchor(box, *window)};
        auto session = desktop::await<std::shared_ptr<DirectSession>>([&](auto done) { return reader.open(region, done); });
        if (!session || !*session) return "(no session)";
        std::string text;
        waitFor([&] {
            const auto answer = desktop::await<DirectAnswer>([&](auto done) { return (*session)->read(done); });
            text.clear();
            if (answer && answer->lines())
                for (const OCRLine& l : *answer->lines()) text += (text.empty() ? "" : " | ") + l.text;
            return text.find(expected) != std::string::npos;
        }, 8000);
        return text;
    }

    QProcess stage;
    std::string firstLine;
    std::uint32_t id = 0;
    XcbWindowList windows;
    QueuedDirectReader reader{mainThreadExecutor(), [] { return linuxDirectPlatform(1); }};
};

const Rect statusBox{14, 52, 412, 60};
const Rect counterBox{14, 10, 412, 38};

TEST_F(StageDesktop, NamesItsWindowAndShowsTheStoryStepByStep) {
    ASSERT_NE(id, 0u) << firstLine;
    ASSERT_TRUE(waitFor([&] { return onScreen(); }));
    const WindowInfo w = *listed(WindowListOptions::all);
    EXPECT_EQ(w.frame.size(), (Size{440, 290}));
    EXPECT_EQ(w.app, "Kestrove");
    EXPECT_EQ(w.ownerPID, stage.processId());

    EXPECT_EQ(readUntil(statusBox, "Exporting\u2026 30%"), "Exporting\u2026 30%");
    EXPECT_EQ(readUntil(counterBox, "Frames rendered: 12"), "Frames rendered: 12");
    send("show 4");
    EXPECT_EQ(readUntil(statusBox, "Export complete"), "Export complete");
    send("show -3");
    EXPECT_EQ(readUntil(counterBox, "Frames rendered: 12"), "Frames rendered: 12");
    send("show 99");
    EXPECT_EQ(readUntil(counterBox, "Frames rendered: 40"), "Frames rendered: 40");

    stage.closeWriteChannel();
    ASSERT_TRUE(stage.waitForFinished(5000)) << "the end of its input ends the stage";
    EXPECT_EQ(stage.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(stage.exitCode(), 0);
    EXPECT_EQ(stage.readAllStandardOutput(), QByteArray()) << "nothing after the window line";
    EXPECT_EQ(firstLine, "window " + std::to_string(id) + "\n");
}

TEST_F(StageDesktop, WindowStatesComeAndGoWhileTheProcessLives) {
    ASSERT_TRUE(waitFor([&] { return onScreen(); }));
    const int above = aboveCount();
    send("cover on");
    send("cover on");
    EXPECT_TRUE(waitFor([&] { return aboveCount() == above + 1; }));
    desktop::waitFor([] { return false; }, 300);
    EXPECT_EQ(aboveCount(), above + 1) << "one cover however often it is asked for";
    send("cover off");
    EXPECT_TRUE(waitFor([&] { return aboveCount() == above; }));

    send("hide");
    EXPECT_TRUE(waitFor([&] { return !onScreen(); }));
    send("unhide");
    EXPECT_TRUE(waitFor([&] { return onScreen(); }));
    send("minimize");
    EXPECT_TRUE(waitFor([&] { return !onScreen(); }));
    EXPECT_EQ(stage.state(), QProcess::Running);
    send("close");
    EXPECT_TRUE(waitFor([&] { return !onScreen(); }));
    desktop::waitFor([] { return false; }, 300);
    EXPECT_EQ(stage.state(), QProcess::Running);
    send("quit");
    ASSERT_TRUE(stage.waitForFinished(5000));
    EXPECT_EQ(stage.exitCode(), 0);
}

}  // namespace
}  // namespace kestrove
