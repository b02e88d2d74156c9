// Judging by the model against a loopback server answering v1/check, on the
// runner's virtual clock. What reached the server is read from its log.
#include <gtest/gtest.h>

#include "core/foundation/time_of_day.hpp"
#include "support/app/runner_harness.hpp"
#include "support/decode.hpp"
#include "support/http_test_server.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using namespace runnerfix;
using testing::ScriptedAnswer;

struct ModelHarness : RunnerHarness {
    testing::HttpTestServer server;
    Date startedAt;

    ModelHarness() : RunnerHarness(CloudSession::make({3000ms, 8u << 20})) {
        network = true;
        host.store->set(CloudSettings::baseURLKey, server.url());
        answer(200, R"({"met": 0.1, "obstructed": 0})");
    }
    void answer(int status, std::string body) { server.answer("/v1/check", ScriptedAnswer::json(status, body)); }
    void startModel(WatchSpec s) {
        s.command = "the build finishes";
        startedAt = clock.wallNow();
        start(std::move(s));
    }
    // Seconds after the start at which check requests arrived.
    std::vector<int> requestTimes(std::chrono::seconds total) {
        std::vector<int> at;
        if (!server.requests().empty()) at.push_back(0);
        const auto base = std::chrono::duration_cast<std::chrono::seconds>(clock.wallNow() - startedAt).count();
        for (int t : times(total, [&] { return server.requests().size(); })) at.push_back(int(base) + t);
        return at;
    }
    Json body(std::size_t i) const { return Json::parse(server.requests().at(i).body); }
    // The long side of a picture a request carried.
    int side(std::size_t i, const char* which) const {
        const auto png = testing::decodePng(*testing::base64Decode(body(i)[which]["base64"].get<std::string>()));
        return png ? std::max(png->image.width, png->image.height) : 0;
    }
};

TEST(WatchRunnerModel, TooLargeShrinksThePicturesAndTheThirdFailureTellsTheUser) {
    ModelHarness h;
    h.answer(413, "{}");
    WatchSpec s = watch(WatchType::stateReached);
    s.region.w = 2000, s.region.h = 1000;
    h.startModel(s);
    EXPECT_EQ(h.requestTimes(45s), (std::vector<int>{0, 5, 10, 40})) << "held off for 30 s after the third";
    const int sides[] = {1024, 768, 576, 432};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(h.side(i, "baseline"), sides[i]);
        EXPECT_EQ(h.side(i, "current"), h.side(i, "baseline"));
        EXPECT_EQ(h.body(i)["type"], "state_reached");
    }
    EXPECT_EQ(h.host.troubles, (std::vector<std::optional<WatchTrouble>>{WatchTrouble::cantReachServer()}));
    h.answer(200, R"({"met": 0.1, "obstructed": 0})");
    h.run(35s);
    EXPECT_EQ(h.host.currentTrouble, std::nullopt) << "cleared by the next answer";
}

TEST(WatchRunnerModel, SlowDownHoldsRequestsOffForThirtySeconds) {
    ModelHarness h;
    h.answer(429, R"({"error": "slow_down"})");
    h.startModel(watch(WatchType::stateReached));
    EXPECT_EQ(h.requestTimes(65s), (std::vector<int>{0, 30, 60}));
    EXPECT_EQ(h.host.troubles, (std::vector<std::optional<WatchTrouble>>{WatchTrouble::cantReachServer()}))
        << "each counts as a failure";
}

TEST(WatchRunnerModel, DailyLimitPausesChecksUntilTheyComeBack) {
    ModelHarness h;
    h.answer(429, R"({"error": "daily_limit", "resets_in": 120})");
    h.startModel(watch(WatchType::newItem));
    const auto usedUp = WatchTrouble::modelChecksUsedUp(TimeOfDay::shortTime(h.startedAt + 120s));
    EXPECT_EQ(h.host.currentTrouble, usedUp);
    h.answer(200, R"({"met": 0.1, "obstructed": 0})");
    EXPECT_EQ(h.requestTimes(125s), (std::vector<int>{0, 120}));
    EXPECT_EQ(h.host.troubles.back(), std::nullopt);
    EXPECT_EQ(h.host.settings.modelPause(h.clock.wallNow()), std::nullopt);
}

TEST(WatchRunnerModel, ObstructedTwiceLosesSightAndNotYetRegainsIt) {
    ModelHarness h;
    h.answer(200, R"({"met": 0, "obstructed": 0.9})");
    h.startModel(watch(WatchType::stateReached));
    h.run(10s);
    EXPECT_EQ(h.server.requests().size(), 2u) << "asked again once without a change";
    EXPECT_EQ(h.host.losses, (std::vector<std::optional<WindowLoss>>{std::nullopt}));
    h.answer(200, R"({"met": 0.2, "obstructed": 0.1})");
    h.fake.capturer.screen = showing(30);
    h.run(5s);
    EXPECT_EQ(h.host.regained, 1);
    EXPECT_EQ(h.host.log.back(), "regained");
}

TEST(WatchRunnerModel, EveryTimeNewItemLooksForNewItemsAgainstItsLastBark) {
    for (WatchType type : {WatchType::newItem, WatchType::stateReached}) {
        ModelHarness h;
        h.answer(200, R"({"met": 0.95, "obstructed": 0})");
        h.host.savedCrop = samples::solid(200, 100, 128, 128, 128);
        h.fake.capturer.screen = showing(20);
        h.startModel(watch(type, WatchMode::everyTime));
        h.fake.capturer.screen = showing(220);
        h.run(5s);
        ASSERT_EQ(h.server.requests().size(), 2u);
        ASSERT_EQ(h.host.barks.size(), 1u);
        EXPECT_TRUE(h.host.barks[0].image && !h.host.barks[0].evaluation);
        const Json second = h.body(1)["baseline"];
        EXPECT_EQ(second, h.body(0)[type == WatchType::newItem ? "current" : "baseline"]) << rawValue(type);
    }
}

TEST(WatchRunnerModel, NothingIsSentUnderLocalOnlyWithoutAServerOrDuringAPause) {
    struct Case {
        const char* what;
        std::function<void(ModelHarness&)> block, unblock;
        std::function<WatchTrouble(ModelHarness&)> trouble;
    } cases[] = {
        {"local only", [](ModelHarness& h) { h.host.settings.setLocalOnly(true); },
         [](ModelHarness& h) { h.host.settings.setLocalOnly(false); },
         [](ModelHarness&) { return WatchTrouble::localOnly(); }},
        {"no server", [](ModelHarness& h) { h.host.store->set(CloudSettings::baseURLKey, std::string()); },
         [](ModelHarness& h) { h.host.store->set(CloudSettings::baseURLKey, h.server.url()); },
         [](ModelHarness&) { return WatchTrouble::serverNotSetUp(); }},
        {"paused", [](ModelHarness& h) { h.host.settings.pauseModel(600.0, h.clock.wallNow()); },
         [](ModelHarness& h) { h.host.settings.clearModelPause(); },
         [](ModelHarness& h) { return WatchTrouble::modelChecksUsedUp(TimeOfDay::shortTime(h.startedAt + 600s)); }},
    };
    for (const Case& c : cases) {
        ModelHarness h;
        c.block(h);
        h.startedAt = h.clock.wallNow();
        h.start(watch(WatchType::stateReached));
        for (std::uint8_t level : {20, 90, 160, 230}) {
            h.fake.capturer.screen = showing(level);
            h.run(5s);
            EXPECT_EQ(h.host.currentTrouble, c.trouble(h)) << c.what;
        }
        EXPECT_EQ(h.host.troubles.size(), 5u) << c.what << ": told at every check";
        EXPECT_TRUE(h.server.requests().empty()) << c.what;

        c.unblock(h);
        h.run(5s);
        EXPECT_EQ(h.server.requests().size(), 1u) << c.what;
        EXPECT_EQ(h.host.currentTrouble, std::nullopt) << c.what;
    }
}

}  // namespace
}  // namespace kestrove
