// The manager keeps the system in step: the keep-awake hold, the screens'
// state, frames following their windows and the displays, and the boxes our
// own windows paint over.

#include "engine/manager_fixture.hpp"

namespace kestrove::testing {
namespace {

using S = WatchStatus;

struct Following : ManagerTest {
    void keepAwakeSetting(bool on) {
        defaults->set(WatchManager::keepAwakeKey, on);
        manager->updateKeepAwake();
    }
};

TEST_F(Following, KeepAwakeIsAskedOnlyWhenTheWantedStateChanges) {
    const WatchSpec a = makeSpec("w_a", 0), b = makeSpec("w_b", 100);
    added(a);
    EXPECT_TRUE(keepAwake.calls.empty()) << "setting off: nothing to release either";
    keepAwakeSetting(true);
    added(b);
    manager->runnerLostSight(b.id, std::nullopt);  // lost sight is still active
    manager->pause(a.id);
    EXPECT_EQ(keepAwake.calls, std::vector<bool>{true});
    manager->pause(b.id);
    manager->resume(b.id);
    manager->remove(b.id);
    manager->resume(a.id);
    EXPECT_EQ(keepAwake.calls, (std::vector<bool>{true, false, true, false, true}));
    EXPECT_EQ(keepAwake.takes, 3);
    keepAwakeSetting(false);
    keepAwakeSetting(false);
    keepAwakeSetting(true);
    manager->shutdown();
    EXPECT_EQ(keepAwake.calls, (std::vector<bool>{true, false, true, false, true, false, true, false}));
    EXPECT_FALSE(keepAwake.held());
}

TEST_F(Following, ARefusedHoldIsAskedForAgainAtTheNextChange) {
    added(makeSpec("w_a", 0));
    keepAwake.refuse = true;
    keepAwakeSetting(true);
    manager->runnerLostSight("w_a", std::nullopt);
    keepAwake.refuse = false;
    manager->runnerRegainedSight("w_a");
    manager->runnerDidRead("w_a", "1", 1);
    EXPECT_EQ(keepAwake.calls, (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(keepAwake.held());
}

TEST_F(Following, ScreenNoticesReachTheRunnersAndAScreenChangePlacesUnboundFramesAgain) {
    const WatchSpec unbound = makeSpec("w_u", 0), paused = makeSpec("w_p", 100), bound = boundSpec("w_b", 200, 77);
    for (const auto& s : {unbound, paused, bound}) added(s);
    manager->pause(paused.id);
    EXPECT_TRUE(manager->screensAvailable());
    // Sleep and lock are told on (a locker will want the keyboard), their
    // ends and a screen change are not.
    std::vector<ScreenNotice> away;
    ScreenNotice last{};
    manager->onScreensAway = [&] { away.push_back(last); };
    for (ScreenNotice n : {ScreenNotice::displaysSlept, ScreenNotice::displaysWoke, ScreenNotice::screenLocked,
                           ScreenNotice::parametersChanged, ScreenNotice::screenUnlocked, ScreenNotice::screenLocked})
        screenState.send(last = n);
    EXPECT_EQ(away, (std::vector{ScreenNotice::displaysSlept, ScreenNotice::screenLocked, ScreenNotice::screenLocked}));
    EXPECT_FALSE(manager->screensAvailable()) << "which notices hide the screens: the screen state's test";
    EXPECT_EQ(frameOf(unbound)->places, 1) << "the one screen change";
    screenState.send(ScreenNotice::parametersChanged);
    EXPECT_EQ(frameOf(unbound)->places, 2);
    EXPECT_EQ(frameOf(paused)->places, 2);
    EXPECT_EQ(frameOf(bound)->places, 0) << "left to the tracker";
    EXPECT_EQ(changes, 1) << "only the pause; the screen change announces nothing";
}

TEST_F(Following, BoundFramesFollowTheirWindowsWhileTheTrackerRuns) {
    screens.list = {fakes::screen("A", {0, 0, 1920, 1080})};
    windows.backend.windows = {fakes::window(77, {200, 100, 400, 300})};
    const WatchSpec unbound = makeSpec("w_u", 0), bound = boundSpec("w_b", 200, 77);
    added(unbound);
    EXPECT_FALSE(manager->tracking());
    EXPECT_TRUE(windows.lists.asked.empty());
    added(bound);
    EXPECT_TRUE(manager->tracking());
    ASSERT_FALSE(windows.lists.asked.empty()) << "asks at once for the new frame's place";
    main.runPending();
    EXPECT_EQ(frameOf(bound)->follows, std::vector{WindowTracking::FramePlace::show({210, 120, 120, 30})});
    EXPECT_TRUE(frameOf(unbound)->follows.empty());

    manager->followWindows({}, {{0, 0, 1920, 1080}});
    EXPECT_EQ(frameOf(bound)->follows.back(), WindowTracking::FramePlace::hide()) << "its window is gone";

    manager->pause(bound.id);
    EXPECT_TRUE(manager->tracking()) << "a paused watch keeps its frame";
    manager->end(bound.id);
    EXPECT_FALSE(manager->tracking());
    manager->startAgain(bound);
    EXPECT_TRUE(manager->tracking());
    manager->remove(bound.id);
    EXPECT_FALSE(manager->tracking());
}

TEST_F(Following, ANewBoundFrameAndAScreenChangeArePlacedThoughTheWindowsDidNotChange) {
    screens.list = {fakes::screen("A", {0, 0, 1920, 1080})};
    windows.backend.windows = {fakes::window(77, {200, 100, 400, 300})};
    const WatchSpec first = boundSpec("w_1", 200, 77), second = boundSpec("w_2", 300, 77);
    added(first);
    main.runPending();
    ASSERT_EQ(frameOf(first)->follows.size(), 1u);
    added(second);
    main.runPending();
    ASSERT_EQ(frameOf(second)->follows.size(), 1u) << "the new frame waits hidden for a change of the windows";
    EXPECT_EQ(frameOf(second)->follows[0], WindowTracking::FramePlace::show({210, 120, 120, 30}));

    const std::size_t followed = frameOf(first)->follows.size();
    main.runPending();
    EXPECT_EQ(frameOf(first)->follows.size(), followed) << "followed an unchanged list";
    screens.list = {fakes::screen("A", {0, 0, 1280, 800})};
    screenState.send(ScreenNotice::parametersChanged);
    main.runPending();
    EXPECT_EQ(frameOf(first)->follows.size(), followed + 1) << "the displays changed: frames placed again";
}

}  // namespace
}  // namespace kestrove::testing
