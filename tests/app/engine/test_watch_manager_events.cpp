// What the manager does with its runners' reports: the bark in its fixed
// order, lost and regained sight, readings, troubles and new baselines.

#include "engine/manager_fixture.hpp"

namespace kestrove::testing {
namespace {

using S = WatchStatus;
using std::chrono::minutes;

struct Events : ManagerTest {};

TEST_F(Events, AOnceBarkNotifiesFinishedThenHandsOnThenFlashesThenSaves) {
    defaults->set(WatchManager::keepAwakeKey, true);
    const WatchSpec spec = boundSpec("w_1", 100, 77);
    added(spec);
    manager->runnerTrouble(spec.id, WatchTrouble::cantReachServer());
    manager->runnerDirectOnly(spec.id, true);
    auto runner = runners.latest(spec.id);
    auto frame = frameOf(spec);
    settle();
    std::vector<std::string> events;
    notifier.hook = [&] {
        events.push_back("notify");
        EXPECT_EQ(status(spec.id), S::finished) << "the record first";
        EXPECT_TRUE(manager->record(spec.id)->lastBarkAt);
    };
    // A screen-sized picture is 15 MB: the notification and the chat get the
    // bark's own, not copies made on the main thread.
    const SharedImage picture = std::make_shared<const Image>(solid(120, 30, 5));
    manager->onBarked = [&](const WatchSpec& s, const auto&, const SharedImage& p) {
        events.push_back("barked");
        EXPECT_EQ(s, spec);
        EXPECT_EQ(p, picture);
        EXPECT_EQ(runner->stops, 0) << "the runner stops after the hand-off";
        EXPECT_TRUE(frame->flashes.empty());
    };
    manager->onBark = [&] {
        events.push_back("bark");
        EXPECT_EQ(runner->stops, 1);
        EXPECT_EQ(frame->flashes, std::vector<std::string>{"09:00"});
        EXPECT_EQ(manager->trouble(spec.id), std::nullopt);
        EXPECT_FALSE(manager->isDirectOnly(spec.id));
        EXPECT_EQ(saved(), 0) << "saved after the flash began";
        EXPECT_TRUE(keepAwake.held());
    };
    manager->onChange = [&] {
        events.push_back("change");
        EXPECT_EQ(saved(), 1);
        EXPECT_FALSE(keepAwake.held()) << "no watch is active any more";
        EXPECT_EQ(manager->activeCount(), 0);
    };
    manager->runnerDidBark(spec.id, picture, std::nullopt);
    EXPECT_EQ(events, (std::vector<std::string>{"notify", "barked", "bark", "change"}));
    EXPECT_EQ(notifier.lastPicture, picture);
    ASSERT_EQ(notifier.posted().size(), 1u);
    EXPECT_EQ(notifier.posted()[0].title, "Woof. The number drops below 200.");
    EXPECT_EQ(notifier.posted()[0].body, "09:00");
    EXPECT_EQ(notifier.posted()[0].threadId, spec.id);
    EXPECT_TRUE(notifier.posted()[0].hasPicture);
    EXPECT_EQ(savedFile().watches[0].status, S::finished);

    EXPECT_FALSE(frame->closed) << "the frame stays for its flash";
    EXPECT_TRUE(manager->tracking());
    EXPECT_FALSE(runner->destroyed) << "not while it may still be on the stack";
    clock.advance(minutes(0));
    EXPECT_TRUE(runner->destroyed);
    frame->finishFlash();
    EXPECT_TRUE(frame->closed);
    EXPECT_FALSE(manager->tracking()) << "no bound frame left";
}

TEST_F(Events, WatchAgainDuringTheFlashKeepsTheNewFrame) {
    const WatchSpec spec = boundSpec("w_1", 100, 77);
    added(spec);
    manager->runnerDidBark(spec.id, nullptr, std::nullopt);
    auto flashing = frameOf(spec);
    manager->watchAgain(spec.id);
    auto fresh = frameOf(spec);
    ASSERT_NE(fresh, flashing);
    flashing->finishFlash(/*evenIfClosed=*/true);
    EXPECT_FALSE(fresh->closed);
    EXPECT_TRUE(manager->tracking());
    EXPECT_EQ(status(spec.id), S::watching);
}

TEST_F(Events, AnEveryTimeWatchBarksAgainAndAgain) {
    const WatchSpec spec = makeSpec("w_1", 100, WatchType::anyChange, WatchMode::everyTime);
    added(spec);
    for (int i = 0; i < 3; ++i) {
        clock.advance(minutes(7));
        manager->runnerDidBark(spec.id, std::make_shared<const Image>(solid(120, 30, 5)), std::nullopt);
    }
    EXPECT_EQ(notifier.posted().size(), 3u);
    EXPECT_EQ(frameOf(spec)->flashes, (std::vector<std::string>{"09:07", "09:14", "09:21"}));
    EXPECT_EQ(manager->record(spec.id)->lastBarkAt, clock.wallNow()) << "the latest bark";
    EXPECT_EQ(status(spec.id), S::watching);
    EXPECT_EQ(runners.latest(spec.id)->stops, 0);
    EXPECT_EQ(saved(), 1) << "the latest of the three saves";
    EXPECT_EQ(savedFile().watches[0].lastBarkAt, clock.wallNow());
    EXPECT_TRUE(savedFile().watches[0].told) << "what barked was told";
    // Seen not to hold any more: saved once, nothing shown changes.
    settle();
    manager->runnerTold(spec.id, false);
    manager->runnerTold(spec.id, false);
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(savedFile().watches[0].told);
}

TEST_F(Events, ANumberBarkReadsTheEvaluationElseTheLastReading) {
    struct Case {
        const char* name;
        WatchType type;
        std::optional<Evaluation> evaluation;
        std::string body;
        std::optional<std::string> lastRead;
    };
    const Evaluation read184{true, 184, "€ 184", true};
    const Evaluation noDisplay{true, 184, std::nullopt, true};
    const Case cases[] = {
        {"evaluation's text", WatchType::numberCompare, read184, "09:00 · Read € 184", "€ 184"},
        {"no evaluation", WatchType::numberCompare, std::nullopt, "09:00 · Read € 190", "€ 190"},
        {"evaluation without text", WatchType::numberCompare, noDisplay, "09:00 · Read € 190", "€ 190"},
        {"not a number watch", WatchType::anyChange, read184, "09:00", "€ 190"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        const WatchSpec spec = makeSpec("w_1", 100, c.type, WatchMode::everyTime);
        added(spec);
        manager->runnerDidRead(spec.id, "€ 190", 190);
        std::optional<std::string> handedOn;
        manager->onBarked = [&](const WatchSpec&, const std::optional<std::string>& read, const auto&) { handedOn = read; };
        manager->runnerDidBark(spec.id, nullptr, c.evaluation);
        ASSERT_EQ(notifier.posted().size(), 1u);
        EXPECT_EQ(notifier.posted()[0].body, c.body);
        EXPECT_FALSE(notifier.posted()[0].hasPicture);
        EXPECT_EQ(manager->record(spec.id)->lastRead, c.lastRead);
        EXPECT_EQ(manager->record(spec.id)->lastValue, 190) << "a bark leaves the value alone";
        EXPECT_EQ(handedOn, c.type == WatchType::numberCompare ? c.lastRead : std::nullopt);
    }
}

TEST_F(Events, OnlyARunningWatchBarks) {
    const WatchSpec paused = makeSpec("w_p", 0), ended = makeSpec("w_e", 100), removed = makeSpec("w_r", 200);
    for (const auto& s : {paused, ended, removed}) added(s);
    manager->pause(paused.id);
    manager->end(ended.id);
    manager->remove(removed.id);
    settle();
    int handedOn = 0;
    manager->onBarked = [&](const auto&, const auto&, const auto&) { ++handedOn; };
    ::testing::internal::CaptureStderr();
    for (const auto& s : {paused, ended, removed}) manager->runnerDidBark(s.id, nullptr, std::nullopt);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(notifier.posted().empty());
    EXPECT_EQ(handedOn, 0);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(saved(), 0);
    EXPECT_FALSE(manager->record(paused.id)->lastBarkAt);
    EXPECT_NE(log.find("ignored a bark of w_p, which is paused"), std::string::npos) << log;
    EXPECT_NE(log.find("ignored a bark of w_e, which is finished"), std::string::npos) << log;
}

TEST_F(Events, LosingSightNotifiesOnceWithoutAPictureAndRegainingIsSilent) {
    const WatchSpec spec = makeSpec("w_1", 100);
    added(spec);
    runners.latest(spec.id)->interval = 15;
    manager->runnerLostSight(spec.id, WindowLoss::closed);
    manager->runnerLostSight(spec.id, WindowLoss::closed);
    ASSERT_EQ(notifier.posted().size(), 1u);
    EXPECT_EQ(notifier.posted()[0].title, "Woof. I can't see it anymore.");
    EXPECT_EQ(notifier.posted()[0].body, "09:00 · the number drops below 200 · the window was closed");
    EXPECT_FALSE(notifier.posted()[0].hasPicture);
    EXPECT_EQ(status(spec.id), S::lostSight);
    EXPECT_EQ(frameOf(spec)->model.status, S::lostSight);
    EXPECT_EQ(frameOf(spec)->model.interval, 15);
    EXPECT_EQ(saved(), 1);
    EXPECT_EQ(changes, 1);

    manager->runnerRegainedSight(spec.id);
    manager->runnerRegainedSight(spec.id);
    EXPECT_EQ(notifier.posted().size(), 1u);
    EXPECT_EQ(status(spec.id), S::watching);
    EXPECT_EQ(frameOf(spec)->model.status, S::watching);
    EXPECT_EQ(saved(), 1);

    manager->pause(spec.id);
    manager->runnerLostSight(spec.id, std::nullopt);
    EXPECT_EQ(status(spec.id), S::paused) << "a late loss of a paused watch is ignored";
    EXPECT_EQ(notifier.posted().size(), 1u);
}

TEST_F(Events, ReadingsTroublesAndDirectReadingAnnounceOnlyChangesAndSaveNothing) {
    const WatchSpec spec = makeSpec("w_1", 100, WatchType::numberCompare);
    added(spec);
    manager->runnerDidRead(spec.id, "184", 184);
    manager->runnerDidRead(spec.id, "184", 185);
    manager->runnerDidRead(spec.id, std::nullopt, 3);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(manager->record(spec.id)->lastValue, 184) << "a changed value under the same text is dropped";
    manager->runnerDidRead(spec.id, "∞", std::numeric_limits<double>::infinity());
    EXPECT_EQ(manager->record(spec.id)->lastValue, std::nullopt) << "the file cannot hold it";

    const auto usedUp = [](const char* at) { return WatchTrouble::modelChecksUsedUp(std::string(at)); };
    settle();
    manager->runnerTrouble(spec.id, usedUp("10:00"));
    manager->runnerTrouble(spec.id, usedUp("10:00"));
    manager->runnerTrouble(spec.id, usedUp("11:00"));
    manager->runnerTrouble(spec.id, std::nullopt);
    manager->runnerTrouble(spec.id, std::nullopt);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(frameOf(spec)->model.trouble, std::nullopt);

    settle();
    for (bool on : {true, true, false, false}) manager->runnerDirectOnly(spec.id, on);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(frameOf(spec)->model.directOnly);

    settle();
    runners.latest(spec.id)->interval = 30;
    manager->runnerIntervalChanged(spec.id);
    EXPECT_EQ(frameOf(spec)->model.interval, 30);
    EXPECT_EQ(manager->interval(spec.id), 30);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(saved(), 0);
    manager->shutdown();
    EXPECT_EQ(savedFile().watches[0].lastRead, "∞") << "the reading reaches the file with the next save";
}

TEST_F(Events, NewBaselinesAreKept) {
    const WatchSpec spec = makeSpec("w_1", 100, WatchType::newLine, WatchMode::everyTime);
    added(spec);
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"one"}, "1 line"}, {{}, "0 lines"}, {{"a", "b", "c"}, "3 lines"}};
    for (const auto& [lines, shown] : cases) {
        manager->runnerRebaselinedLines(spec.id, lines);
        EXPECT_EQ(saved(), 1);
        const auto saved = savedFile().watches[0].spec.baseline;
        EXPECT_EQ(saved.lines, lines);
        EXPECT_EQ(saved.currentDisplay, shown);
    }
    manager->runnerRebaselinedLines("w_gone", {"x"});
    EXPECT_EQ(saved(), 1) << "saves even without the record";
    EXPECT_EQ(changes, 0);

    manager->runnerRebaselined(spec.id, std::make_shared<const Image>(solid(120, 30, 200)));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(saved(), 0);
    EXPECT_EQ(savedCrop(spec.id), solid(120, 30, 200)) << "the picture replaces the crop";
}

}  // namespace
}  // namespace kestrove::testing
