// The tray icon's controller on the real watch manager: the icon's count,
// the rows it builds, the pictures it loads, the dot after a bark and every
// action of the panel.
#include <gtest/gtest.h>

#include "core/copy/copy_status.hpp"
#include "status_fixture.hpp"

namespace kestrove::testing {
namespace {

using Status = WatchStatus;

TEST_F(StatusMenuTest, TheIconCountsActiveWatchesAndPauseAllTurnsIntoResumeAll) {
    EXPECT_EQ(item.look().count, 0);
    EXPECT_EQ(item.name, "Kestrove");
    for (const char* id : {"a", "b", "c", "f"}) added(makeSpec(id, 10));
    finish("f");
    manager->pause("c");
    EXPECT_EQ(item.look().count, 2);
    EXPECT_EQ(item.name, "Kestrove, 2 watching");
    EXPECT_TRUE(model().canPauseAll());
    EXPECT_FALSE(model().allPaused());
    model().onPauseAll();
    EXPECT_EQ(status("a"), Status::paused);
    EXPECT_EQ(status("b"), Status::paused);
    EXPECT_EQ(item.look().count, 0) << "paused watches are not counted";
    EXPECT_EQ(item.name, "Kestrove");
    EXPECT_TRUE(model().allPaused());
    EXPECT_TRUE(model().canPauseAll()) << "Resume All stays usable";
    model().onPauseAll();
    EXPECT_EQ(status("a"), Status::watching);
    EXPECT_EQ(status("b"), Status::watching);
    for (const char* id : {"a", "b", "c"}) manager->remove(id);
    EXPECT_FALSE(model().canPauseAll()) << "only finished watches";
    EXPECT_FALSE(model().allPaused());
}

TEST_F(StatusMenuTest, RowsGoByStateThenTheManagersOrder) {
    for (const char* id : {"fin", "w1", "pau", "lost", "w2"}) added(makeSpec(id, 10));
    finish("fin");
    manager->pause("pau");
    manager->runnerLostSight("lost", std::nullopt);
    EXPECT_EQ(rowIds(), (std::vector<std::string>{"w1", "w2", "lost", "pau", "fin"}));
    const auto& rows = model().monitors();
    EXPECT_TRUE(rows[2].muted) << "lost sight";
    EXPECT_FALSE(rows[0].muted);
    EXPECT_EQ(rows[4].woof, Copy::notificationTitle(manager->record("fin")->spec));
    EXPECT_EQ(rows[4].line, Copy::stateLine(*manager->record("fin"), 5, TimeOfDay::shortTime(*manager->record("fin")->lastBarkAt, "en_GB", "UTC"), std::nullopt, false));
    EXPECT_TRUE(model().hasFinished());

    // A trouble mutes a watching row, never a paused one.
    manager->runnerTrouble("w1", WatchTrouble::cantReachServer());
    manager->runnerTrouble("pau", WatchTrouble::cantReachServer());
    EXPECT_TRUE(model().monitors()[0].muted);
    EXPECT_FALSE(model().monitors()[3].muted);
}

TEST_F(StatusMenuTest, OnlyANumberWatchShowsWhatItRead) {
    added(makeSpec("n", 10, WatchType::numberCompare));
    added(makeSpec("t", 20, WatchType::textAppears));
    manager->runnerDidRead("n", "189.00", 189);
    manager->runnerDidRead("t", "Done", std::nullopt);
    EXPECT_EQ(model().monitors()[0].read, "189.00");
    EXPECT_EQ(model().monitors()[1].read, std::nullopt);
    EXPECT_EQ(manager->record("t")->lastRead, "Done") << "the record has one";
}

TEST_F(StatusMenuTest, TheDotRestartsOnEachBarkAndEndsAtRest) {
    auto scales = [&](std::size_t from) {
        std::vector<double> out;
        for (std::size_t i = from; i < item.looks.size(); ++i) out.push_back(item.looks[i].dotScale);
        return out;
    };
    added(makeSpec("a", 10, WatchType::anyChange, WatchMode::everyTime));
    const std::size_t start = item.looks.size();
    runners.latest("a")->host->runnerDidBark("a", std::make_shared<const Image>(solid(120, 30, 200)), std::nullopt);
    clock.advance(std::chrono::milliseconds(3 * 55));
    EXPECT_EQ(scales(start), (std::vector<double>{1.12, 1.26, 1.32, 1.2}));
    const std::size_t again = item.looks.size();
    runners.latest("a")->host->runnerDidBark("a", std::make_shared<const Image>(solid(120, 30, 200)), std::nullopt);
    clock.advance(std::chrono::seconds(2));
    std::vector<double> expected(DotAnimation::scales.begin(), DotAnimation::scales.end());
    expected.push_back(1.0);
    EXPECT_EQ(scales(again), expected) << "from the first frame again, then the resting mark";
    EXPECT_FALSE(menu->animation().running());
}

TEST_F(StatusMenuTest, PicturesLoadWhenThePanelOpens) {
    added(makeSpec("a", 10));
    EXPECT_TRUE(model().pictures().empty()) << "nothing loaded while closed";
    runners.latest("a")->host->publishPicture("a", std::make_shared<const Image>(solid(60, 20, 40)));
    EXPECT_TRUE(model().pictures().empty()) << "a picture while closed is not stored";
    open();
    ASSERT_TRUE(model().pictures().contains("a"));
    EXPECT_EQ(model().pictures().at("a").size(), QSize(60, 20)) << "the latest, loaded at opening";
    runners.latest("a")->host->publishPicture("a", std::make_shared<const Image>(solid(80, 20, 40)));
    EXPECT_EQ(model().pictures().at("a").size(), QSize(80, 20)) << "while open, each new picture";
    menu->toggle();
    manager->remove("a");
    EXPECT_TRUE(model().pictures().empty()) << "a closed panel drops the pictures of gone rows";

    // After a restart only the saved crop is there.
    added(makeSpec("b", 20));
    menu.reset();
    makeManager();
    manager->restore();
    makeStatus();
    open();
    EXPECT_FALSE(model().pictures().contains("b")) << "the saved crop is read off the main thread";
    runFiles();
    ASSERT_TRUE(model().pictures().contains("b"));
    EXPECT_EQ(model().pictures().at("b").size(), QSize(120, 30));
    std::filesystem::remove(data / "crops" / "b.png");
    EXPECT_TRUE(manager->picture("b") != nullptr) << "decoded once, kept by the manager";
}

TEST_F(StatusMenuTest, TheMenusActionsReachTheirOwners) {
    added(makeSpec("a", 10));
    open();
    EXPECT_TRUE(item.look().highlighted);
    model().onDisconnectTelegram();
    EXPECT_TRUE(menu->panelVisible()) << "the panel stays open while the chat is unlinked";
    model().onNewWatch();
    EXPECT_FALSE(menu->panelVisible());
    EXPECT_FALSE(item.look().highlighted);
    for (auto callback : {&MenuModel::onConnectTelegram, &MenuModel::onWelcome, &MenuModel::onAbout}) {
        open();
        (model().*callback)();
        EXPECT_FALSE(menu->panelVisible());
    }
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"disconnectTelegram", "newWatch", "connectTelegram",
                                                       "showWelcome", "showAbout"}));
    menu->setActions(nullptr);
    model().onNewWatch();
    EXPECT_EQ(actions.calls.size(), 5u) << "no application: nothing";

    model().onSetLocalOnly(true);
    EXPECT_TRUE(manager->cloud().localOnly());
    EXPECT_TRUE(model().localOnly());
    model().onSetKeepAwake(true);
    EXPECT_TRUE(defaults->boolean(WatchManager::keepAwakeKey));
    EXPECT_TRUE(model().keepAwake());
    EXPECT_TRUE(keepAwake.held()) << "a watch runs";
    telegram->setConnected(true);
    EXPECT_TRUE(model().telegramConnected());
    model().onQuit();
    EXPECT_EQ(quits, 1);
    model().onCheckForUpdates();
    EXPECT_EQ(updates.checks, 1);
}

TEST_F(StatusMenuTest, UpdateNotesAndTheDownloadPage) {
    const Release release{"1.5", 15, *Url::parse("https://example.org/get"), std::nullopt};
    open();
    const double limit = model().wallLimit();
    updates.say(UpdateNote::out(release));
    EXPECT_EQ(model().update(), UpdateNote::out(release));
    EXPECT_EQ(model().wallLimit(), std::max(limit - 41, 148.0)) << "the row's room is taken from the wall";
    model().onOpenUpdate();
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/get"});
    EXPECT_FALSE(menu->panelVisible());
    updates.say(UpdateNote::unknown());
    model().onOpenUpdate();
    EXPECT_EQ(opened.size(), 1u) << "no release at all: nothing";
    updates.newest = release;
    model().onOpenUpdate();
    EXPECT_EQ(opened.size(), 2u) << "the release found before";
}

TEST_F(StatusMenuTest, LaunchAtLoginFlipsWhatIsRead) {
    login.on = true;
    open();
    EXPECT_TRUE(model().launchAtLogin()) << "read at opening";
    model().onSetLaunchAtLogin(true);
    EXPECT_EQ(login.asked, std::vector<bool>{false}) << "on already: the switch's value is ignored";
    EXPECT_FALSE(model().launchAtLogin());
    login.refuse = "The folder is read-only.";
    model().onSetLaunchAtLogin(true);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].first, "Kestrove couldn't change Launch at Login.");
    EXPECT_EQ(alerts[0].second.rfind("The folder is read-only. Check that", 0), 0u);
    EXPECT_FALSE(menu->panelVisible()) << "closed before the alert";
    EXPECT_FALSE(model().launchAtLogin()) << "the real state";
}

}  // namespace
}  // namespace kestrove::testing
