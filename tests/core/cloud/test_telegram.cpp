#include <gtest/gtest.h>

#include "core/cloud/telegram.hpp"
#include "core/watch/watch_json.hpp"
#include "support/cloud_harness.hpp"
#include "support/fake_watch_control.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;
using testing::CloudHarness;
using testing::FakeWatchControl;
using testing::HttpTestServer;
using testing::ScriptedAnswer;
using Result = TelegramLink::NotifyResult;

const Date t0 = sys_days{year{2026} / 3 / 1} + hours{9};

WatchSpec watch(const std::string& id, WatchType type = WatchType::textAppears) {
    WatchSpec s;
    s.id = id;
    s.command = "\"Done\" appears";
    s.type = type;
    s.region = {1, 0, 0, 200, 100, 1, std::nullopt};
    s.createdAt = t0 - hours{1};
    return s;
}

class TelegramLinkTest : public ::testing::Test {
protected:
    CloudHarness h;
    int changes = 0;

    std::unique_ptr<TelegramLink> makeLink() {
        auto link = std::make_unique<TelegramLink>(h.settings, h.session, h.main.executor());
        link->setOnChange([this] { ++changes; });
        return link;
    }
    Result bark(TelegramLink& link, const WatchSpec& spec, std::optional<std::string> read = std::nullopt,
                std::optional<Image> crop = std::nullopt, Date at = t0) {
        return h.await<Result>([&](auto done) { return link.bark(spec, read, crop, at, done); });
    }
    std::vector<ChatAction> poll(TelegramLink& link, Date now) {
        return h.await<std::vector<ChatAction>>([&](auto done) { return link.pollActions(now, done); });
    }
    bool disconnect(TelegramLink& link) {
        return h.await<bool>([&](auto done) { return link.disconnect(done); });
    }
};

TEST_F(TelegramLinkTest, ConnectedFlagCallsOnChangeOnlyWhenItChanges) {
    auto link = makeLink();
    link->setConnected(false);
    EXPECT_EQ(changes, 0);
    link->setConnected(true);
    link->setConnected(true);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(h.store->boolean(TelegramLink::connectedKey));
}

TEST_F(TelegramLinkTest, LaunchCheck) {
    struct Case {
        const char* what;
        bool connected;
        ScriptedAnswer status;
        bool connectedAfter;
        int changes;
    };
    const Case cases[] = {
        {"still linked", true, ScriptedAnswer::json(200, R"({"linked": true})"), true, 0},
        {"unlinked on the other side", true, ScriptedAnswer::json(200, R"({"linked": false})"), false, 1},
        {"server failing keeps the state", true, ScriptedAnswer::json(500, ""), true, 0},
        {"not connected asks nothing", false, ScriptedAnswer::json(200, R"({"linked": true})"), false, 0},
    };
    for (const Case& c : cases) {
        CloudHarness fresh;
        int changed = 0;
        fresh.store->set(TelegramLink::connectedKey, c.connected);
        fresh.server.answer("/v1/pair/status", c.status);
        TelegramLink link(fresh.settings, fresh.session, fresh.main.executor());
        link.setOnChange([&] { ++changed; });
        fresh.awaitDone([&](auto done) { return link.checkAtLaunch(done); });
        EXPECT_EQ(link.connected(), c.connectedAfter) << c.what;
        EXPECT_EQ(changed, c.changes) << c.what;
        EXPECT_EQ(fresh.paths().size(), c.connected ? 1u : 0u) << c.what;
    }
}

TEST_F(TelegramLinkTest, LaunchCheckWithoutAChatMakesNoDeviceId) {
    auto link = makeLink();
    h.awaitDone([&](auto done) { return link->checkAtLaunch(done); });
    EXPECT_FALSE(h.store->object(CloudSettings::deviceKey).has_value());
}

TEST_F(TelegramLinkTest, PairingThatIsAlreadyLinkedConnectsOnce) {
    h.store->set(TelegramLink::unpairPendingKey, true);
    h.server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": true})"));
    h.server.answer("/v1/pair/status", ScriptedAnswer::json(200, R"({"linked": true})"));
    auto link = makeLink();
    auto pair = h.await<CloudResult<PairResponse>>([&](auto done) { return link->startPairing(done); });
    ASSERT_TRUE(pair.ok());
    EXPECT_TRUE(link->connected());
    EXPECT_FALSE(h.store->object(TelegramLink::unpairPendingKey).has_value());
    auto check = h.await<CloudResult<bool>>([&](auto done) { return link->checkPairing(done); });
    ASSERT_TRUE(check.ok());
    EXPECT_TRUE(check.value());
    EXPECT_EQ(changes, 1);
}

TEST_F(TelegramLinkTest, PairingWaitsAndPassesFailuresOn) {
    h.server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": false, "code": "K7"})"));
    h.server.answer("/v1/pair/status", ScriptedAnswer::json(502, R"({"error": "telegram_unavailable"})"));
    auto link = makeLink();
    auto pair = h.await<CloudResult<PairResponse>>([&](auto done) { return link->startPairing(done); });
    ASSERT_TRUE(pair.ok());
    EXPECT_EQ(pair.value().code, "K7");
    EXPECT_FALSE(link->connected());
    auto check = h.await<CloudResult<bool>>([&](auto done) { return link->checkPairing(done); });
    ASSERT_FALSE(check.ok());
    EXPECT_EQ(check.error(), CloudError::telegramUnavailable());

    h.store->set(CloudSettings::baseURLKey, std::string("   "));
    auto none = h.await<CloudResult<bool>>([&](auto done) { return link->checkPairing(done); });
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.error(), CloudError::notSetUp());
    EXPECT_EQ(changes, 0);
}

TEST_F(TelegramLinkTest, DisconnectOfflineIsFinishedAtTheNextLaunch) {
    h.store->set(TelegramLink::connectedKey, true);
    h.store->set(CloudSettings::baseURLKey, "http://127.0.0.1:" + std::to_string(HttpTestServer::unusedPort()));
    auto link = makeLink();
    EXPECT_FALSE(disconnect(*link));
    EXPECT_FALSE(link->connected());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(h.store->boolean(TelegramLink::unpairPendingKey));

    // Next launch, the server is back: the unpairing is repeated, the link status not asked.
    h.store->set(CloudSettings::baseURLKey, h.server.url());
    h.server.answer("/v1/unpair", ScriptedAnswer::json(200, R"({"linked": false})"));
    auto next = makeLink();
    h.awaitDone([&](auto done) { return next->checkAtLaunch(done); });
    EXPECT_EQ(h.paths(), std::vector<std::string>{"/v1/unpair"});
    EXPECT_FALSE(h.store->object(TelegramLink::unpairPendingKey).has_value());
    EXPECT_EQ(changes, 1);
}

TEST_F(TelegramLinkTest, DisconnectCountsNotLinkedAsDone) {
    struct Case {
        const char* what;
        ScriptedAnswer answer;
        bool told;
    };
    const Case cases[] = {
        {"confirmed", ScriptedAnswer::json(200, R"({"linked": false})"), true},
        {"no chat linked any more (409)", ScriptedAnswer::json(409, R"({"error": "not_linked"})"), true},
        {"server error", ScriptedAnswer::json(500, ""), false},
        {"messenger unreachable", ScriptedAnswer::json(502, R"({"error": "telegram_unavailable"})"), false},
    };
    for (const Case& c : cases) {
        CloudHarness fresh;
        fresh.store->set(TelegramLink::connectedKey, true);
        fresh.store->set(TelegramLink::unpairPendingKey, true);
        fresh.server.answer("/v1/unpair", c.answer);
        TelegramLink link(fresh.settings, fresh.session, fresh.main.executor());
        EXPECT_EQ(fresh.await<bool>([&](auto done) { return link.disconnect(done); }), c.told) << c.what;
        EXPECT_EQ(fresh.store->object(TelegramLink::unpairPendingKey).has_value(), !c.told) << c.what;
        EXPECT_FALSE(link.connected()) << c.what;
    }
}

TEST_F(TelegramLinkTest, DisconnectWithoutServerIsLocalOnly) {
    h.store->set(TelegramLink::connectedKey, true);
    h.store->set(CloudSettings::baseURLKey, std::string(""));
    auto link = makeLink();
    EXPECT_TRUE(disconnect(*link));
    EXPECT_FALSE(link->connected());
    EXPECT_FALSE(h.store->object(TelegramLink::unpairPendingKey).has_value());
    EXPECT_TRUE(h.paths().empty());
}

TEST_F(TelegramLinkTest, OutcomeIsStoredEvenWhenTheLinkIsGone) {
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/unpair", ScriptedAnswer::json(500, ""));
    bool told = true;
    bool called = false;
    CloudCall call;
    {
        TelegramLink link(h.settings, h.session, h.main.executor());
        call = link.disconnect([&](bool t) { told = t, called = true; });
    }
    EXPECT_TRUE(h.main.runUntil([&] { return called; }, seconds(10)));
    EXPECT_FALSE(told);
    EXPECT_TRUE(h.store->boolean(TelegramLink::unpairPendingKey));
}

TEST_F(TelegramLinkTest, ADroppedUnpairingStaysPendingForTheNextLaunch) {
    h.store->set(TelegramLink::connectedKey, true);
    ScriptedAnswer slow = ScriptedAnswer::json(200, R"({"linked": false})");
    slow.delay = std::chrono::milliseconds(300);
    h.server.answer("/v1/unpair", slow);
    auto link = makeLink();
    bool called = false;
    link->disconnect([&](bool) { called = true; }).cancel();
    EXPECT_FALSE(link->connected());
    h.main.runUntil([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_FALSE(called);
    EXPECT_TRUE(h.store->boolean(TelegramLink::unpairPendingKey));
}

TEST_F(TelegramLinkTest, AGoneLinkStoresLateAnswersWithoutCallingBack) {
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(409, ""));
    h.server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [{"watch": "w_LIVE01", "action": "stop"}]})"));
    auto watches = std::make_shared<FakeWatchControl>();
    watches->add(watch("w_LIVE01"), WatchStatus::watching);
    std::optional<Result> result;
    std::optional<std::vector<ChatAction>> actions;
    CloudCall poll, bark;
    {
        auto link = makeLink();
        link->setWatches(watches);
        poll = link->pollActions(t0, [&](std::vector<ChatAction> a) { actions = std::move(a); });
        bark = link->bark(watch("w_LIVE01"), {}, {}, t0, [&](Result r) { result = r; });
    }
    EXPECT_TRUE(h.main.runUntil([&] { return result && actions; }, seconds(10)));
    EXPECT_EQ(result, Result::notLinked());
    EXPECT_EQ(actions->size(), 1u);
    EXPECT_FALSE(h.store->boolean(TelegramLink::connectedKey));
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(watches->calls.empty());
}

TEST_F(TelegramLinkTest, BarkSendsTheChatSentenceAndTheReadingOfNumberWatches) {
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    auto link = makeLink();

    WatchSpec fallback = watch("w_FALL01", WatchType::anyChange);
    fallback.fallbackFrom = WatchType::stateReached;
    WatchSpec number = watch("w_NUM001", WatchType::numberCompare);
    number.mode = WatchMode::everyTime;
    struct Case {
        WatchSpec spec;
        Json expected;
    };
    const std::string device = h.settings.deviceID();
    const Case cases[] = {
        {watch("w_TEXT01"),
         {{"device", device}, {"watch", "w_TEXT01"}, {"command", "\"Done\" appears"}, {"mode", "once"}}},
        {fallback, {{"device", device}, {"watch", "w_FALL01"}, {"command", "something changed here"}, {"mode", "once"}}},
        {watch("w_PLAIN1", WatchType::anyChange),
         {{"device", device}, {"watch", "w_PLAIN1"}, {"command", "\"Done\" appears"}, {"mode", "once"}}},
        {number,
         {{"device", device}, {"watch", "w_NUM001"}, {"command", "\"Done\" appears"}, {"read", "150"},
          {"mode", "every_time"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bark(*link, c.spec, "150"), Result::sent(false)) << c.spec.id;
        EXPECT_EQ(Json::parse(h.server.requests().back().body), c.expected) << c.spec.id;
    }
}

TEST_F(TelegramLinkTest, BarkResults) {
    struct Case {
        const char* what;
        ScriptedAnswer answer;
        Result result;
        bool connectedAfter;
    };
    const Case cases[] = {
        {"sent", ScriptedAnswer::json(200, R"({"sent": false})"), Result::sent(false), true},
        {"no chat any more", ScriptedAnswer::json(409, ""), Result::notLinked(), false},
        {"server error", ScriptedAnswer::json(500, ""), Result::failed(CloudError::http(500)), true},
        {"odd answer", ScriptedAnswer::json(200, "[]"), Result::failed(CloudError::badAnswer()), true},
    };
    for (const Case& c : cases) {
        CloudHarness fresh;
        fresh.store->set(TelegramLink::connectedKey, true);
        fresh.server.answer("/v1/notify", c.answer);
        TelegramLink link(fresh.settings, fresh.session, fresh.main.executor());
        int changed = 0;
        link.setOnChange([&] { ++changed; });
        auto r = fresh.await<Result>([&](auto done) { return link.bark(watch("w_AAAAAA"), {}, {}, t0, done); });
        EXPECT_EQ(r, c.result) << c.what;
        EXPECT_EQ(link.connected(), c.connectedAfter) << c.what;
        EXPECT_EQ(changed, c.connectedAfter ? 0 : 1) << c.what;
        // Remembered whatever the answer, so a keep can still act on it.
        EXPECT_TRUE(link.recent().spec("w_AAAAAA", t0).has_value()) << c.what;
    }
}

TEST_F(TelegramLinkTest, RecentBarksAreSavedAndRestored) {
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    auto link = makeLink();
    bark(*link, watch("w_AAAAAA"), {}, {}, t0);
    bark(*link, watch("w_BBBBBB"), {}, {}, t0 + minutes{10});
    auto restored = makeLink();
    EXPECT_EQ(restored->recent(), link->recent());
    EXPECT_EQ(restored->recent().entries.size(), 2u);

    h.store->set(TelegramLink::recentKey, std::string("not bytes"));
    EXPECT_TRUE(makeLink()->recent().entries.empty());
    const std::string broken = "{\"entries\": 5}";
    h.store->set(TelegramLink::recentKey, std::vector<std::uint8_t>(broken.begin(), broken.end()));
    auto fresh = makeLink();
    EXPECT_TRUE(fresh->recent().entries.empty());
    bark(*fresh, watch("w_CCCCCC"), {}, {}, t0);
    EXPECT_EQ(makeLink()->recent().entries.size(), 1u);
}

class ActionsTest : public TelegramLinkTest {
protected:
    std::shared_ptr<FakeWatchControl> watches = std::make_shared<FakeWatchControl>();
    std::unique_ptr<TelegramLink> link;

    void SetUp() override {
        h.store->set(TelegramLink::connectedKey, true);
        h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
        link = makeLink();
        link->setWatches(watches);
    }
    void pressed(const std::string& watch, const std::string& action) {
        h.server.answer("/v1/actions", ScriptedAnswer::json(200, Json{{"actions", {{{"watch", watch}, {"action", action}}}}}.dump()));
    }
};

TEST_F(ActionsTest, KeepRestartsOnlyWatchesThatBarkedWithinTheHour) {
    bark(*link, watch("w_KEEP01"), {}, {}, t0);
    watches->add(watch("w_KEEP01"), WatchStatus::finished);
    watches->add(watch("w_RUN001"), WatchStatus::watching);
    pressed("w_KEEP01", "keep");
    EXPECT_EQ(poll(*link, t0 + seconds{3600}).size(), 1u);  // a running watch keeps the poll alive
    EXPECT_TRUE(watches->calls.empty());
    EXPECT_EQ(poll(*link, t0 + seconds{3599}).size(), 1u);
    EXPECT_EQ(watches->calls, std::vector<std::string>{"startAgain w_KEEP01"});

    // A removed watch comes back as it was at the bark; a running one is left alone.
    watches->records.erase("w_KEEP01");
    poll(*link, t0 + seconds{10});
    EXPECT_EQ(watches->records.at("w_KEEP01").spec, watch("w_KEEP01"));
    watches->calls.clear();
    poll(*link, t0 + seconds{20});
    EXPECT_TRUE(watches->calls.empty());
}

TEST_F(ActionsTest, StopEndsRunningWatchesIncludingPausedOnes) {
    watches->add(watch("w_PAUSED"), WatchStatus::paused);
    watches->add(watch("w_LIVE01"), WatchStatus::watching);
    watches->add(watch("w_DONE01"), WatchStatus::finished);
    h.server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [
        {"watch": "w_PAUSED", "action": "stop"}, {"watch": "w_DONE01", "action": "stop"},
        {"watch": "w_NOBODY", "action": "stop"}, {"watch": "w_LIVE01", "action": "Stop"},
        {"watch": "w_LIVE01", "action": "pause"}]})"));
    auto actions = poll(*link, t0);
    EXPECT_EQ(actions.size(), 5u);  // every action received is returned
    EXPECT_EQ(watches->calls, std::vector<std::string>{"end w_PAUSED"});
    EXPECT_EQ(watches->records.at("w_LIVE01").status, WatchStatus::watching);
}

TEST_F(ActionsTest, PollingOnlyWhileAButtonCouldAct) {
    pressed("w_AAAAAA", "stop");
    watches->add(watch("w_PAUSED"), WatchStatus::paused);  // paused: stop could act, but it keeps nothing polling
    EXPECT_FALSE(link->shouldPollActions(t0));
    EXPECT_TRUE(poll(*link, t0).empty());
    EXPECT_TRUE(h.paths().empty());

    watches->add(watch("w_LIVE01"), WatchStatus::lostSight);
    EXPECT_TRUE(link->shouldPollActions(t0));
    watches->records.clear();
    bark(*link, watch("w_BARK01"), {}, {}, t0);
    EXPECT_TRUE(link->shouldPollActions(t0 + seconds{3599}));
    EXPECT_FALSE(link->shouldPollActions(t0 + seconds{3600}));

    link->setConnected(false);
    EXPECT_FALSE(link->shouldPollActions(t0));
}

TEST_F(ActionsTest, NotLinkedSwitchesTheLinkOffAndGoneWatchesAreIgnored) {
    watches->add(watch("w_LIVE01"), WatchStatus::watching);
    pressed("w_LIVE01", "stop");
    std::weak_ptr<FakeWatchControl> weak = watches;
    auto held = watches;
    watches.reset();
    held.reset();
    ASSERT_TRUE(weak.expired());
    bark(*link, watch("w_LIVE01"), {}, {}, t0);  // keeps the poll alive without the engine
    EXPECT_EQ(poll(*link, t0).size(), 1u);       // received, applied to nothing

    h.server.answer("/v1/actions", ScriptedAnswer::json(409, ""));
    EXPECT_TRUE(poll(*link, t0).empty());
    EXPECT_FALSE(link->connected());
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace kestrove
