// The watch engine end to end on a real desktop: the test window read by real
// capture and Tesseract, barks and losses of sight posted to dunst, the
// frames' own flashes left out of the display pictures; and the session around
// it: a locked screen or sleeping displays stop every reading, and the
// keep-awake hold follows the watches. logind is a fake on a system bus of the
// program's own; the X screen saver is the server's.
#include <QFile>
#include <QProcess>

#include "core/picture/png.hpp"
#include "engine/engine_desktop.hpp"
#include "app/platform/dbus/dbus_notifier.hpp"
#include "app/platform/tesseract/tesseract_engine.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/linux/linux_screen_state.hpp"
#include "support/app/dunst_peer.hpp"
#include "support/app/logind_bus.hpp"
#include "support/app/stderr_capture.hpp"

namespace kestrove::testing {
namespace {

using S = WatchStatus;
using desktop::waitFor;

std::optional<Image> pictureAt(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    return decodePng(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

TEST_F(EngineOnDesktop, LosesTheWindowEachWayOnceAndComesBackSilently) {
    DunstPeer dunst;
    desktop::TestWindow window;
    const WatchSpec watch = spec("w_LOSS01", "tell me when a < b & c > d", WatchType::anyChange,
                                 WatchMode::everyTime, bound(window, tw::status), 2);
    add(watch);
    cycle();
    ASSERT_EQ(status(watch.id), S::watching);

    const std::string sentence = " · tell me when a &lt; b &amp; c &gt; d · ";
    const std::uint32_t id = window.id();
    using Seen = std::function<bool(const WindowInfo*)>;
    const Seen back = [](const WindowInfo* w) { return w && w->isOnScreen && w->frame.width == tw::width; };
    const Seen narrow = [](const WindowInfo* w) { return w && w->frame.width < tw::width; };
    const Seen gone = [](const WindowInfo* w) { return w == nullptr; };
    struct Loss {
        const char* away;
        Seen awaySeen;
        const char* back;
        std::string reason;
    };
    // (A minimised window: the test without a notification service.)
    const Loss losses[] = {
        {"resize 200 120", narrow, "resize 480 320", "the window was resized and the box is no longer inside it"},
        {"close", gone, nullptr, "the window was closed"},
    };
    for (const Loss& loss : losses) {
        const unsigned before = dunst.count();
        if (std::string(loss.away) == "close") window.close();
        else window.command(loss.away);
        ASSERT_TRUE(listedAs(id, loss.awaySeen)) << loss.away;
        ASSERT_TRUE(cycleUntil([&] { return status(watch.id) == S::lostSight; })) << loss.away;
        cycle(15s);
        ASSERT_TRUE(waitFor([&] { return dunst.count() == before + 1; })) << loss.away;
        const auto shown = dunst.notifications().back();
        EXPECT_EQ(shown.summary, "Woof. I can't see it anymore.");
        EXPECT_EQ(shown.body.toStdString(), "09:00" + sentence + loss.reason);
        EXPECT_TRUE(shown.iconPath.isEmpty()) << "a loss has no picture";
        if (!loss.back) break;
        window.command(loss.back);
        ASSERT_TRUE(listedAs(id, back)) << loss.back;
        ASSERT_TRUE(cycleUntil([&] { return status(watch.id) == S::watching; }, 6, 15s)) << loss.back;
        // Coming back is silent, and the pictures taken as the window
        // returns and repaints bark nothing.
        cycle();
        cycle();
        EXPECT_EQ(dunst.count(), before + 1) << "coming back is silent and no bark";
        EXPECT_EQ(manager->record(watch.id)->lastBarkAt, std::nullopt);
    }
    EXPECT_EQ(dunst.count(), 2u);
}

// The X server hands a closed program's ids to the next program that
// connects. Here that program makes a window under the very id the box was
// bound to: the watch loses sight once, and the log says why.
TEST_F(EngineOnDesktop, AWindowWhoseIdWentToAnotherProgramIsLoggedAsSuch) {
    DunstPeer dunst;  // the loss is posted; the bus would start a lasting one on demand
    auto window = std::make_unique<desktop::TestWindow>();
    const WatchSpec watch = spec("w_TAKEN1", "the status changes", WatchType::anyChange, WatchMode::everyTime,
                                 bound(*window, tw::status), 2);
    add(watch);
    cycle();
    ASSERT_EQ(status(watch.id), S::watching);
    const std::uint32_t id = window->id();
    window.reset();  // the program ends and lets its ids go
    ASSERT_TRUE(listedAs(id, [](const WindowInfo* w) { return w == nullptr; }));

    // Connections until one is given the ended program's ids (earlier free
    // slots are filled first).
    std::vector<std::unique_ptr<XcbConnection>> connections;
    XcbConnection* other = nullptr;
    for (int i = 0; i < 64 && !other; ++i) {
        auto x = std::make_unique<XcbConnection>();
        ASSERT_TRUE(x->ok());
        const xcb_setup_t* setup = xcb_get_setup(x->get());
        if ((id & ~setup->resource_id_mask) == setup->resource_id_base) other = x.get();
        connections.push_back(std::move(x));
    }
    ASSERT_TRUE(other) << "no connection was given the ids of the window's program";
    const std::uint32_t white = other->screen()->white_pixel;
    xcb_create_window(other->get(), XCB_COPY_FROM_PARENT, id, other->root(), 100, 100, 320, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, &white);
    const std::string wmClass = std::string("intruder") + '\0' + "Intruder" + '\0';
    xcb_change_property(other->get(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
    const std::uint32_t pid = static_cast<std::uint32_t>(::getpid());
    xcb_change_property(other->get(), XCB_PROP_MODE_REPLACE, id, other->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1,
                        &pid);
    xcb_map_window(other->get(), id);
    xcb_flush(other->get());
    ASSERT_TRUE(listedAs(id, [](const WindowInfo* w) { return w && w->isOnScreen; }));

    StderrCapture log;
    ASSERT_TRUE(cycleUntil([&] { return status(watch.id) == S::lostSight; }));
    cycle(15s);
    cycle(15s);
    EXPECT_EQ(status(watch.id), S::lostSight) << "whatever holds the id now is not the window";
    EXPECT_EQ(log.text(),
              "Kestrove: w_TAKEN1 can't see its box: its window closed and the window's id went to another program\n");
    // The loss is posted on a worker: once it reached this dunst, none is
    // left to start a lasting one after the test.
    EXPECT_TRUE(waitFor([&] { return dunst.count() == 1; }));
}

TEST_F(EngineOnDesktop, WithoutANotificationServiceALossIsNeitherPostedNorLogged) {
    PrivateBus bus;  // the desktop's own bus would start dunst on demand
    const std::filesystem::path folder = data.path().toStdString() + "/pictures";
    manager.reset();
    platform.notifier = std::make_unique<DbusNotifier>(mainThreadExecutor(), bus.connect(), folder);
    makeManager();
    desktop::TestWindow window;
    // Two checks in a row, as above: a picture taken as the window comes
    // back, before it has repainted, is not the change this test is about.
    const WatchSpec watch = spec("w_NONE01", "the status changes", WatchType::anyChange, WatchMode::once,
                                 bound(window, tw::status), 2);
    add(watch);
    cycle();
    StderrCapture log;
    window.command("minimize");
    ASSERT_TRUE(listedAs(window.id(), [](const WindowInfo* w) { return w && !w->isOnScreen; }));
    ASSERT_TRUE(cycleUntil([&] { return status(watch.id) == S::lostSight; }));
    waitFor([] { return false; }, 300);
    EXPECT_EQ(log.text().find("Kestrove"), std::string::npos) << log.text();
    window.command("restore");
    ASSERT_TRUE(listedAs(window.id(), [](const WindowInfo* w) { return w && w->isOnScreen; }));
    ASSERT_TRUE(cycleUntil([&] { return status(watch.id) == S::watching; }, 6, 15s))
        << "the loop lives on; " << rawValue(status(watch.id));
    cycle();
    cycle();
    EXPECT_EQ(manager->record(watch.id)->lastBarkAt, std::nullopt) << "the window coming back is no change";
}

TEST_F(EngineOnDesktop, BarksReachDunstWithTheCrop) {
    DunstPeer dunst;
    desktop::TestWindow window;
    WatchSpec gone = spec("w_GONE01", "exporting is gone", WatchType::textGone, WatchMode::once,
                                bound(window, tw::status));
    const WatchSpec each = spec("w_EACH01", "the price changes", WatchType::anyChange, WatchMode::everyTime,
                          bound(window, tw::price));
    WatchSpec number = spec("w_NUMB01", "the counter goes above 2", WatchType::numberCompare, WatchMode::once,
                            bound(window, tw::counter));
    gone.target.text = "Exporting";
    number.comparator = Comparison::gt;
    number.value = 2;
    for (const WatchSpec& s : {gone, each, number}) add(s);
    std::vector<std::string> reads;
    manager->onChange = [&] {
        const auto& read = manager->record(number.id)->lastRead;
        if (read && (reads.empty() || reads.back() != *read)) reads.push_back(*read);
    };
    cycle();
    EXPECT_EQ(dunst.count(), 0u);

    window.command("status Status: Done");
    ASSERT_TRUE(cycleUntil([&] { return dunst.count() == 1; }));
    const auto shown = dunst.notifications();
    EXPECT_EQ(shown[0].appName, "Kestrove");
    EXPECT_EQ(shown[0].summary, "Woof. Exporting is gone.");
    EXPECT_EQ(shown[0].body, "09:00");
    const auto posted = pictureAt(shown[0].iconPath);
    const auto latest = manager->picture(gone.id);
    ASSERT_TRUE(posted && latest);
    EXPECT_EQ(posted->width, tw::status.w);
    EXPECT_EQ(desktop::maxChannelDifference(*posted, *latest), 0) << "the crop the bark was made from";
    EXPECT_EQ(status(gone.id), S::finished);

    for (const char* price : {"Price: 250.00 EUR", "Price: 251.00 EUR", "Price: 240.50 EUR"}) {
        const unsigned before = dunst.count();
        window.command(std::string("price ") + price);
        ASSERT_TRUE(cycleUntil([&] { return dunst.count() == before + 1; })) << price;
        cycle();
        EXPECT_EQ(dunst.count(), before + 1) << "one bark per change";
    }
    EXPECT_EQ(status(each.id), S::watching);

    for (const char* n : {"1", "2", "3"}) {
        window.command(std::string("counter ") + n);
        ASSERT_TRUE(cycleUntil([&] { return !reads.empty() && reads.back() == n; })) << n;
    }
    EXPECT_EQ(reads, (std::vector<std::string>{"1", "2", "3"}));
    ASSERT_TRUE(waitFor([&] { return dunst.count() == 5; }));
    const auto last = dunst.notifications().back();
    EXPECT_EQ(last.summary, "Woof. The counter goes above 2.");
    EXPECT_EQ(last.body.toStdString(), "09:00 · Read 3");
    // Its picture is the capture its reading came from, and shows the 3.
    const auto numberPosted = pictureAt(last.iconPath);
    const auto numberLatest = manager->picture(number.id);
    ASSERT_TRUE(numberPosted && numberLatest);
    EXPECT_EQ(desktop::maxChannelDifference(*numberPosted, *numberLatest), 0);
    std::string seen;
    for (const OCRLine& line : TesseractEngine(false).read(*numberPosted)) seen += line.text;
    EXPECT_EQ(seen, "Counter: 3");
    EXPECT_EQ(status(number.id), S::finished);
    EXPECT_EQ(status(each.id), S::watching);
}

// A display box inside another watch's box: the other's frame fills its box
// while it flashes, and the screen shows that fill. The box's picture leaves
// the fill out (it is ours), so the checks go on and see no change.
TEST_F(EngineOnDesktop, AnotherWatchsFlashIsLeftOutOfThePictureAndNoChange) {
    DunstPeer dunst;
    desktop::TestWindow window;
    XcbScreenCapturer screen(*platform.screens);  // the screen as it shows, ours included
    const WatchSpec flashing = spec("w_FLSH01", "the status changes", WatchType::anyChange, WatchMode::everyTime,
                                    bound(window, tw::status));
    const WatchSpec under = spec("w_UNDR01", "the label changes", WatchType::anyChange, WatchMode::once,
                                 unboundOver(window, {tw::status.x + 4, tw::status.y + 4, 50, 24}));
    add(flashing);
    add(under);
    const Image quiet = shot(under.region);
    ASSERT_EQ(pictures[under.id], 1);

    window.command("status Status: Exporting 43%");
    ASSERT_TRUE(cycleUntil([&] { return manager->record(flashing.id)->lastBarkAt.has_value(); }));
    ASSERT_FALSE(flashSteps.empty()) << "the flash holds its first blink";
    ASSERT_TRUE(waitFor([&] {
        const Captured raw = screen.capture(under.region);
        return raw.ok() && desktop::maxChannelDifference(raw.value(), quiet) > 40;
    })) << "the fill is on screen over the box";
    const int taken = pictures[under.id];
    cycle();
    cycle();
    EXPECT_EQ(pictures[under.id], taken + 2) << "checked while the flash is over it";
    EXPECT_EQ(desktop::maxChannelDifference(*manager->picture(under.id), quiet), 0) << "without the fill";
    EXPECT_EQ(status(under.id), S::watching);

    finishFlashes();
    cycle();
    EXPECT_EQ(status(under.id), S::watching) << "after the flash the box is as before";

    window.command("status Xtatus: Exporting 43%");
    EXPECT_TRUE(cycleUntil([&] {
        finishFlashes();
        return status(under.id) == S::finished;
    })) << "and it still sees real changes";
}

[[maybe_unused]] const auto* const systemBusEnvironment = ::testing::AddGlobalTestEnvironment(new LogindBus);

struct EngineInItsSession : EngineOnDesktop {
    FakeLogind& logind = *LogindBus::logind;

    int picturesTaken() const {
        int n = 0;
        for (const auto& [id, count] : pictures) n += count;
        return n;
    }
    // Lets the buses deliver what is under way.
    static void deliver() { waitFor([] { return false; }, 200); }
};

TEST_F(EngineInItsSession, LockedOrAsleepNothingIsReadAndAfterwardsEverythingIs) {
    auto& state = dynamic_cast<LinuxScreenState&>(*platform.screenState);
    ASSERT_TRUE(waitFor([&] { return state.followsSession() && state.followsDisplaySleep(); }));
    desktop::TestWindow window;
    // The display box lies away from the other's frame (its tag would hide it).
    const int lastLog = tw::logLine0.y + (tw::logLines - 1) * tw::logStep;
    add(spec("w_DISP01", "the log changes", WatchType::anyChange, WatchMode::once,
             unboundOver(window, {double(tw::logLine0.x), double(lastLog), double(tw::logLine0.w), double(tw::logLine0.h)})));
    add(spec("w_WIND01", "the price changes", WatchType::anyChange, WatchMode::once, bound(window, tw::price)));
    ASSERT_EQ(picturesTaken(), 2) << "the first check of each";

    // A locked session and sleeping displays; each of their sources is the
    // screen state's own desktop test.
    struct Hider {
        const char* name;
        std::function<void(bool)> set;
    };
    const Hider hiders[] = {
        {"logind's locked hint", [&](bool on) { logind.setLockedHint(on); }},
        {"X screen saver", [&](bool on) { ASSERT_EQ(QProcess::execute("xset", {"s", on ? "activate" : "reset"}), 0); }},
    };
    for (const Hider& hider : hiders) {
        hider.set(true);
        ASSERT_TRUE(waitFor([&] { return !manager->screensAvailable(); })) << hider.name;
        const int before = picturesTaken();
        cycle();
        cycle();
        EXPECT_EQ(picturesTaken(), before) << hider.name << ": nothing captured";
        hider.set(false);
        ASSERT_TRUE(waitFor([&] { return manager->screensAvailable(); })) << hider.name;
        cycle();
        EXPECT_EQ(picturesTaken(), before + 2) << hider.name << ": both read again " << pictures["w_DISP01"] << " " << pictures["w_WIND01"];
    }
    for (const WatchRecord& r : manager->records()) EXPECT_EQ(r.status, WatchStatus::watching) << r.id();
}

// Which changes ask and let go is the manager's own test on fakes; here the
// real logind hold follows the watches through the manager.
TEST_F(EngineInItsSession, KeepAwakeHoldsLogindWhileAWatchIsActive) {
    defaults->set(WatchManager::keepAwakeKey, true);
    desktop::TestWindow window;
    const WatchSpec a = spec("w_KEEP0A", "the status changes", WatchType::anyChange, WatchMode::once,
                             bound(window, tw::status));
    const WatchSpec b = spec("w_KEEP0B", "the price changes", WatchType::anyChange, WatchMode::once,
                             bound(window, tw::price));
    const std::size_t first = logind.inhibits.size();  // holds of earlier tests, all let go
    add(a);
    add(b);
    manager->pause(a.id);
    ASSERT_TRUE(waitFor([&] { return platform.keepAwake->held(); }));
    deliver();
    ASSERT_EQ(logind.inhibits.size(), first + 1) << "one hold while any watch is active";
    manager->remove(b.id);
    EXPECT_TRUE(waitFor([&] { return logind.released(first); }));
    EXPECT_FALSE(platform.keepAwake->held());
    manager->resume(a.id);
    ASSERT_TRUE(waitFor([&] { return platform.keepAwake->held(); }));
    manager->shutdown();
    EXPECT_TRUE(waitFor([&] { return logind.released(first + 1); })) << "shutting down lets it go";
}

}  // namespace
}  // namespace kestrove::testing
