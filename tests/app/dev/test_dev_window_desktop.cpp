// The window capture check on a real desktop: with no window to try, then
// with two test windows, one covered and one moved clear of it, first with
// the screen refused.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/dev/dev_window.hpp"
#include "app/dev/window_check.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/window_binder.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "support/app/desktop_fixture.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace fs = std::filesystem;

struct WindowCheckRun : ::testing::Test {
    QTemporaryDir dir;
    fs::path folder = fs::path(dir.path().toStdString()) / "out" / "nested";

    // As the application starts the mode: on a platform of its own.
    int run() const {
        Platform platform = makeLinuxPlatform(mainThreadExecutor());
        return DevWindow::run(folder, platform);
    }

    std::vector<std::string> report() const {
        std::ifstream in(folder / "report.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::vector<std::string> pictures() const {
        std::vector<std::string> names;
        if (fs::exists(folder))
            for (const auto& e : fs::directory_iterator(folder))
                if (e.path().extension() == ".png") names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The lines from the one starting with `heading` to the next empty one.
    std::vector<std::string> section(const std::string& heading) const {
        const auto lines = report();
        auto it = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.rfind(heading, 0) == 0; });
        auto end = std::find(it, lines.end(), std::string());
        return {it, end};
    }
    static bool has(const std::vector<std::string>& lines, const std::string& part) {
        return std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.find(part) != std::string::npos; });
    }
};

TEST_F(WindowCheckRun, NoWindowRefusedAndTwoWindowsOneCoveredOneClear) {
    EXPECT_EQ(run(), 2);
    const auto none = report();
    ASSERT_GE(none.size(), 6u);
    EXPECT_EQ(none[0].rfind("Kestrove --window-check · ", 0), 0u);
    EXPECT_EQ(none[1], "Screen capture: allowed (an X11 session whose server has Composite)");
    EXPECT_EQ(none[3], "Windows on screen, front to back (0):");
    EXPECT_EQ(none.back(), "No normal window of another app is on screen: nothing to try.");
    EXPECT_TRUE(pictures().empty());

    desktop::TestWindow covered;
    covered.cover();
    desktop::TestWindow clear({"--x", "720", "--y", "360"});
    XcbWindowList windows;
    ASSERT_TRUE(desktop::waitUntilListedAt(windows, clear.id(), clear.where()));

    // Refused first: the lists are written, nothing is captured.
    ::setenv("KESTROVE_NO_SCREEN_PERMISSION", "", 1);
    EXPECT_EQ(run(), 1);
    ::unsetenv("KESTROVE_NO_SCREEN_PERMISSION");
    EXPECT_EQ(report()[1], "Screen capture is not allowed. Nothing was captured.");
    EXPECT_TRUE(has(report(), ". id " + std::to_string(clear.id()) + " · "));
    EXPECT_TRUE(pictures().empty());

    EXPECT_EQ(run(), 0);
    const auto all = report();
    EXPECT_EQ(pictures(), (std::vector<std::string>{"display.png", "uncovered-display.png", "uncovered-window.png",
                                                    "window.png"}));
    const auto theCase = section("Case: ");
    ASSERT_FALSE(theCase.empty());
    EXPECT_EQ(theCase[0].rfind("Case: a covered window. id " + std::to_string(covered.id()) + " ", 0), 0u)
        << theCase[0];
    EXPECT_TRUE(has(theCase, "the two pictures differ: yes")) << "the window path sees under the cover";
    EXPECT_TRUE(has(theCase, "(as expected)"));
    const auto geometry = section("Geometry check on a window nothing covers (id " + std::to_string(clear.id()));
    ASSERT_FALSE(geometry.empty());
    EXPECT_TRUE(has(geometry, "the two pictures differ: no"));
    EXPECT_FALSE(has(all, "SIZES DIFFER"));
    EXPECT_FALSE(has(all, "FAILED"));

    const auto frames = section("The frame of a bound watch");
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[1].find(" (covered): ok, hidden") != std::string::npos) << frames[1];
    EXPECT_TRUE(frames[2].find(" (in front): ok, box at ") != std::string::npos) << frames[2];

    const auto lost = section("Lost sight, as a bound watch would report it:");
    ASSERT_EQ(lost.size(), 3u);
    EXPECT_EQ(lost[1],
              "  a window id that does not exist → \"That window was closed.\" · notification: "
              "\"14:33 · the export is done · the window was closed\"");
    EXPECT_TRUE(lost[2].find("→ \"That window was resized and the box is no longer inside it.\" · notification: "
                             "\"14:33 · the export is done · the window was resized and the box is no longer "
                             "inside it\"") != std::string::npos)
        << lost[2];
}

// Without a compositing manager the server keeps a covered window's hidden
// part only while the window is redirected: a read right after redirecting it
// (or after letting it go and taking it again) finds that part not painted
// until the program has drawn it (here a program that takes 300 ms).
// Read a hundred times, by a watch and by this check, the covered box is
// always the window's own drawing.
TEST(CoveredWindow, AHundredReadsByAWatchAndByTheWindowCheckAreAllTheWindowsOwnDrawing) {
    namespace tw = testwindow;
    desktop::TestWindow window;
    XcbWindowList windows;
    const Rect client = window.where();
    ASSERT_TRUE(desktop::waitUntilListedAt(windows, window.id(), client));
    const Rect box{client.x + tw::status.x, client.y + tw::status.y, double(tw::status.w), double(tw::status.h)};
    QtScreens screens;
    const SelectedRegion drawn = SelectedRegion::make(*ScreenSpace::screenFor(box, screens.screens()), box);
    const WatchRegion region = WindowBinder::bind(drawn, windows, screens).region;
    ASSERT_TRUE(region.window && region.window->id == window.id());
    // What the redirection uncovers is drawn 300 ms later: a read must wait for it.
    window.command("slow 300");
    const std::uint32_t cover = window.cover();
    ASSERT_TRUE(desktop::waitFor([&] {
        auto list = windows.list(WindowListOptions::onScreenOnly);
        return !list.empty() && list.front().id == cover;
    }));
    const Image own = window.grab(tw::status.x, tw::status.y, tw::status.w, tw::status.h);

    // The watch and the window check each on a platform of its own, as in
    // their own processes.
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    Platform checkPlatform = makeLinuxPlatform(mainThreadExecutor());
    QTemporaryDir dir;
    WindowCheck check(dir.path().toStdString(), checkPlatform);
    const std::function<std::optional<Image>()> readers[] = {
        [&]() -> std::optional<Image> {
            auto c = desktop::await<CapturedBox>(
                [&](auto done) { return platform.capturer->capture("w_COVR01", region, done); });
            return c && c->ok() ? std::optional(c->value().image) : std::nullopt;
        },
        [&]() -> std::optional<Image> {
            auto t = check.capture(region);
            return t.shot ? std::optional(std::move(t.shot).value()) : std::nullopt;
        },
    };
    for (std::size_t r = 0; r < std::size(readers); ++r) {
        int wrong = 0, failed = 0;
        for (int i = 0; i < 100; ++i) {
            const auto picture = readers[r]();
            if (!picture) ++failed;
            else if (desktop::maxChannelDifference(*picture, own) != 0) ++wrong;
        }
        EXPECT_EQ(failed, 0) << (r == 0 ? "a watch" : "the window check");
        EXPECT_EQ(wrong, 0) << (r == 0 ? "a watch" : "the window check") << ": pictures with a hole";
    }
}

}  // namespace
}  // namespace kestrove
