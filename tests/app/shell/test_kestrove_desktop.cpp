// Kestrove as a user runs it, on a desktop with openbox, dunst and the
// accessibility bus: the saved watches come back with their frames and
// bark, one instance at a time, and every ending signal saves.
#include <gtest/gtest.h>

#include <QImage>

#include <csignal>

#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/rules/local_compiler.hpp"
#include "core/watch/watch_json.hpp"
#include "shell/kestrove_process.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/dunst_peer.hpp"
#include "test_window/layout.hpp"

namespace kestrove {
namespace {

namespace tw = testwindow;
using desktop::Home;
using desktop::Kestrove;
using desktop::waitFor;

struct KestroveApp : ::testing::Test {
    desktop::TestWindow window;
    Rect client = window.where();

    // Placed by the window manager before any box is taken from it.
    void SetUp() override {
        XcbWindowList windows;
        ASSERT_TRUE(desktop::waitUntilListedAt(windows, window.id(), client));
    }

    // A box of the test window as a display area (points on the first screen).
    WatchRegion region(const tw::Box& box) const {
        const ScreenInfo screen = QtScreens().screens().at(0);
        return {screen.displayID, client.x + box.x - screen.frame.x, client.y + box.y - screen.frame.y,
                double(box.w), double(box.h), 1, std::nullopt};
    }
    // The watch the new-watch road would make of `sentence` over `box`,
    // where the box reads `text`.
    WatchRecord watch(const std::string& sentence, const tw::Box& box, const std::string& text,
                      const std::string& id) const {
        const BaselineReading reading({OCRLine{text, NormRect::full(), 0.95}});
        const CompileOutcome outcome = LocalCompiler::compile(sentence, reading, region(box), std::nullopt, id,
                                                              std::chrono::system_clock::now());
        EXPECT_NE(outcome.spec(), nullptr) << sentence;
        return {*outcome.spec(), WatchStatus::watching, std::nullopt, std::nullopt, std::nullopt};
    }
    // A frame shown around `r`: it encloses the box and comes close to it.
    static bool framed(const std::vector<Rect>& frames, const WatchRegion& r) {
        const Rect box{r.x, r.y, r.w, r.h};
        for (const Rect& f : frames)
            if (f.contains(box) && f.width < box.width + 80 && f.height < box.height + 80) return true;
        return false;
    }
};

TEST_F(KestroveApp, SavedWatchComesBackFramedAndBarksWithItsCrop) {
    testing::DunstPeer dunst;
    Home home;
    const WatchRecord record = watch("the price drops below 100", tw::price, tw::initialPrice, "w_BARK01");
    home.save({record});
    Kestrove app(home);
    EXPECT_TRUE(waitFor([&] { return framed(app.frames(), record.spec.region); }, 10000)) << app.log();

    window.command("price Price: 89.50 EUR");
    ASSERT_TRUE(waitFor([&] { return dunst.count() > 0; }, 40000)) << app.log() << encodeJson(WatchFile{1, home.saved()});
    const auto shown = dunst.notifications().at(0);
    EXPECT_EQ(shown.appName.toStdString(), "Kestrove");
    EXPECT_EQ(shown.summary.toStdString(), "Woof. The price drops below 100.");
    EXPECT_TRUE(shown.body.endsWith(" · Read 89.5")) << shown.body.toStdString();
    const QImage crop(shown.iconPath.startsWith("file://") ? shown.iconPath.mid(7) : shown.iconPath);
    EXPECT_EQ(crop.size(), QSize(tw::price.w, tw::price.h)) << shown.iconPath.toStdString();

    // A once watch is finished by its bark, on disk too, and its frame goes.
    EXPECT_TRUE(waitFor([&] { return app.frames().empty(); }, 5000));
    const auto saved = home.saved();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].status, WatchStatus::finished);
    EXPECT_TRUE(saved[0].lastBarkAt.has_value());
}

TEST_F(KestroveApp, EveryEndingSignalSavesWhatIsOnlyInMemory) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        Home home;
        // The latest reading is written with the next save, not at once.
        home.save({watch("the price drops below 100", tw::price, tw::initialPrice, "w_READ01")});
        Kestrove app(home);
        ASSERT_TRUE(waitFor([&] { return !app.frames().empty(); }, 10000)) << app.log();
        waitFor([] { return false; }, 4000);  // a reading or two
        EXPECT_EQ(app.end(signal), 0) << sigabbrev_np(signal) << app.log();
        EXPECT_NE(app.log().find(std::string("ending on ") + sigabbrev_np(signal)), std::string::npos);
        const auto saved = home.saved();
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(saved[0].lastRead, "249.99") << sigabbrev_np(signal);
        EXPECT_EQ(saved[0].status, WatchStatus::watching);
    }
}

TEST_F(KestroveApp, ASecondStartSaysSoAndTouchesNoFile) {
    Home home;
    // Paused: nothing but the second start could write once the frame shows.
    WatchRecord paused = watch("this changes", tw::status, tw::initialStatus, "w_ONCE01");
    paused.status = WatchStatus::paused;
    home.save({paused});
    Kestrove first(home);
    ASSERT_TRUE(waitFor([&] { return !first.frames().empty(); }, 10000)) << first.log();
    waitFor([] { return false; }, 1000);  // the restored list is written in the same turn as the frame shows
    const auto before = std::filesystem::last_write_time(home.watchFile());
    Kestrove second(home);
    EXPECT_EQ(second.waitForExit(), 1);
    EXPECT_NE(second.log().find("Kestrove: already running (process " + std::to_string(first.pid()) + ")"),
              std::string::npos)
        << second.log();
    EXPECT_EQ(std::filesystem::last_write_time(home.watchFile()), before);
    EXPECT_TRUE(first.running());
}

}  // namespace
}  // namespace kestrove
