// Kestrove as a user runs it, on a desktop with openbox, dunst and the
// accessibility bus: a watch made with the hot key barks with its crop, the
// saved watches come back with their frames, one instance at a time, and an
// ending signal saves. (Without a display: test_dev_modes_process.)
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_window_list.hpp"
#include "core/rules/local_compiler.hpp"
#include "core/watch/watch_json.hpp"
#include "shell/kestrove_process.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/dunst_peer.hpp"
#include "support/app/real_apps.hpp"
#include "support/app/save_counter.hpp"
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
    static void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute("xdotool", args), 0); }
    // Alt+Shift+B until the selection overlay covers the screen (the grab
    // is in place only once start-up got that far).
    static bool pressHotKeyForOverlay(Kestrove& app) {
        return waitFor([&] {
            QProcess::execute("xdotool", {"key", "alt+shift+b"});
            return waitFor([&] {
                for (const Rect& w : app.frames())
                    if (w.width >= 1000) return true;
                return false;
            }, 700);
        }, 10000);
    }
    // A drag over `box` of the test window, then the panel with the keyboard.
    std::optional<Rect> drawBox(Kestrove& app, const tw::Box& box) {
        waitFor([] { return false; }, 300);  // the overlay takes the pointer
        const auto at = [&](int dx, int dy) { return QStringList{QString::number(client.x + box.x + dx), QString::number(client.y + box.y + dy)}; };
        xdotool(QStringList{"mousemove"} + at(0, 0) + QStringList{"mousedown", "1", "mousemove"} + at(box.w / 2, box.h / 2) +
                QStringList{"mousemove"} + at(box.w, box.h) + QStringList{"mouseup", "1"});
        std::optional<Rect> panel;
        waitFor([&] { return (panel = app.keyboardWindow()).has_value(); }, 10000);
        return panel;
    }
    // The panel with the keyboard once it kept its size for a second and
    // differs from `before`.
    static std::optional<Rect> settled(Kestrove& app, const Rect& before) {
        std::optional<Rect> last;
        int still = 0;
        waitFor([&] {
            const auto now = app.keyboardWindow();
            still = now && last && *now == *last && *now != before ? still + 1 : 0;
            last = now;
            waitFor([] { return false; }, 100);
            return still >= 10;
        }, 15000);
        return still >= 10 ? last : std::nullopt;
    }
    // A frame shown around `r`: it encloses the box and comes close to it.
    static bool framed(const std::vector<Rect>& frames, const WatchRegion& r) {
        const Rect box{r.x, r.y, r.w, r.h};
        for (const Rect& f : frames)
            if (f.contains(box) && f.width < box.width + 80 && f.height < box.height + 80) return true;
        return false;
    }
    // The tray's panel: the one of its shown windows as wide as a panel (the
    // window manager may have framed it: xdotool finds it wherever it is).
    static std::optional<Rect> panel(const Kestrove& app) {
        QProcess search;
        search.start("xdotool", {"search", "--all", "--onlyvisible", "--pid", QString::number(app.pid()), ""});
        search.waitForFinished();
        for (const QString& id : QString::fromUtf8(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            QProcess geometry;
            geometry.start("xdotool", {"getwindowgeometry", "--shell", id});
            geometry.waitForFinished();
            std::map<QString, double> v;
            for (const QString& line : QString::fromUtf8(geometry.readAllStandardOutput()).split('\n'))
                if (const auto eq = line.indexOf('='); eq > 0) v[line.left(eq)] = line.mid(eq + 1).toDouble();
            if (v["WIDTH"] >= 360 && v["WIDTH"] <= 400) return Rect{v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]};
        }
        return std::nullopt;
    }
    // Pause All (Resume All when every watch is paused) clicked as a user
    // does: the tray's icon opens the panel, the button leads the row of
    // actions at its foot. `snapshot`: a picture of the screen before the click.
    static bool clickPauseAll(const Kestrove& app, const QString& snapshot = {}) {
        const ScreenInfo screen = QtScreens().screens().at(0);
        const QStringList icon{QString::number(int(screen.frame.maxX()) - 12), "12"};
        if (!panel(app) && !waitFor([&] {
                QProcess::execute("xdotool", QStringList{"mousemove"} + icon + QStringList{"click", "1"});
                return waitFor([&] { return panel(app).has_value(); }, 1000);
            }, 15000))
            return false;
        waitFor([] { return false; }, 800);  // laid out with its cards
        const Rect shown = panel(app).value_or(Rect{});
        const QStringList button{QString::number(int(shown.x) + 54), QString::number(int(shown.maxY()) - 23)};
        if (!snapshot.isEmpty()) {
            std::filesystem::create_directories(KESTROVE_SNAPSHOT_DIR);
            QProcess::execute("import", {"-window", "root", QStringLiteral(KESTROVE_SNAPSHOT_DIR "/") + snapshot});
        }
        QProcess::execute("xdotool", QStringList{"mousemove"} + button + QStringList{"click", "1"});
        return true;
    }
};

TEST_F(KestroveApp, HotKeyBoxAndSentenceMakeAWatchThatBarksWithItsCropAndCancelKeepsNone) {
    testing::DunstPeer dunst;
    Home home;
    Kestrove app(home);
    // With NumLock on, as many keyboards start.
    xdotool({"key", "Num_Lock"});
    const bool overlay = pressHotKeyForOverlay(app);
    xdotool({"key", "Num_Lock"});
    ASSERT_TRUE(overlay) << app.log();
    ASSERT_TRUE(drawBox(app, tw::price)) << "the panel has the keyboard " << app.log();
    // The reading of the box is in: the panel no longer says it waits for it.
    const auto input = settled(app, {});
    ASSERT_TRUE(input) << app.log();

    xdotool({"type", "--delay", "5", "the price drops below 100"});
    xdotool({"key", "Return"});
    // The confirm card is taller than the sentence's field; Return starts it.
    const auto card = settled(app, *input);
    ASSERT_TRUE(card) << app.log();
    EXPECT_GT(card->height, input->height);
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(home.watchFile()) && home.saved().size() == 1; }, 10000))
        << app.log();
    const WatchRecord saved = home.saved()[0];
    EXPECT_EQ(saved.spec.type, WatchType::numberCompare);
    EXPECT_EQ(saved.spec.value, 100);
    EXPECT_EQ(saved.status, WatchStatus::watching);
    const QImage crop(QString::fromStdString((home.watchFile().parent_path() / "crops" / (saved.spec.id + ".png")).string()));
    EXPECT_EQ(crop.size(), QSize(tw::price.w, tw::price.h));
    EXPECT_TRUE(waitFor([&] { return framed(app.frames(), saved.spec.region); })) << app.log();

    window.command("price Price: 89.50 EUR");
    ASSERT_TRUE(waitFor([&] { return dunst.count() > 0; }, 40000)) << app.log() << encodeJson(WatchFile{1, home.saved()});
    const auto shown = dunst.notifications().at(0);
    EXPECT_EQ(shown.appName.toStdString(), "Kestrove");
    EXPECT_EQ(shown.summary.toStdString(), "Woof. The price drops below 100.");
    EXPECT_TRUE(shown.body.endsWith(" · Read 89.50")) << shown.body.toStdString();
    const QImage barked(shown.iconPath.startsWith("file://") ? shown.iconPath.mid(7) : shown.iconPath);
    EXPECT_EQ(barked.size(), QSize(tw::price.w, tw::price.h)) << shown.iconPath.toStdString();
    // A once watch is finished by its bark, on disk too, and its frame goes.
    EXPECT_TRUE(waitFor([&] { return app.frames().empty(); }, 5000));
    ASSERT_EQ(home.saved().size(), 1u);
    EXPECT_EQ(home.saved()[0].status, WatchStatus::finished);
    EXPECT_TRUE(home.saved()[0].lastBarkAt.has_value());

    // Escape is the panel's Cancel: it closes, and nothing more is saved.
    ASSERT_TRUE(pressHotKeyForOverlay(app));
    ASSERT_TRUE(drawBox(app, tw::status)) << app.log();
    xdotool({"key", "Escape"});
    EXPECT_TRUE(waitFor([&] { return !app.keyboardWindow(); })) << app.log();
    EXPECT_EQ(home.saved().size(), 1u);

    // A box left half drawn when the screen saver starts lets go of the
    // keyboard, so the locker started then locks.
    ASSERT_TRUE(pressHotKeyForOverlay(app));
    xdotool({"mousemove", "200", "200", "mousedown", "1", "mousemove", "260", "240"});
    ASSERT_EQ(QProcess::execute("xset", {"s", "activate"}), 0);
    QProcess locker;
    locker.start(QStringLiteral("i3lock"), {"-n"});
    ASSERT_TRUE(locker.waitForStarted()) << "i3lock is installed";
    waitFor([&] { return locker.state() == QProcess::NotRunning; }, 3000);  // it gives up after about a second
    EXPECT_EQ(locker.state(), QProcess::Running) << locker.readAllStandardError().toStdString();
    locker.terminate();
    locker.waitForFinished(3000);
    xdotool({"mouseup", "1"});
    QProcess::execute("xset", {"s", "reset"});
    EXPECT_TRUE(waitFor([&] { return app.frames().empty() && !app.keyboardWindow(); })) << "the overlay is gone";
    EXPECT_EQ(home.saved().size(), 1u);
}

std::string bytesOf(const std::filesystem::path& file) {
    std::stringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

TEST_F(KestroveApp, ADamagedFileIsKeptAsideAndLoggedFirstTheMenuStillWorksAndNothingElseIsLost) {
    struct Case {
        const char* what;
        bool watchFile;  // else the settings file
        std::string damaged;
        std::string logged;  // how the log begins
        std::string keptAs;  // what precedes the copy's name
    };
    const Case cases[] = {
        {"the watch file", true, R"({"version": 1, "watches": [{"spec": {"id": "w_OLD001", "comm)",
         "Kestrove: the watch file could not be used (", "kept it as "},
        {"the settings file", false, R"({"didOnboard": tru)", "Kestrove: the settings in ", "kept them as "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Home home;
        const auto folder = home.watchFile().parent_path();
        const auto settingsFile = home.config() / "Kestrove" / "settings.json";
        const auto damagedFile = c.watchFile ? home.watchFile() : settingsFile;
        std::filesystem::create_directories(folder / "crops");
        std::ofstream(folder / "crops" / "w_OLD001.png") << "the old crop";
        // The crop is the damaged file's watch's, or this one's.
        WatchRecord kept = watch("Tell me when it says Done", tw::price, "Done", "w_OLD001");
        kept.status = WatchStatus::paused;
        if (!c.watchFile) home.save({kept});
        const auto savedBefore = c.watchFile ? std::vector<WatchRecord>{} : home.saved();
        std::ofstream(damagedFile) << c.damaged;
        const std::string settings = bytesOf(settingsFile);

        // A tray at the top, holding only our icon at its right end.
        QProcess tray;
        tray.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "request",
                                             "--height", "24", "--SetDockType", "true"});
        ASSERT_TRUE(tray.waitForStarted(5000));
        Kestrove app(home);
        ASSERT_TRUE(app.waitForLog(c.keptAs)) << app.log();
        std::vector<std::filesystem::path> copies;
        for (const auto& e : std::filesystem::directory_iterator(damagedFile.parent_path()))
            if (e.path().filename().string().starts_with(damagedFile.filename().string() + ".damaged-"))
                copies.push_back(e.path());
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(bytesOf(copies[0]), c.damaged) << "byte for byte";
        const std::string log = app.log();
        EXPECT_TRUE(log.starts_with(c.logged)) << "before anything else: " << log;
        EXPECT_NE(log.find(c.keptAs + copies[0].string() + "\n"), std::string::npos) << log;

        // The icon opens the panel (over the welcome a settings file lost brings back).
        waitFor([] { return false; }, 1500);
        const auto before = app.keyboardWindow();
        const ScreenInfo screen = QtScreens().screens().at(0);
        const QStringList icon{QString::number(int(screen.frame.maxX()) - 12), "12"};
        EXPECT_TRUE(waitFor([&] {
            QProcess::execute("xdotool", QStringList{"mousemove"} + icon + QStringList{"click", "1"});
            return waitFor([&] { return app.keyboardWindow().has_value() && app.keyboardWindow() != before; }, 1000);
        }, 15000)) << "the panel opens from the tray";
        QProcess::execute("import", {"-window", "root",
                                     QStringLiteral(KESTROVE_SNAPSHOT_DIR "/damaged-%1.png").arg(c.watchFile ? "watch-file" : "settings")});

        EXPECT_EQ(app.end(SIGTERM), 0) << app.log();
        EXPECT_EQ(bytesOf(copies[0]), c.damaged);
        EXPECT_EQ(bytesOf(folder / "crops" / "w_OLD001.png"), "the old crop") << "nothing else lost";
        if (c.watchFile) {
            EXPECT_EQ(home.saved(), std::vector<WatchRecord>{}) << "a usable file again";
            EXPECT_EQ(bytesOf(settingsFile), settings);
        } else {
            EXPECT_EQ(home.saved(), savedBefore) << "nothing else lost";
            EXPECT_NE(bytesOf(settingsFile), c.damaged) << "never read or written over again";
        }
        tray.terminate();
        if (!tray.waitForFinished(3000)) tray.kill();
        tray.waitForFinished(2000);
    }
}

TEST_F(KestroveApp, StartsWithoutAHeldHotKeyRunsOnceAndSavesOnAnEndingSignal) {
    // Another client holds Alt+Shift+B.
    XcbConnection other;
    xcb_connection_t* c = other.get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto map = adopt(xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr));
    ASSERT_TRUE(map);
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    for (int i = 0; i < xcb_get_keyboard_mapping_keysyms_length(map.get()); ++i)
        if (syms[i] == 0x62)  // b
            xcb_grab_key(c, 1, other.root(), XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT,
                         static_cast<xcb_keycode_t>(setup->min_keycode + i / map->keysyms_per_keycode),
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    adopt(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // the grabs are in place

    Home home;
    // A reading is written with the next save, not at once: nothing but the second start could write once the frame
    // shows, and only an ending signal writes the latest reading.
    const WatchRecord record = watch("the price drops below 100", tw::price, tw::initialPrice, "w_READ01");
    home.save({record});
    Kestrove first(home);
    EXPECT_TRUE(first.waitForLog("Kestrove: could not register hotkey: Alt+Shift+B is taken by another program\n"))
        << first.log();
    // No tray runs here either: one line says what still reaches Kestrove, and it is true.
    EXPECT_TRUE(first.waitForLog("Kestrove: no system tray runs yet and Alt+Shift+B is not ours; Kestrove can be "
                                 "reached once a tray starts"))
        << first.log();
    EXPECT_EQ(first.log().find("works meanwhile"), std::string::npos) << first.log();
    EXPECT_EQ(first.log().find("still works"), std::string::npos) << first.log();
    ASSERT_TRUE(waitFor([&] { return framed(first.frames(), record.spec.region); }, 10000))
        << "start-up went on, the saved watch is back in its frame " << first.log();
    waitFor([] { return false; }, 1000);  // the restored list is written in the same turn as the frame shows
    const auto before = std::filesystem::last_write_time(home.watchFile());
    Kestrove second(home);
    EXPECT_EQ(second.waitForExit(), 1);
    EXPECT_NE(second.log().find("Kestrove: already running (process " + std::to_string(first.pid()) + ")"),
              std::string::npos)
        << second.log();
    EXPECT_EQ(std::filesystem::last_write_time(home.watchFile()), before);
    ASSERT_TRUE(first.running());

    waitFor([] { return false; }, 3000);  // a reading or two
    // One ending signal is enough here: test_termination_signals shows each of them reaches the same end.
    EXPECT_EQ(first.end(SIGHUP), 0) << first.log();
    EXPECT_NE(first.log().find("ending on HUP"), std::string::npos) << first.log();
    const auto saved = home.saved();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].lastRead, "249.99");
    EXPECT_EQ(saved[0].status, WatchStatus::watching);
}

// A save cut short (the process killed) leaves the temporary file it was
// writing beside the file it replaces, and a kill between a crop and the save
// that names or forgets it leaves a crop no watch names. The next launch
// removes those of ours, found by their names alone, and nothing else of the
// folder: not the copies a user made by hand before editing a file.
TEST_F(KestroveApp, ALaunchRemovesWhatSavesCutShortLeftAndNothingElse) {
    Home home;
    WatchRecord kept = watch("Tell me when it says Done", tw::price, "Done", "w_KEPT01");
    kept.status = WatchStatus::paused;
    home.save({kept});
    const auto saved = home.saved();
    const auto folder = home.watchFile().parent_path();
    std::filesystem::create_directories(folder / "crops");
    std::ofstream(folder / "crops" / "w_KEPT01.png") << "the crop";
    std::ofstream(folder / "crops" / "w_GONE01.png") << "a crop no watch names";
    // Made as a save makes its temporary file, then left as a kill leaves it.
    const auto interrupted = [](const std::filesystem::path& file) {
        std::string name = file.string() + ".kestrove-tmp-XXXXXX";
        const int fd = ::mkstemp(name.data());
        EXPECT_GE(fd, 0) << name;
        const std::string part = R"({"version": 1, "wat)";
        EXPECT_EQ(::write(fd, part.data(), part.size()), static_cast<ssize_t>(part.size()));
        ::close(fd);
        return std::filesystem::path(name);
    };
    const std::vector<std::filesystem::path> leftovers{interrupted(home.watchFile()), interrupted(home.watchFile()),
                                                       interrupted(folder / "crops" / "w_KEPT01.png")};
    const auto settingsFolder = home.config() / "Kestrove";
    std::filesystem::create_directories(settingsFolder);
    const auto settingsLeftover = interrupted(settingsFolder / "settings.json");
    std::ofstream(settingsFolder / "notes.txt.Ab12Cd") << "someone's";
    std::ofstream(settingsFolder / "settings.json.backup") << R"({"didOnboard": false})";
    const std::vector<std::string> others{"watches.json.bak",     "notes.txt.Ab12Cd",
                                          "watches.json.damaged-20260301T093000Z",
                                          "crops/w_KEPT01.png",   "crops/picture.jpg.Ab12Cd",
                                          "watches.json.backup",  "watches.json.before",
                                          "crops/w_KEPT01.png.backup", "crops/holiday.png"};
    for (const std::string& other : others)
        if (!std::filesystem::exists(folder / other)) std::ofstream(folder / other) << "someone's";

    Kestrove app(home);
    ASSERT_TRUE(app.waitForLog("Kestrove: removed 3 files left by saves that were cut short")) << app.log();
    ASSERT_TRUE(app.waitForLog("Kestrove: removed 1 file left by saves that were cut short, such as " +
                               settingsLeftover.string()))
        << app.log();
    EXPECT_TRUE(std::filesystem::exists(settingsFolder / "notes.txt.Ab12Cd"));
    EXPECT_EQ(bytesOf(settingsFolder / "settings.json.backup"), R"({"didOnboard": false})");
    for (const auto& leftover : leftovers) EXPECT_FALSE(std::filesystem::exists(leftover)) << leftover;
    for (const std::string& other : others) EXPECT_TRUE(std::filesystem::exists(folder / other)) << other;
    EXPECT_EQ(bytesOf(folder / "crops" / "w_KEPT01.png"), "the crop");
    EXPECT_EQ(app.end(SIGTERM), 0) << app.log();
    EXPECT_EQ(home.saved(), saved);
    EXPECT_FALSE(std::filesystem::exists(folder / "crops" / "w_GONE01.png"));
}

// A data folder on a file system mounted read-only (a mount namespace of
// the test's own): the start stops at the lock and says why, in the
// system's words, and the watch file is as it was.
TEST_F(KestroveApp, ADataFolderThatCannotBeWrittenStopsTheStartWithTheSystemsReason) {
    Home home;
    WatchRecord kept = watch("Tell me when it says Done", tw::price, "Done", "w_KEPT01");
    home.save({kept});
    const auto folder = home.watchFile().parent_path();
    const std::string before = bytesOf(home.watchFile());
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(home.data().string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(home.config().string()));
    app.setProcessEnvironment(env);
    app.start("unshare", {"--map-root-user", "--mount", "sh", "-c",
                          R"(mount --bind "$1" "$1" && mount -o remount,ro,bind "$1" "$1" || exit 99; exec "$0")",
                          QStringLiteral(KESTROVE_APP), QString::fromStdString(folder.string())});
    ASSERT_TRUE(app.waitForFinished(20000));
    const std::string log = app.readAllStandardError().toStdString();
    if (app.exitCode() == 99 || log.starts_with("unshare:")) GTEST_SKIP() << "no mount namespace here: " << log;
    EXPECT_EQ(app.exitCode(), 1) << log;
    EXPECT_NE(log.find("Kestrove: cannot start: the lock " + (folder / ".lock").string() +
                       " cannot be made (Read-only file system)"),
              std::string::npos)
        << log;
    EXPECT_EQ(bytesOf(home.watchFile()), before);
}

// Pause All from the tray's panel on sixty watches, as a user clicks it:
// the watch file is written once, with every watch paused. (Saved watch by
// watch, a kill in between left some paused and others watching.)
TEST_F(KestroveApp, PauseAllFromThePanelWritesTheWatchFileOnce) {
    Home home;
    std::vector<WatchRecord> sixty;
    for (int i = 0; i < 60; ++i)
        sixty.push_back(watch("Tell me when it says Done", tw::price, "Done", "w_ALL" + std::to_string(100 + i)));
    home.save(sixty);
    desktop::RealApp tray(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "request",
                                                     "--height", "24", "--SetDockType", "true"});
    ASSERT_NE(tray.pid(), 0) << "trayer started";
    Kestrove app(home);
    ASSERT_TRUE(waitFor([&] { return app.frames().size() >= sixty.size(); }, 20000)) << app.log();
    waitFor([] { return false; }, 1500);  // the restored list is written
    testing::SaveCounter saves(home.watchFile().parent_path());

    ASSERT_TRUE(clickPauseAll(app, "pause-all-panel.png")) << "the panel opens from the tray";
    ASSERT_TRUE(waitFor([&] {
        const auto saved = home.saved();
        return std::all_of(saved.begin(), saved.end(), [](const WatchRecord& r) { return r.status == WatchStatus::paused; });
    }, 10000)) << "Pause All was clicked " << app.log();
    waitFor([] { return false; }, 1500);  // any later save of the command
    EXPECT_EQ(saves.take(), 1) << "one command, one save";
    EXPECT_EQ(app.end(SIGTERM), 0) << app.log();
}

// An every-time watch on "this changes" barks for later changes too, one
// that came a second after a bark among them (once the box kept still for a
// check, what it shows is compared with); a counter that moves every second
// never keeps still, and is not barked at every check.
TEST_F(KestroveApp, AnEveryTimeChangeWatchBarksForLaterChangesNotAtEachTickOfACounter) {
    testing::DunstPeer dunst;
    Home home;
    WatchRecord price = watch("this changes", tw::price, tw::initialPrice, "w_EVERY1");
    WatchRecord counter = watch("this changes", tw::counter, tw::initialCounter, "w_TICKS1");
    ASSERT_EQ(price.spec.type, WatchType::anyChange);
    price.spec.command = "the price changes";
    counter.spec.command = "the counter changes";
    price.spec.mode = counter.spec.mode = WatchMode::everyTime;
    home.save({price, counter});
    Kestrove app(home);
    ASSERT_TRUE(waitFor([&] { return app.frames().size() >= 2; }, 20000)) << app.log();
    const auto barksOf = [&](const char* what) {
        int n = 0;
        for (const auto& shown : dunst.notifications()) n += shown.summary.contains(what);
        return n;
    };
    int seconds = 0;
    const auto tick = [&] {  // a second of the counter, every digit but one moving
        window.command("counter " + std::to_string(100000 + (++seconds * 7919) % 900000));
        waitFor([] { return false; }, 1000);
    };
    window.command("price Price: 80.00 EUR");
    while (barksOf("price") == 0 && seconds < 40) tick();
    ASSERT_EQ(barksOf("price"), 1) << app.log();
    tick();
    window.command("price Price: 181.11 USD");
    for (const char* next : {"Price: 2,282.22 GBP", "Price: 83.33", "Price: 4,484.44 EUR"}) {
        for (int i = 0; i < 15; ++i) tick();
        window.command(std::string("price ") + next);
    }
    for (int i = 0; i < 15; ++i) tick();
    EXPECT_GE(barksOf("price"), 3) << app.log();
    EXPECT_LE(barksOf("counter"), 1) << "checked every five seconds for " << seconds << " s";
}

// A watch resumed goes on where it stood: Pause All and Resume All bring no
// bark for what it told before; what came while it was paused barks once.
// So too across a restart of Kestrove.
TEST_F(KestroveApp, AResumedOrRestartedWatchBarksOnlyForWhatItHasNotToldYet) {
    testing::DunstPeer dunst;
    Home home;
    WatchRecord price = watch("the price drops below 100", tw::price, tw::initialPrice, "w_PRICE1");
    WatchRecord done = watch("Tell me when it says Done", tw::status, tw::initialStatus, "w_DONE01");
    price.spec.mode = done.spec.mode = WatchMode::everyTime;
    home.save({price, done});
    desktop::RealApp tray(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "request",
                                                     "--height", "24", "--SetDockType", "true"});
    ASSERT_NE(tray.pid(), 0) << "trayer started";
    auto app = std::make_unique<Kestrove>(home);
    ASSERT_TRUE(waitFor([&] { return app->frames().size() >= 2; }, 20000)) << app->log();
    const auto barksOf = [&](const char* what) {
        int n = 0;
        for (const auto& shown : dunst.notifications()) n += shown.summary.contains(what);
        return n;
    };
    const auto allAre = [&](WatchStatus status) {
        return waitFor([&] {
            const auto saved = home.saved();
            return std::all_of(saved.begin(), saved.end(), [&](const WatchRecord& r) { return r.status == status; });
        }, 10000);
    };
    const auto wait = [](int ms) { waitFor([] { return false; }, ms); };

    window.command("price Price: 89.50 EUR");
    ASSERT_TRUE(waitFor([&] { return barksOf("price") == 1; }, 40000)) << app->log();
    ASSERT_TRUE(clickPauseAll(*app)) << "the panel opens from the tray";
    ASSERT_TRUE(allAre(WatchStatus::paused)) << app->log();
    window.command("status Status: Done");
    wait(3000);
    ASSERT_TRUE(clickPauseAll(*app, "resume-all-panel.png"));
    ASSERT_TRUE(allAre(WatchStatus::watching)) << app->log();
    wait(25000);
    EXPECT_EQ(barksOf("price"), 1) << "told before the pause and still below 100";
    EXPECT_EQ(barksOf("Done"), 1) << "came while paused";

    // Not met for a while, met again while Kestrove is not running.
    window.command("status Status: Exporting 50%");
    wait(15000);
    EXPECT_EQ(app->end(SIGTERM), 0) << app->log();
    window.command("status Status: Done");
    app = std::make_unique<Kestrove>(home);
    wait(25000);
    EXPECT_EQ(barksOf("price"), 1) << "still below 100 after the restart " << app->log();
    EXPECT_EQ(barksOf("Done"), 2) << "came while Kestrove was not running";
}

}  // namespace
}  // namespace kestrove
