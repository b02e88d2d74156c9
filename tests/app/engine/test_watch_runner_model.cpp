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
using Troubles = std::vector<std::optional<WatchTrouble>>;

struct ModelHarness : RunnerHarness {
    testing::HttpTestServer server;
    const Date startedAt = clock.wallNow();

    ModelHarness() : RunnerHarness(CloudSession::make({3000ms, 8u << 20})) {
        network = true;
        host.store->set(CloudSettings::baseURLKey, server.url());
        answer(200, R"({"met": 0.1, "obstructed": 0})");
    }
    void answer(int status, std::string body) {
        server.answer("/v1/check", testing::ScriptedAnswer::json(status, std::move(body)));
    }
    // Seconds after a start that sent one at once at which requests came.
    std::vector<int> requestTimes(std::chrono::seconds total) {
        std::vector<int> at{0};
        for (int t : times(total, [&] { return server.requests().size(); })) at.push_back(t);
        return at;
    }
    Json body(std::size_t i) const { return Json::parse(server.requests().at(i).body); }
    int longSide(std::size_t i, const char* which) const {
        const auto png = testing::decodePng(*testing::base64Decode(body(i)[which]["base64"].get<std::string>()));
        return png ? std::max(png->image.width, png->image.height) : 0;
    }
};

TEST(WatchRunnerModel, TooLargeShrinksThePicturesAndTheThirdFailureTellsTheUser) {
    ModelHarness h;
    h.answer(413, "{}");
    WatchSpec s = watch(WatchType::stateReached);
    s.region.w = 2000, s.region.h = 1000;
    h.start(s);
    EXPECT_EQ(h.requestTimes(45s), (std::vector<int>{0, 5, 10, 40})) << "held off for 30 s after the third";
    const int sides[] = {1024, 768, 576, 432};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(h.longSide(i, "baseline"), sides[i]);
        EXPECT_EQ(h.longSide(i, "current"), sides[i]);
    }
    EXPECT_EQ(h.host.troubles, Troubles{WatchTrouble::cantReachServer()});
    h.answer(200, R"({"met": 0.1, "obstructed": 0})");
    h.run(35s);
    EXPECT_EQ(h.host.currentTrouble, std::nullopt) << "cleared by the next answer";
}

TEST(WatchRunnerModel, SlowDownHoldsRequestsOffForThirtySeconds) {
    ModelHarness h;
    h.answer(429, R"({"error": "slow_down"})");
    h.start(watch(WatchType::stateReached));
    EXPECT_EQ(h.requestTimes(65s), (std::vector<int>{0, 30, 60}));
    EXPECT_EQ(h.host.troubles, Troubles{WatchTrouble::cantReachServer()}) << "each counts as a failure";
}

TEST(WatchRunnerModel, DailyLimitPausesChecksUntilTheyComeBack) {
    ModelHarness h;
    h.answer(429, R"({"error": "daily_limit", "resets_in": 120})");
    h.start(watch(WatchType::newItem));
    EXPECT_EQ(h.host.currentTrouble, WatchTrouble::modelChecksUsedUp(TimeOfDay::shortTime(h.startedAt + 120s)));
    h.answer(200, R"({"met": 0.1, "obstructed": 0})");
    EXPECT_EQ(h.requestTimes(125s), (std::vector<int>{0, 120}));
    EXPECT_EQ(h.host.currentTrouble, std::nullopt);
}

TEST(WatchRunnerModel, ObstructedTwiceLosesSightAndNotYetRegainsIt) {
    ModelHarness h;
    h.answer(200, R"({"met": 0, "obstructed": 0.9})");
    h.start(watch(WatchType::stateReached));
    h.run(10s);
    EXPECT_EQ(h.server.requests().size(), 2u) << "asked again once without a change";
    EXPECT_EQ(h.host.losses, Losses{std::nullopt});
    h.answer(200, R"({"met": 0.2, "obstructed": 0.1})");
    h.fake.capturer.screen = showing(30);
    h.run(5s);
    EXPECT_EQ(h.host.log.back(), "regained");
}

TEST(WatchRunnerModel, EveryTimeNewItemLooksForNewItemsAgainstItsLastBark) {
    for (WatchType type : {WatchType::newItem, WatchType::stateReached}) {
        ModelHarness h;
        h.answer(200, R"({"met": 0.95, "obstructed": 0})");
        h.host.savedCrop = grey(128);
        h.fake.capturer.screen = showing(20);
        h.start(watch(type, WatchMode::everyTime));
        h.fake.capturer.screen = showing(220);
        h.run(5s);
        ASSERT_EQ(h.server.requests().size(), 2u);
        ASSERT_EQ(h.host.barks.size(), 1u);
        EXPECT_EQ(h.host.barks[0].image, grey(20));
        const Json second = h.body(1)["baseline"];
        EXPECT_EQ(second, h.body(0)[type == WatchType::newItem ? "current" : "baseline"]) << rawValue(type);
        // Moved on right after the bark, then kept still: new items are
        // looked for against that; a still box is not sent again.
        h.run(5s);
        h.fake.capturer.screen = showing(100);
        h.run(5s);
        ASSERT_EQ(h.server.requests().size(), 3u);
        EXPECT_EQ(h.host.barks.size(), type == WatchType::newItem ? 2u : 1u);
        EXPECT_EQ(h.body(2)["baseline"], type == WatchType::newItem ? h.body(1)["current"] : h.body(0)["baseline"]);
    }
}

TEST(WatchRunnerModel, NothingIsSentUnderLocalOnlyWithoutAServerOrDuringAPause) {
    for (int blocked : {0, 1, 2}) {
        ModelHarness h;
        const std::optional<WatchTrouble> trouble[] = {
            WatchTrouble::localOnly(), WatchTrouble::serverNotSetUp(),
            WatchTrouble::modelChecksUsedUp(TimeOfDay::shortTime(h.startedAt + 600s))};
        if (blocked == 0) h.host.settings.setLocalOnly(true);
        if (blocked == 1) h.host.store->set(CloudSettings::baseURLKey, std::string());
        if (blocked == 2) h.host.settings.pauseModel(600.0, h.startedAt);
        h.start(watch(WatchType::stateReached));
        for (std::uint8_t level : {20, 90, 160, 230}) {
            h.fake.capturer.screen = showing(level);
            h.run(5s);
        }
        EXPECT_EQ(h.host.troubles, Troubles(5, trouble[blocked])) << blocked << ": told at every check";
        EXPECT_TRUE(h.server.requests().empty()) << blocked;

        h.host.settings.setLocalOnly(false);
        h.host.store->set(CloudSettings::baseURLKey, h.server.url());
        h.host.settings.clearModelPause();
        h.run(5s);
        EXPECT_EQ(h.server.requests().size(), 1u) << blocked;
        EXPECT_EQ(h.host.currentTrouble, std::nullopt) << blocked;
    }
}

}  // namespace
}  // namespace kestrove
