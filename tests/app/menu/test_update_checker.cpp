// The update checker on virtual time against a loopback feed: when it looks,
// what the menu's note says and how long a passing note stays. (When a look
// is due, a clock set back included, is the core's own test.)
#include <gtest/gtest.h>

#include "app/menu/update_checker.hpp"
#include "support/app/virtual_clock.hpp"
#include "support/http_test_server.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedAnswer;
using Kind = UpdateChecker::Note::Kind;

constexpr std::int64_t ownBuild = 40;

std::string feed(int build, const char* version = "1.4.0") {
    return "{\"version\":\"" + std::string(version) + "\",\"build\":" + std::to_string(build) +
           ",\"url\":\"https://kestrove.example/download\",\"notes\":\"Faster reading.\"}";
}

struct Checker : ::testing::Test {
    testing::HttpTestServer server;
    testing::ManualExecutor main;
    fakes::VirtualClock clock;
    std::optional<UpdateChecker> checker;
    int changes = 0;

    void make(std::optional<std::int64_t> own = ownBuild, bool withFeed = true) {
        std::optional<Url> address;
        if (withFeed) address = Url::parse(server.url("/version.json"));
        checker.emplace(clock, CloudSession::make({5s, 1u << 20}), main.executor(), address, own);
        checker->setOnChange([this] { ++changes; });
    }
    void SetUp() override {
        server.answer("/version.json", ScriptedAnswer::json(200, feed(ownBuild)));
        make();
    }
    void serve(int status, std::string body) { server.answer("/version.json", ScriptedAnswer::json(status, std::move(body))); }

    std::size_t requests() const { return server.requests().size(); }
    // Waits for the request a look has just sent, then hands its answer to
    // the checker on the (manual) main thread.
    void answered(std::size_t total) {
        ASSERT_TRUE(server.waitForRequests(total, 5s));
        ASSERT_TRUE(main.waitForWork(5s));
        main.runPending();
    }
    // Moves on by `by` and reports whether a look started on the way.
    bool looksWithin(std::chrono::milliseconds by) {
        const auto before = checker->lastLook();
        clock.advance(by);
        return checker->lastLook() != before;
    }
    Kind kind() const { return checker->note().kind; }
};

TEST_F(Checker, LooksTwentySecondsAfterStartThenOnceADayAtATick) {
    checker->start();
    checker->start();  // only the first counts
    EXPECT_FALSE(looksWithin(19s));
    EXPECT_TRUE(looksWithin(1s));
    answered(1);
    const Date first = *checker->lastLook();
    EXPECT_EQ(kind(), Kind::none) << "an automatic look says nothing when there is nothing new";

    // Every half-hour tick of the same day passes without a look; the tick
    // at 24 h is 20 s short of a day since the look.
    for (int tick = 1; tick <= 48; ++tick) {
        const auto toTick = tick == 1 ? UpdateChecker::tick - 20s : UpdateChecker::tick;
        ASSERT_FALSE(looksWithin(toTick)) << "tick " << tick;
    }
    EXPECT_TRUE(looksWithin(UpdateChecker::tick));
    EXPECT_EQ(*checker->lastLook() - first, 24h + 30min - 20s);
    answered(2);
    EXPECT_EQ(requests(), 2u);

    const auto log = server.requests();
    const auto& request = log.front();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "/version.json");
    EXPECT_EQ(request.header("User-Agent"), "Kestrove");
    EXPECT_EQ(request.header("Accept-Language"), "en");
    EXPECT_EQ(request.header("Accept"), "application/json");
}

TEST_F(Checker, AManualCheckPutsTheNextAutomaticLookADayAfterIt) {
    checker->start();
    clock.advance(20s);
    answered(1);
    clock.advance(5min - 20s);
    checker->checkNow();
    answered(2);
    // Ticks fall at multiples of 30 minutes; 24 h after the manual check
    // (24 h 5 min) the first tick is at 24 h 30 min.
    EXPECT_FALSE(looksWithin(24h - 5min));
    EXPECT_TRUE(looksWithin(30min));
}

TEST_F(Checker, FindsANewerReleaseAndKeepsItThroughLaterFailures) {
    serve(200, feed(41));
    checker->start();
    clock.advance(20s);
    answered(1);
    ASSERT_EQ(kind(), Kind::out);
    EXPECT_EQ(checker->note().release->version, "1.4.0");
    EXPECT_EQ(checker->found()->url.toString(), "https://kestrove.example/download");
    EXPECT_EQ(changes, 1);

    // The next day's looks fail, then find nothing newer: the note stays.
    serve(503, "busy");
    clock.advance(25h);
    answered(2);
    serve(200, feed(39));
    clock.advance(25h);
    answered(3);
    EXPECT_EQ(kind(), Kind::out);
    // The same release found again is no change.
    serve(200, feed(41));
    clock.advance(25h);
    answered(4);
    EXPECT_EQ(changes, 1);
    // A failed manual check shows it too, and it does not fade.
    serve(500, "");
    checker->checkNow();
    answered(5);
    EXPECT_EQ(kind(), Kind::out);
    EXPECT_EQ(checker->note().release->version, "1.4.0");
    clock.advance(60s);
    EXPECT_EQ(kind(), Kind::out);

    // Without a release found, a failure says so and fades.
    make();
    checker->checkNow();
    answered(6);
    EXPECT_EQ(kind(), Kind::unknown);
    clock.advance(20s);
    EXPECT_EQ(kind(), Kind::none);
}

TEST_F(Checker, CheckingTwiceSendsOneRequestAndUpToDateShowsForTwentySecondsFromTheLastCheck) {
    checker->checkNow();
    EXPECT_EQ(kind(), Kind::checking);
    checker->checkNow();
    answered(1);
    main.runUntil([] { return false; }, 300ms);
    EXPECT_EQ(requests(), 1u);
    ASSERT_EQ(kind(), Kind::upToDate);
    EXPECT_EQ(changes, 2) << "checking, up to date";

    clock.advance(10s);
    checker->checkNow();
    answered(2);
    ASSERT_EQ(kind(), Kind::upToDate);
    clock.advance(10s);  // the first fade would have fired here
    EXPECT_EQ(kind(), Kind::upToDate);
    clock.advance(9s);
    EXPECT_EQ(kind(), Kind::upToDate);
    const int beforeFade = changes;
    clock.advance(1s);
    EXPECT_EQ(kind(), Kind::none);
    EXPECT_EQ(changes, beforeFade + 1);
}

TEST_F(Checker, NoBuildNumberOrNoFeedMeansNoLookAndNoUpToDate) {
    for (bool withFeed : {false, true}) {
        make(withFeed ? std::nullopt : std::optional<std::int64_t>(ownBuild), withFeed);
        checker->start();
        EXPECT_EQ(clock.timersWaiting(), 0u);
        clock.advance(48h);
        checker->checkNow();
        EXPECT_EQ(kind(), Kind::notSetUp);
        main.runUntil([] { return false; }, 200ms);
        EXPECT_EQ(kind(), Kind::notSetUp);
        EXPECT_FALSE(checker->lastLook());
    }
    EXPECT_EQ(requests(), 0u);
}

TEST_F(Checker, GoingAwayStopsEverything) {
    checker->start();
    checker->checkNow();
    checker.reset();
    clock.advance(48h);
    EXPECT_EQ(clock.timersWaiting(), 0u);
    main.runUntil([] { return false; }, 200ms);  // a late answer finds nothing to call
}

}  // namespace
}  // namespace kestrove
