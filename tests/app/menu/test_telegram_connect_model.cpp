// One pairing attempt against the loopback server, on virtual time: the code
// and its QR, the 2-second status checks, how long a code is watched, and
// that a dropped attempt does nothing more.
#include <gtest/gtest.h>

#include "app/menu/telegram_connect_model.hpp"
#include "support/app/qr_decode.hpp"
#include "support/app/virtual_clock.hpp"
#include "support/cloud_harness.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedAnswer;
using Kind = TelegramConnectModel::Phase::Kind;

const std::string deepLink = "https://t.me/KestroveBot?start=K7Q2";

std::string pairAnswer(std::optional<double> expiresIn, const std::string& url = deepLink) {
    std::string body = R"({"linked": false, "code": "K7Q2", "url": ")" + url + "\"";
    if (expiresIn) body += ", \"expires_in\": " + std::to_string(*expiresIn);
    return body + "}";
}

struct ConnectModel : ::testing::Test {
    testing::CloudHarness h;
    fakes::VirtualClock clock;
    TelegramLink link{h.settings, h.session, h.main.executor()};
    std::vector<std::string> opened;
    TelegramConnectModel model{&link, clock, [this](const std::string& url) { opened.push_back(url); }};
    std::vector<Kind> phases;

    void SetUp() override {
        model.setOnChange([this] {
            if (phases.empty() || phases.back() != model.phase().kind) phases.push_back(model.phase().kind);
        });
        h.server.answer("/v1/pair/status", ScriptedAnswer::json(200, R"({"linked": false})"));
    }
    // Starts an attempt and lets the pairing answer in.
    void startWith(const std::string& answer, int status = 200) {
        h.server.answer("/v1/pair", ScriptedAnswer::json(status, answer));
        const std::size_t before = h.server.requests().size();
        model.start();
        EXPECT_EQ(model.phase().kind, Kind::starting);
        h.answered(before + 1);
    }
    // One poll turn: the pause, the status check and its answer.
    void pollTurn() {
        const std::size_t before = h.server.requests().size();
        clock.advance(TelegramConnectModel::pollEvery);
        h.answered(before + 1);
    }
};

TEST_F(ConnectModel, ShowsTheLinkAsAQRCodeAndChecksEveryTwoSecondsUntilStart) {
    startWith(pairAnswer(600));
    ASSERT_EQ(model.phase(), TelegramConnectModel::Phase::waiting(deepLink));
    ASSERT_TRUE(model.qr());
    EXPECT_EQ(testing::decodeQR(*model.qr()), deepLink);

    clock.advance(1900ms);
    EXPECT_EQ(h.requests("/v1/pair/status"), 0u) << "the first check comes after 2 seconds";
    clock.advance(100ms);
    h.answered(2);
    pollTurn();
    EXPECT_EQ(h.requests("/v1/pair/status"), 2u);
    EXPECT_EQ(model.phase().kind, Kind::waiting);

    h.server.answer("/v1/pair/status", ScriptedAnswer::json(200, testing::linkedAnswer));
    pollTurn();
    EXPECT_EQ(model.phase().kind, Kind::connected);
    EXPECT_TRUE(link.connected());
    EXPECT_FALSE(model.running());
    EXPECT_EQ(phases, (std::vector<Kind>{Kind::waiting, Kind::connected}));

    const auto log = h.server.requests();
    EXPECT_EQ(log.front().path, "/v1/pair");
    EXPECT_EQ(log.front().method, "POST");
}

TEST_F(ConnectModel, ACodeIsWatchedForItsLifetimeAtMostFifteenMinutes) {
    struct Case {
        std::optional<double> expiresIn;
        std::size_t checks;  // one every 2 s until the lifetime is over
    };
    // No lifetime left: expired at once, without a check.
    for (const Case c :
         {Case{60, 30}, Case{5000, 450}, Case{std::nullopt, 450}, Case{61, 31}, Case{0, 0}, Case{-5, 0}}) {
        const std::size_t before = h.requests("/v1/pair/status");
        startWith(pairAnswer(c.expiresIn));
        const auto began = clock.now();
        while (model.phase().kind == Kind::waiting) pollTurn();
        EXPECT_EQ(model.phase().kind, Kind::expired);
        EXPECT_EQ(h.requests("/v1/pair/status") - before, c.checks) << c.expiresIn.value_or(-1);
        EXPECT_EQ(clock.now() - began, std::chrono::seconds(2 * c.checks));
        EXPECT_EQ(clock.timersWaiting(), 0u);
    }
}

TEST_F(ConnectModel, ANewCodeStopsTheOldLoop) {
    startWith(pairAnswer(60));
    pollTurn();
    const std::string newLink = "https://t.me/KestroveBot?start=ZZ99";
    startWith(pairAnswer(60, newLink));
    EXPECT_EQ(model.phase(), TelegramConnectModel::Phase::waiting(newLink));
    EXPECT_EQ(testing::decodeQR(*model.qr()), newLink);
    // One check per turn: the first code's loop is gone.
    const std::size_t before = h.requests("/v1/pair/status");
    for (int i = 0; i < 3; ++i) pollTurn();
    h.main.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(h.requests("/v1/pair/status") - before, 3u);
    EXPECT_EQ(clock.timersWaiting(), 1u);
}

TEST_F(ConnectModel, StoppingEndsTheChecksAndChangesNothing) {
    startWith(pairAnswer(600));
    pollTurn();
    model.stop();
    clock.advance(10s);
    h.main.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(h.requests("/v1/pair/status"), 1u);
    EXPECT_EQ(model.phase().kind, Kind::waiting);

    // Stopped while a check is out: its answer is dropped, even a yes.
    h.server.answer("/v1/pair/status", ScriptedAnswer::json(200, testing::linkedAnswer));
    startWith(pairAnswer(600));
    clock.advance(2s);
    ASSERT_TRUE(h.server.waitForRequests(4, 5s));
    model.stop();
    h.main.runUntil([] { return false; }, 200ms);
    EXPECT_EQ(model.phase().kind, Kind::waiting);
}

TEST_F(ConnectModel, EveryServerAnswerEndsInAPhase) {
    struct Case {
        const char* name;
        int status;
        std::string body;
        Kind phase;
    };
    const Case cases[] = {
        {"already linked", 200, testing::linkedAnswer, Kind::connected},
        {"no bot", 503, R"({"error": "telegram_not_set_up"})", Kind::noBot},
        {"server error", 500, "{}", Kind::unreachable},
        {"not the messenger's host", 200, pairAnswer(60, "https://evil.example/start"), Kind::unreachable},
        {"plain http", 200, pairAnswer(60, "http://t.me/KestroveBot"), Kind::unreachable},
        {"no link at all", 200, R"({"linked": false, "code": "K7"})", Kind::unreachable},
        {"garbage", 200, "not json", Kind::unreachable},
    };
    for (const auto& c : cases) {
        startWith(c.body, c.status);
        EXPECT_EQ(model.phase().kind, c.phase) << c.name;
        EXPECT_FALSE(model.running()) << c.name;
    }
    EXPECT_EQ(h.requests("/v1/pair/status"), 0u);

    // No server address at all: nothing is sent, and no retry is offered.
    h.store->set(CloudSettings::baseURLKey, std::string());
    const std::size_t before = h.server.requests().size();
    model.start();
    ASSERT_TRUE(h.main.waitForWork(5s));
    h.main.runPending();
    EXPECT_EQ(model.phase().kind, Kind::notSetUp);
    EXPECT_EQ(h.server.requests().size(), before);
}

TEST_F(ConnectModel, LocalOnlyIsReadAtTheStartAndTheLinkOpensOnlyWhileWaiting) {
    EXPECT_FALSE(model.localOnly());
    h.settings.setLocalOnly(true);
    model.openTelegram();
    startWith(pairAnswer(60));
    EXPECT_TRUE(model.localOnly());
    model.openTelegram();
    startWith(testing::linkedAnswer);
    model.openTelegram();
    EXPECT_EQ(opened, std::vector<std::string>{deepLink});
}

TEST(ConnectModelWithoutLink, NeverStarts) {
    fakes::VirtualClock clock;
    TelegramConnectModel model(nullptr, clock, {});
    model.start();
    EXPECT_EQ(model.phase().kind, Kind::starting);
    EXPECT_FALSE(model.running());
}

}  // namespace
}  // namespace kestrove
