// No picture of the screen leaves once Local Only is switched on or a pause
// of model checks begins, whatever moment of a model check or a chat bark
// that comes at: while the pictures are encoded, while the request waits in
// the session, while it is being sent. The real manager, runners, chat link,
// encoder and server session against a loopback server that tells the
// bytes received before the switch from those after it; 1,000 rounds each,
// at moments drawn at random over the length of one check.

#include <random>

#include "app/engine/watch_runner.hpp"
#include "core/cloud/telegram.hpp"
#include "engine/manager_fixture.hpp"
#include "support/app/fake_platform.hpp"
#include "support/marking_server.hpp"

namespace kestrove::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int rounds = 1000;
const std::string display = "DP-1";

// A picture that compresses badly, so its PNG takes a while to make.
Image noise(int w, int h) {
    Image image(w, h);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = i % 4 == 3 ? 255 : std::uint8_t(random());
    return image;
}

WatchSpec judged(const std::string& id, const std::string& command) {
    WatchSpec s;
    s.id = id;
    s.command = command;
    s.type = WatchType::stateReached;
    s.mode = WatchMode::everyTime;
    s.region = {ScreenSpace::displayID(display), 100, 100, 360, 240, 1, std::nullopt};
    return s;
}

struct Tally {
    int violations = 0;
    int sentBefore = 0;  // the switch came while the picture was on the wire or answered
    int heldBack = 0;    // it came before the request started
    std::string first;   // the first violation, described
};

struct Withdrawal : ::testing::Test {
    std::function<MarkingServer::Answer(const std::string&, const std::string&)> script;
    MarkingServer server{[this](const std::string& path, const std::string& body) { return script(path, body); }};
    std::shared_ptr<CloudSession> session = CloudSession::make({3000ms, 8u << 20});
    fakes::FakePlatform fake{session};
    fakes::VirtualClock clock;
    std::shared_ptr<PictureEncoder> encoder = std::make_shared<PictureEncoder>(fake.main.executor(), 1);
    WatchRunnerFactory runners{{fake.platform, clock, session, encoder}};
    fakes::FakeFrameFactory frames;
    TempFolder temp;
    std::shared_ptr<MemoryDefaults> defaults = std::make_shared<MemoryDefaults>();
    std::unique_ptr<WatchManager> manager;
    std::mt19937 random{20290};
    const SharedImage picture = std::make_shared<const Image>(noise(360, 240));
    // What each watch was made from: the box has changed since, so it is judged at once.
    const Image made = samples::solid(360, 240, 90, 90, 90);

    void SetUp() override {
        qtApp();
        defaults->set(CloudSettings::baseURLKey, server.url());
        fake.screens.list = {fakes::screen(display, {0, 0, 1920, 1080})};
        fake.capturer.screen = [this](const WatchRegion&) -> Captured { return *picture; };
        manager = std::make_unique<WatchManager>(WatchManager::Services{
            runners, frames, clock, fake.notifier, fake.keepAwake, fake.screenState, fake.windows,
            fake.screens, defaults, temp.path(), [](Date) { return std::string("09:00"); }, fake.main.executor(), 0,
            session});
    }
    void TearDown() override { manager.reset(); }

    // Runs the main thread until `done`, or fails after a while.
    void runUntil(const std::function<bool()>& done) {
        ASSERT_TRUE(fake.main.runUntil(done, 10s)) << "the round did not end";
    }
    // Runs the main thread for a moment drawn at random, up to `longest`.
    void runFor(Clock::duration longest) {
        const auto until = Clock::now() + std::chrono::nanoseconds(std::uniform_int_distribution<long>(
                                              0, std::chrono::duration_cast<std::chrono::nanoseconds>(longest).count())(random));
        while (Clock::now() < until) fake.main.runPending();
    }
    // The runners of every watch asleep again: their check is over.
    bool asleep(std::size_t watches) const { return clock.timersWaiting() >= watches; }
    void removeAll() {
        for (const auto& r : std::vector<WatchRecord>(manager->records())) manager->remove(r.id());
        clock.advance(0s);  // stopped runners are let go
    }

    // Whether bytes of a picture came after the mark; counts the round.
    void judge(Tally& tally, int round, bool wordsMayFollow) {
        bool before = false;
        for (const MarkedRequest& r : server.requests()) {
            before = before || r.bytesBeforeMark > 0;
            if (r.bytesAfterMark == 0) continue;
            // Only a bark in words may start after the switch.
            const bool words = wordsMayFollow && r.bytesBeforeMark == 0 && r.body.find("\"image\"") == std::string::npos;
            if (words) continue;
            if (tally.violations++ == 0)
                tally.first = "round " + std::to_string(round) + ": " + std::to_string(r.bytesAfterMark) +
                              " bytes of " + r.path + " after the switch";
        }
        ++(before ? tally.sentBefore : tally.heldBack);
    }
    static void expectClean(const Tally& tally, const char* what) {
        std::printf("%s: %d rounds switched before the request started, %d while it was under way or answered\n",
                    what, tally.heldBack, tally.sentBefore);
        EXPECT_EQ(tally.violations, 0) << tally.first;
        EXPECT_GT(tally.heldBack, 0) << "no switch came before a request started";
        EXPECT_GT(tally.sentBefore, 0) << "no switch came while a request was under way";
    }
    // How long one check takes from its start to its end, here and now.
    Clock::duration oneCheck() {
        std::vector<Clock::duration> times;
        for (int i = 0; i < 5; ++i) {
            const auto start = Clock::now();
            manager->add(judged("w_RACE01", "it is done"), std::make_shared<const Image>(made), std::nullopt);
            runUntil([&] { return asleep(1); });
            times.push_back(Clock::now() - start);
            removeAll();
        }
        std::sort(times.begin(), times.end());
        return times[2];
    }
};

TEST_F(Withdrawal, LocalOnlySwitchedOnAtAnyMomentOfAModelCheckStopsItsPictures) {
    script = [](const std::string&, const std::string&) {
        return MarkingServer::Answer{200, R"({"met": 0.1, "obstructed": 0})", 2ms};
    };
    const auto check = oneCheck();
    Tally tally;
    for (int round = 0; round < rounds; ++round) {
        server.reset();
        manager->setLocalOnly(false);
        manager->add(judged("w_RACE01", "it is done"), std::make_shared<const Image>(made), std::nullopt);
        runFor(check + check / 4);
        manager->setLocalOnly(true);
        server.mark();
        runUntil([&] { return asleep(1); });
        judge(tally, round, false);
        removeAll();
    }
    expectClean(tally, "Local Only");
}

TEST_F(Withdrawal, APauseOfModelChecksBeginningAtAnyMomentOfAnotherCheckStopsItsPictures) {
    std::atomic<long> pauseAfterUs{0};
    // The first watch's answer starts the pause, at a moment drawn for the
    // round; the second's comes late, so its request is still out.
    script = [&](const std::string&, const std::string& body) {
        if (body.find("\"first\"") != std::string::npos)
            return MarkingServer::Answer{429, R"({"error": "daily_limit", "resets_in": 600})",
                                         std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::microseconds(pauseAfterUs.load()))};
        return MarkingServer::Answer{200, R"({"met": 0.1, "obstructed": 0})", 4ms};
    };
    const auto check = oneCheck();
    bool marked = false;
    manager->onChange = [&] {
        const auto trouble = manager->trouble("w_RACE01");
        if (marked || !trouble || trouble->kind != WatchTrouble::Kind::modelChecksUsedUp) return;
        marked = true;
        server.mark();
    };
    Tally tally;
    std::uniform_int_distribution<long> moment(0, std::chrono::duration_cast<std::chrono::microseconds>(check).count());
    for (int round = 0; round < rounds; ++round) {
        server.reset();
        marked = false;
        pauseAfterUs = moment(random);
        manager->add(judged("w_RACE01", "first"), std::make_shared<const Image>(made), std::nullopt);
        manager->add(judged("w_RACE02", "second"), std::make_shared<const Image>(made), std::nullopt);
        runUntil([&] { return asleep(2); });
        ASSERT_TRUE(marked) << "round " << round << ": the pause began";
        // Only the second watch's request counts: the first's answer began the pause.
        MarkedRequest second;
        for (const auto& r : server.requests())
            if (r.body.find("\"first\"") == std::string::npos) second = r;
        if (second.bytesAfterMark > 0 && tally.violations++ == 0)
            tally.first = "round " + std::to_string(round) + ": " + std::to_string(second.bytesAfterMark) +
                          " bytes after the pause began";
        ++(second.bytesBeforeMark > 0 ? tally.sentBefore : tally.heldBack);
        removeAll();
        manager->cloud().clearModelPause();
    }
    expectClean(tally, "model pause");
}

TEST_F(Withdrawal, LocalOnlySwitchedOnAtAnyMomentOfAChatBarkSendsItInWordsOnly) {
    script = [](const std::string&, const std::string&) {
        return MarkingServer::Answer{200, R"({"sent": true})", 2ms};
    };
    defaults->set(TelegramLink::connectedKey, true);
    TelegramLink link(CloudSettings(defaults, std::nullopt), session, fake.main.executor(), encoder);
    const WatchSpec spec = judged("w_BARK01", "it is done");
    auto bark = [&] {
        auto result = std::make_shared<std::optional<TelegramLink::NotifyResult>>();
        auto call = std::make_shared<CloudCall>(
            link.bark(spec, std::nullopt, picture, clock.wallNow(), [result](auto r) { *result = r; }));
        return std::make_pair(call, result);
    };
    Clock::duration whole{};
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        auto [call, result] = bark();
        runUntil([&] { return result->has_value(); });
        whole = std::max(whole, Clock::now() - start);
    }
    Tally tally;
    int inWords = 0;
    for (int round = 0; round < rounds; ++round) {
        server.reset();
        manager->setLocalOnly(false);
        auto [call, result] = bark();
        runFor(whole + whole / 4);
        manager->setLocalOnly(true);
        server.mark();
        runUntil([&] { return result->has_value(); });
        ASSERT_EQ((*result)->kind(), TelegramLink::NotifyResult::Kind::sent) << "round " << round;
        inWords += !(*result)->withImage();
        judge(tally, round, true);
    }
    expectClean(tally, "chat bark");
    EXPECT_GT(inWords, 0) << "every bark reached the chat, those after the switch in words";
}

}  // namespace
}  // namespace kestrove::testing
