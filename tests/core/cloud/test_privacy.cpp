// What leaves the machine. Every server caller here talks to a loopback
// server whose log shows each request; nothing may reach the network.

#include <gtest/gtest.h>

#include "core/cloud/telegram.hpp"
#include "core/cloud/watch_setup.hpp"
#include "support/cloud_harness.hpp"
#include "support/decode.hpp"
#include "support/fake_watch_control.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;
using testing::CloudHarness;
using testing::FakeWatchControl;
using testing::ScriptedAnswer;
using Answer = WatchSetup::Answer;
using Step = WatchSetup::Step;
using Result = TelegramLink::NotifyResult;

const Date t0 = sys_days{year{2026} / 3 / 1} + hours{9};
const WatchRegion box{1, 10, 20, 300, 150, 1, std::nullopt};

const BaselineReading screen({
    {"Build #512", {0.05, 0.05, 0.6, 0.2}, 0.95},
    {"Exporting… 45%", {0.05, 0.35, 0.8, 0.2}, 0.92},
    {"Price 120 €", {0.05, 0.65, 0.5, 0.2}, 0.9},
});

// Only the model can judge this on a box without text.
constexpr const char* modelSentence = "a new message arrives";

// Sentences whose outcomes between them cover what the compiler can say:
// confirm, already visible, already true, a kind the model must judge, too vague.
const char* const sentences[] = {
    "\"Done\" appears", "\"Build\" appears", "\"Error\" is gone", "the price drops below 100",
    "the price drops below 200", "the build finishes", "a new message arrives", "a new line appears",
    "blorp", "", "this changes",
};

// A picture with a different colour in every pixel row and column band.
Image pattern(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &img.rgba[(static_cast<std::size_t>(y) * w + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 255 / w);
            p[1] = static_cast<std::uint8_t>(y * 255 / h);
            p[2] = 90;
            p[3] = 255;
        }
    return img;
}

WatchSpec barking(const std::string& id, WatchType type = WatchType::textAppears) {
    WatchSpec s;
    s.id = id;
    s.command = "\"Done\" appears";
    s.type = type;
    s.region = box;
    s.createdAt = t0;
    return s;
}

std::optional<WatchSpec> consentSpec(const Step& step) {
    if (const auto* c = step.as<Step::Consent>()) return c->spec;
    return std::nullopt;
}

// 1. Compiling a sentence is local, whatever comes of it.
TEST(Privacy, CompileNeverTouchesTheNetwork) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(200, "{}"));
    for (bool localOnly : {false, true}) {
        h.settings.setLocalOnly(localOnly);
        WatchSetup setup(box, h.settings, h.session);
        for (const char* sentence : sentences) {
            setup.compile(sentence, screen);
            setup.compile(sentence, BaselineReading::empty());
        }
    }
    h.main.runPending();
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(h.server.connections(), 0u);
}

// 2. The crop goes to the model only through askTheModel, after consent.
TEST(Privacy, APictureReachesTheModelOnlyAfterConsent) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(200,
        R"({"type": "state_reached", "type_confidence": 0.9, "referent_visible": 0.9, "currently_met": 0, "too_vague": 0})"));
    WatchSetup setup(box, h.settings, h.session);
    const Step step = setup.compile(modelSentence, BaselineReading::empty());
    auto spec = consentSpec(step);
    ASSERT_TRUE(spec.has_value()) << "a model-judged sentence asks for consent";
    EXPECT_TRUE(h.server.requests().empty());

    const auto crop = CloudImage::png(pattern(300, 150));
    ASSERT_TRUE(crop.has_value());
    h.await<Answer>([&](auto done) { return setup.askTheModel(*spec, crop, t0, h.main.executor(), done); });
    const auto requests = h.server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/v1/compile");
    EXPECT_EQ(Json::parse(requests[0].body).at("image").at("base64"), crop->base64);
}

// 3. Local Only: no model request at all, even with a server set, also when
// it was switched on after the consent card.
TEST(Privacy, LocalOnlyMakesNoModelRequest) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(500, ""));
    WatchSetup setup(box, h.settings, h.session);
    const auto spec = consentSpec(setup.compile(modelSentence, BaselineReading::empty()));
    ASSERT_TRUE(spec.has_value());

    h.settings.setLocalOnly(true);
    EXPECT_EQ(setup.compile(modelSentence, BaselineReading::empty()).kind(), Step::Kind::localOnly);
    EXPECT_FALSE(h.settings.client(h.session).has_value()) << "no client for the model's checks either";
    const Answer a =
        h.await<Answer>([&](auto done) { return setup.askTheModel(*spec, CloudImage::png(pattern(30, 20)), t0, h.main.executor(), done); });
    EXPECT_EQ(a, (Answer{Answer::Unreachable{}}));
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(h.server.connections(), 0u);
}

// 4. Chat messages still go under Local Only, as text; it is read at every bark.
TEST(Privacy, LocalOnlyBarksGoAsTextReadAtEachBark) {
    CloudHarness h;
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    TelegramLink link(h.settings, h.session, h.main.executor());
    const std::optional<Image> crop = pattern(64, 32);
    auto bark = [&](const char* id) {
        return h.await<Result>([&](auto done) { return link.bark(barking(id), std::nullopt, crop, t0, done); });
    };
    EXPECT_EQ(bark("w_FIRST1"), Result::sent(true));
    h.settings.setLocalOnly(true);
    EXPECT_EQ(bark("w_SECOND"), Result::sent(false));
    EXPECT_EQ(bark("w_THIRD1"), Result::sent(false));

    const auto requests = h.server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(Json::parse(requests[0].body).contains("image"));
    for (std::size_t i = 1; i < requests.size(); ++i) {
        EXPECT_FALSE(Json::parse(requests[i].body).contains("image")) << i;
        EXPECT_EQ(requests[i].body.find("base64"), std::string::npos) << i;
    }
}

// 5. No chat linked, or no server address: nothing sent, nothing remembered.
TEST(Privacy, ABarkWithoutChatOrServerSendsAndKeepsNothing) {
    for (bool connected : {false, true}) {
        CloudHarness h;
        h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
        h.store->set(TelegramLink::connectedKey, connected);
        if (connected) h.store->set(CloudSettings::baseURLKey, std::string(""));
        TelegramLink link(h.settings, h.session, h.main.executor());
        const Result r = h.await<Result>(
            [&](auto done) { return link.bark(barking("w_AAAAAA"), "5", pattern(20, 20), t0, done); });
        EXPECT_EQ(r, Result::skipped()) << connected;
        EXPECT_TRUE(link.recent().entries.empty()) << connected;
        EXPECT_FALSE(h.store->object(TelegramLink::recentKey).has_value()) << connected;
        EXPECT_TRUE(h.server.requests().empty()) << connected;
    }
}

// 6. While a model pause is in force, the model is not asked.
TEST(Privacy, AModelPauseStopsModelRequests) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(200, "{}"));
    h.settings.pauseModel(3600.0, t0);
    WatchSetup setup(box, h.settings, h.session);
    const auto spec = consentSpec(setup.compile(modelSentence, BaselineReading::empty()));
    ASSERT_TRUE(spec.has_value());
    for (Date now : {t0, t0 + seconds{1800}, t0 + seconds{3599}}) {
        const Answer a = h.await<Answer>(
            [&](auto done) { return setup.askTheModel(*spec, CloudImage::png(pattern(30, 20)), now, h.main.executor(), done); });
        EXPECT_EQ(a.kind(), Answer::Kind::usedUp);
    }
    EXPECT_TRUE(h.server.requests().empty());
}

// 7. An address that is not usable means no client: nothing is sent anywhere.
// "127.1" reaches this loopback server if anything tried it, so a slip
// would show in the log rather than leave the machine.
TEST(Privacy, NoUsableAddressNoRequestAnywhere) {
    CloudHarness h;
    const std::string port = std::to_string(h.server.port());
    const std::string addresses[] = {
        "", "   \n", "not an address", "http://[::1", "http:/v1", "http://127.1:" + port, "ftp://127.0.0.1:" + port,
        "ws://127.0.0.1:" + port, "file:///tmp/kestrove",
    };
    for (const std::string& address : addresses) {
        h.store->set(CloudSettings::baseURLKey, address);
        h.store->set(TelegramLink::connectedKey, true);
        EXPECT_FALSE(h.settings.client(h.session).has_value()) << address;
        EXPECT_FALSE(h.settings.messagingClient(h.session).has_value()) << address;

        WatchSetup setup(box, h.settings, h.session);
        EXPECT_NE(setup.compile(modelSentence, BaselineReading::empty()).kind(), Step::Kind::consent) << address;
        EXPECT_EQ(h.await<Answer>([&](auto done) {
                      return setup.askTheModel(barking("w_AAAAAA", WatchType::stateReached), CloudImage::png(pattern(8, 8)), t0,
                                        h.main.executor(), done);
                  }),
                  (Answer{Answer::Unreachable{}}))
            << address;

        TelegramLink link(h.settings, h.session, h.main.executor());
        auto watches = std::make_shared<FakeWatchControl>();
        watches->add(barking("w_AAAAAA"), WatchStatus::watching);
        link.setWatches(watches);
        EXPECT_EQ(h.await<Result>([&](auto done) { return link.bark(barking("w_AAAAAA"), {}, pattern(8, 8), t0, done); }),
                  Result::skipped())
            << address;
        EXPECT_TRUE(h.await<std::vector<ChatAction>>([&](auto done) { return link.pollActions(t0, done); }).empty());
        EXPECT_EQ(h.await<CloudResult<PairResponse>>([&](auto done) { return link.startPairing(done); }).error(),
                  CloudError::notSetUp());
        EXPECT_EQ(h.await<CloudResult<bool>>([&](auto done) { return link.checkPairing(done); }).error(),
                  CloudError::notSetUp());
        h.awaitDone([&](auto done) { return link.checkAtLaunch(done); });
        EXPECT_TRUE(h.await<bool>([&](auto done) { return link.disconnect(done); })) << address;
    }
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(h.server.connections(), 0u);
}

// 8. A picture sent is the box's crop, shrunk to the limit, never more.
TEST(Privacy, PicturesSentAreOnlyTheCropWithinTheLimit) {
    CloudHarness h;
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    TelegramLink link(h.settings, h.session, h.main.executor());
    struct Case {
        int w, h, sentW, sentH;
    };
    for (const Case& c : {Case{3000, 1500, 1024, 512}, Case{1024, 600, 1024, 600}, Case{5000, 3, 1024, 1},
                          Case{200, 100, 200, 100}}) {
        const Image crop = pattern(c.w, c.h);
        EXPECT_EQ(h.await<Result>([&](auto done) { return link.bark(barking("w_AAAAAA"), {}, crop, t0, done); }),
                  Result::sent(true));
        const Json body = Json::parse(h.server.requests().back().body);
        const auto bytes = testing::base64Decode(body.at("image").at("base64").get<std::string>());
        ASSERT_TRUE(bytes.has_value());
        const auto png = testing::decodePng(*bytes);
        ASSERT_TRUE(png.has_value());
        EXPECT_EQ(png->image.width, c.sentW) << c.w << "x" << c.h;
        EXPECT_EQ(png->image.height, c.sentH) << c.w << "x" << c.h;
        // The very pixels of the crop, shrunk: nothing else of the screen.
        Image expected = CloudImage::downscaled(crop, CloudImage::maxSide);
        EXPECT_EQ(png->image.rgba, expected.rgba) << c.w << "x" << c.h;
    }
}

// 9. Chat buttons end only running watches and bring back only specs that
// barked in the last hour; ids the server makes up change nothing.
TEST(Privacy, ChatButtonsActOnlyOnWhatTheyMay) {
    CloudHarness h;
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    TelegramLink link(h.settings, h.session, h.main.executor());
    auto watches = std::make_shared<FakeWatchControl>();
    link.setWatches(watches);
    auto bark = [&](const char* id, Date at) {
        h.await<Result>([&](auto done) { return link.bark(barking(id), {}, {}, at, done); });
    };
    bark("w_OLD000", t0 - minutes{61});
    bark("w_RECENT", t0 - minutes{59});
    watches->add(barking("w_RUNNIN"), WatchStatus::watching);
    watches->add(barking("w_FINISH"), WatchStatus::finished);
    watches->add(barking("w_OLD000"), WatchStatus::finished);
    const auto before = watches->records;

    h.server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [
        {"watch": "w_MADEUP", "action": "stop"}, {"watch": "w_MADEUP", "action": "keep"},
        {"watch": "w_FINISH", "action": "stop"}, {"watch": "w_FINISH", "action": "keep"},
        {"watch": "w_OLD000", "action": "keep"}, {"watch": "w_RUNNIN", "action": "keep"},
        {"watch": "w_RUNNIN", "action": "delete"}, {"watch": "../w_RUNNIN", "action": "stop"}]})"));
    EXPECT_EQ(h.await<std::vector<ChatAction>>([&](auto done) { return link.pollActions(t0, done); }).size(), 8u);
    EXPECT_EQ(watches->records, before);
    for (const std::string& call : watches->calls) EXPECT_NE(call.rfind("startAgain", 0), 0u) << call;

    h.server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [
        {"watch": "w_RECENT", "action": "keep"}, {"watch": "w_RUNNIN", "action": "stop"}]})"));
    h.await<std::vector<ChatAction>>([&](auto done) { return link.pollActions(t0, done); });
    EXPECT_EQ(watches->records.at("w_RECENT").status, WatchStatus::watching);
    EXPECT_EQ(watches->records.at("w_RECENT").spec, barking("w_RECENT"));
    EXPECT_EQ(watches->records.at("w_RUNNIN").status, WatchStatus::finished);
}

}  // namespace
}  // namespace kestrove
