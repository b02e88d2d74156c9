#include <gtest/gtest.h>

#include <thread>

#include "cloud_samples.hpp"
#include "support/samples.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;
using testing::Chat;
using testing::FakeWatchControl;
using testing::ScriptedAnswer;
using testing::t0;
using testing::watch;
using Result = TelegramLink::NotifyResult;
using Actions = std::vector<ChatAction>;

TEST(TelegramLink, LaunchCheckAndTheConnectedFlag) {
    struct Case { const char* what; bool connected; ScriptedAnswer status; bool connectedAfter; };
    const Case cases[] = {
        {"still linked", true, ScriptedAnswer::json(200, R"({"linked": true})"), true},
        {"unlinked on the other side", true, ScriptedAnswer::json(200, R"({"linked": false})"), false},
        {"server failing keeps the state", true, ScriptedAnswer::json(500, ""), true},
        {"not connected asks nothing", false, ScriptedAnswer::json(200, R"({"linked": true})"), false},
    };
    for (const Case& c : cases) {
        Chat chat(c.connected);
        chat.server.answer("/v1/pair/status", c.status);
        chat.awaitDone([&](auto done) { return chat.link->checkAtLaunch(done); });
        EXPECT_EQ(chat.link->connected(), c.connectedAfter) << c.what;
        EXPECT_EQ(chat.changes, c.connected != c.connectedAfter ? 1 : 0) << c.what;
        EXPECT_EQ(chat.paths().size(), c.connected ? 1u : 0u) << c.what;
        // Without a chat, the launch makes no device id either.
        EXPECT_EQ(chat.store->object(CloudSettings::deviceKey).has_value(), c.connected) << c.what;
    }
    // Setting the flag stores it, and tells only when it changes.
    Chat chat(false);
    chat.link->setConnected(false);
    chat.link->setConnected(true);
    chat.link->setConnected(true);
    EXPECT_EQ(chat.changes, 1);
    EXPECT_TRUE(chat.store->boolean(TelegramLink::connectedKey));
}

TEST(TelegramLink, PairingConnectsOnceLinkedAndPassesFailuresOn) {
    Chat linked(false);
    linked.store->set(TelegramLink::unpairPendingKey, true);
    linked.server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": true})"));
    linked.server.answer("/v1/pair/status", ScriptedAnswer::json(200, R"({"linked": true})"));
    ASSERT_TRUE(linked.startPairing().ok());
    EXPECT_TRUE(linked.link->connected());
    EXPECT_FALSE(linked.pending());
    EXPECT_EQ(linked.checkPairing().value(), true);
    EXPECT_EQ(linked.changes, 1);

    Chat waiting(false);
    waiting.server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked": false, "code": "K7"})"));
    waiting.server.answer("/v1/pair/status", ScriptedAnswer::json(502, R"({"error": "telegram_unavailable"})"));
    EXPECT_EQ(waiting.startPairing().value().code, "K7");
    EXPECT_FALSE(waiting.link->connected());
    EXPECT_EQ(waiting.checkPairing().error(), CloudError::telegramUnavailable());
    EXPECT_EQ(waiting.changes, 0);
}

// Off locally at once; the unpairing stays pending until the server is told
// (a 409 means it knew no chat already) and a pending one is repeated at the
// next launch, which then asks nothing else.
TEST(TelegramLink, DisconnectStaysPendingUntilTheServerIsToldAndIsRepeatedAtLaunch) {
    const std::pair<ScriptedAnswer, bool> cases[] = {
        {ScriptedAnswer::json(200, R"({"linked": false})"), true},
        {ScriptedAnswer::json(409, R"({"error": "not_linked"})"), true},
        {ScriptedAnswer::json(500, ""), false},
        {ScriptedAnswer::json(502, R"({"error": "telegram_unavailable"})"), false},
        {ScriptedAnswer::with(ScriptedAnswer::Behaviour::closeWithoutReply), false},
    };
    for (const auto& [answer, told] : cases) {
        SCOPED_TRACE(answer.status);
        Chat chat;
        chat.server.answer("/v1/unpair", answer);
        EXPECT_EQ(chat.disconnect(), told);
        EXPECT_FALSE(chat.link->connected());
        EXPECT_EQ(chat.pending(), !told);
        chat.server.answer("/v1/unpair", ScriptedAnswer::json(200, R"({"linked": false})"));
        chat.link = chat.makeLink();
        chat.awaitDone([&](auto done) { return chat.link->checkAtLaunch(done); });
        EXPECT_EQ(chat.paths(), std::vector<std::string>(told ? 1 : 2, "/v1/unpair"));
        EXPECT_FALSE(chat.pending());
        EXPECT_EQ(chat.changes, 1);
    }
}

// Requests in flight store their outcome after the link is gone, but call
// back no owner and touch no watch.
TEST(TelegramLink, AGoneLinkStoresLateAnswersWithoutCallingBack) {
    Chat gone;
    gone.server.answer("/v1/unpair", ScriptedAnswer::json(500, ""));
    std::optional<bool> told;
    const CloudCall call = gone.link->disconnect([&](bool t) { told = t; });
    gone.link.reset();
    EXPECT_TRUE(gone.main.runUntil([&] { return told.has_value(); }, seconds(10)));
    EXPECT_FALSE(*told);
    EXPECT_TRUE(gone.pending());

    Chat chat;
    chat.server.answer("/v1/notify", ScriptedAnswer::json(409, ""));
    chat.server.answer("/v1/actions",
                       ScriptedAnswer::json(200, R"({"actions": [{"watch": "w_LIVE01", "action": "stop"}]})"));
    chat.watches->add(watch("w_LIVE01"), WatchStatus::watching);
    std::optional<Result> result;
    std::optional<Actions> actions;
    const CloudCall poll = chat.link->pollActions(t0, [&](Actions a) { actions = std::move(a); });
    const CloudCall bark = chat.link->bark(watch("w_LIVE01"), {}, nullptr, t0, [&](Result r) { result = r; });
    chat.link.reset();
    EXPECT_TRUE(chat.main.runUntil([&] { return result && actions; }, seconds(10)));
    EXPECT_EQ(result, Result::notLinked());
    EXPECT_EQ(actions->size(), 1u);
    EXPECT_FALSE(chat.store->boolean(TelegramLink::connectedKey));
    EXPECT_EQ(chat.changes, 0);
    EXPECT_TRUE(chat.watches->calls.empty());
}

// A dropped request never calls back, and its unpairing stays pending for the next launch.
TEST(TelegramLink, ADroppedUnpairingStaysPendingForTheNextLaunch) {
    Chat chat;
    ScriptedAnswer slow = ScriptedAnswer::json(200, R"({"linked": false})");
    slow.delay = milliseconds(300);
    chat.server.answer("/v1/unpair", slow);
    bool called = false;
    chat.link->disconnect([&](bool) { called = true; }).cancel();
    EXPECT_FALSE(chat.link->connected());
    chat.main.runUntil([] { return false; }, milliseconds(500));
    EXPECT_FALSE(called);
    EXPECT_TRUE(chat.pending());
}

// The chat's sentence, the reading of number watches only, and what came of
// it; the bark is remembered whatever the answer, so a keep can still act on it.
TEST(TelegramLink, BarksAreSentRememberedAndTheirAnswersTold) {
    WatchSpec fallback = watch("w_FALL01", WatchType::anyChange);
    fallback.fallbackFrom = WatchType::stateReached;
    WatchSpec number = watch("w_NUM001", WatchType::numberCompare);
    number.mode = WatchMode::everyTime;
    const std::tuple<WatchSpec, Json, ScriptedAnswer, Result> cases[] = {
        {watch("w_TEXT01"), {{"watch", "w_TEXT01"}}, ScriptedAnswer::json(200, R"({"sent": false})"),
         Result::sent(false)},
        {fallback, {{"watch", "w_FALL01"}, {"command", "something changed here"}}, ScriptedAnswer::json(409, ""),
         Result::notLinked()},  // no chat any more: the link switches off
        {watch("w_PLAIN1", WatchType::anyChange), {{"watch", "w_PLAIN1"}}, ScriptedAnswer::json(500, ""),
         Result::failed(CloudError::http(500))},
        {number, {{"watch", "w_NUM001"}, {"read", "150"}, {"mode", "every_time"}}, ScriptedAnswer::json(200, "[]"),
         Result::failed(CloudError::badAnswer())},
    };
    for (const auto& [spec, fields, answer, result] : cases) {
        SCOPED_TRACE(spec.id);
        Chat chat;
        chat.server.answer("/v1/notify", answer);
        EXPECT_EQ(chat.bark(spec, "150"), result);
        Json expected{{"device", chat.settings.deviceID()}, {"command", "\"Done\" appears"}, {"mode", "once"}};
        expected.update(fields);
        EXPECT_EQ(Json::parse(chat.server.requests().back().body), expected);
        const bool offAfter = result == Result::notLinked();
        EXPECT_EQ(chat.link->connected(), !offAfter);
        EXPECT_EQ(chat.changes, offAfter ? 1 : 0);
        EXPECT_EQ(chat.link->recent().spec(spec.id, t0), spec);
    }
}

TEST(TelegramLink, ABarkWhosePictureIsOnItsWayGoesInWordsUnderLocalOnlyAndNotAtAllOnceUnlinked) {
    const auto crop = std::make_shared<const Image>(samples::solid(64, 32, 10, 200, 90));
    for (const bool unlink : {false, true}) {
        SCOPED_TRACE(unlink ? "unlinked" : "Local Only");
        Chat chat;
        ScriptedAnswer late = ScriptedAnswer::json(200, R"({"sent": true})");
        late.delay = std::chrono::milliseconds(300);
        chat.server.answer("/v1/notify", late);
        std::optional<Chat::Result> result;
        const CloudCall call = chat.link->bark(watch("w_TEXT01"), std::nullopt, crop, t0, [&](auto r) { result = r; });
        // The picture is made on a worker, then sent: the switch comes once it is out.
        for (int i = 0; i < 5000 && chat.server.requests().empty(); ++i) {
            chat.main.runPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(chat.server.requests().size(), 1u);
        if (unlink) {
            chat.link->setConnected(false);
        } else {
            chat.settings.setLocalOnly(true);
            chat.session->recheckGuards();
        }
        ASSERT_TRUE(chat.main.runUntil([&] { return result.has_value(); }, std::chrono::seconds(5)));
        EXPECT_EQ(*result, unlink ? Chat::Result::skipped() : Chat::Result::sent(false));
        const auto sent = chat.server.requests();
        ASSERT_EQ(sent.size(), unlink ? 1u : 2u);
        EXPECT_TRUE(Json::parse(sent[0].body).contains("image")) << "it was on its way when the switch came";
        if (!unlink) {
            EXPECT_FALSE(Json::parse(sent[1].body).contains("image")) << "again, in words";
        }
    }
}

TEST(TelegramLink, RecentBarksAreSavedAndRestored) {
    Chat chat;
    chat.bark(watch("w_AAAAAA"));
    chat.bark(watch("w_BBBBBB"), std::nullopt, t0 + minutes{10});
    EXPECT_EQ(chat.makeLink()->recent(), chat.link->recent());
    EXPECT_EQ(chat.link->recent().entries.size(), 2u);
    // An unreadable stored value gives none, and is written over at the next bark.
    chat.store->set(TelegramLink::recentKey, std::string("not bytes"));
    EXPECT_TRUE(chat.makeLink()->recent().entries.empty());
    const std::string broken = "{\"entries\": 5}";
    chat.store->set(TelegramLink::recentKey, std::vector<std::uint8_t>(broken.begin(), broken.end()));
    chat.link = chat.makeLink();
    EXPECT_TRUE(chat.link->recent().entries.empty());
    chat.bark(watch("w_CCCCCC"));
    EXPECT_EQ(chat.makeLink()->recent().entries.size(), 1u);
}

TEST(TelegramLink, PollingOnlyWhileAButtonCouldAct) {
    Chat chat;
    chat.server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": []})"));
    chat.watches->add(watch("w_PAUSED"), WatchStatus::paused);  // stop could act, but it keeps nothing polling
    EXPECT_FALSE(chat.link->shouldPollActions(t0));
    EXPECT_TRUE(chat.poll().empty());
    EXPECT_TRUE(chat.paths().empty());

    chat.watches->add(watch("w_LIVE01"), WatchStatus::lostSight);
    EXPECT_TRUE(chat.link->shouldPollActions(t0));
    chat.watches->records.clear();
    chat.bark(watch("w_BARK01"));
    EXPECT_TRUE(chat.link->shouldPollActions(t0 + seconds{3599}));
    EXPECT_FALSE(chat.link->shouldPollActions(t0 + seconds{3600}));
    chat.link->setConnected(false);
    EXPECT_FALSE(chat.link->shouldPollActions(t0));
}

TEST(TelegramLink, NotLinkedSwitchesTheLinkOffAndGoneWatchesAreIgnored) {
    Chat chat;
    chat.server.answer("/v1/actions",
                       ScriptedAnswer::json(200, R"({"actions": [{"watch": "w_LIVE01", "action": "stop"}]})"));
    chat.watches->add(watch("w_LIVE01"), WatchStatus::watching);
    std::weak_ptr<FakeWatchControl> weak = chat.watches;
    chat.watches.reset();
    ASSERT_TRUE(weak.expired());
    chat.bark(watch("w_LIVE01"));            // keeps the poll alive without the engine
    EXPECT_EQ(chat.poll().size(), 1u);  // received, applied to nothing

    chat.server.answer("/v1/actions", ScriptedAnswer::json(409, ""));
    EXPECT_TRUE(chat.poll().empty());
    EXPECT_FALSE(chat.link->connected());
    EXPECT_EQ(chat.changes, 1);
}

}  // namespace
}  // namespace kestrove
