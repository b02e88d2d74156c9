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
using testing::ScriptedAnswer;
using Answer = WatchSetup::Answer;
using Step = WatchSetup::Step;
using Result = TelegramLink::NotifyResult;
using Actions = std::vector<ChatAction>;

const Date t0 = sys_days{year{2026} / 3 / 1} + hours{9};
const WatchRegion box{1, 10, 20, 300, 150, 1, std::nullopt};
const BaselineReading screen({
    {"Build #512", {0.05, 0.05, 0.6, 0.2}, 0.95},
    {"Exporting… 45%", {0.05, 0.35, 0.8, 0.2}, 0.92},
    {"Price 120 €", {0.05, 0.65, 0.5, 0.2}, 0.9},
});
// Only the model can judge this on a box without text.
constexpr const char* modelSentence = "a new message arrives";
constexpr const char* judged = R"({"type": "new_item", "type_confidence": 0.9, "referent_visible": 0.9,
                                   "currently_met": 0, "too_vague": 0})";

// A different colour in every pixel row and column.
Image pattern(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &img.rgba[(static_cast<std::size_t>(y) * w + x) * 4];
            p[0] = static_cast<std::uint8_t>(x * 255 / w), p[1] = static_cast<std::uint8_t>(y * 255 / h), p[2] = 90;
            p[3] = 255;
        }
    return img;
}

WatchSpec barking(const std::string& id) {
    WatchSpec s;
    s.id = id;
    s.command = "\"Done\" appears";
    s.type = WatchType::textAppears;
    s.region = box;
    s.createdAt = t0;
    return s;
}

WatchSpec consentSpec(const WatchSetup& setup) {
    const Step step = setup.compile(modelSentence, BaselineReading::empty());
    EXPECT_EQ(step.kind(), Step::Kind::consent) << "a model-judged sentence asks for consent";
    return step.as<Step::Consent>() ? step.as<Step::Consent>()->spec : WatchSpec{};
}

Answer ask(CloudHarness& h, const WatchSetup& setup, const WatchSpec& spec, Date now = t0) {
    return h.await<Answer>([&](auto done) {
        return setup.askTheModel(spec, CloudImage::png(pattern(30, 20)), now, h.main.executor(), done);
    });
}

Result bark(CloudHarness& h, TelegramLink& link, const std::string& id, std::optional<Image> crop, Date at = t0) {
    return h.await<Result>([&](auto done) { return link.bark(barking(id), std::nullopt, crop, at, done); });
}

// Compiling a sentence is local, whatever comes of it.
TEST(Privacy, CompileNeverTouchesTheNetwork) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(200, judged));
    for (bool localOnly : {false, true}) {
        h.settings.setLocalOnly(localOnly);
        WatchSetup setup(box, h.settings, h.session);
        for (const char* sentence : {"\"Done\" appears", "\"Build\" appears", "\"Error\" is gone", "the build finishes",
                                     "the price drops below 100", "the price drops below 200", modelSentence,
                                     "a new line appears", "blorp", "", "this changes"}) {
            setup.compile(sentence, screen);
            setup.compile(sentence, BaselineReading::empty());
        }
    }
    h.main.runPending();
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(h.server.connections(), 0u);
}

// The crop goes to the model only through askTheModel, after consent.
TEST(Privacy, APictureReachesTheModelOnlyAfterConsent) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(200, judged));
    WatchSetup setup(box, h.settings, h.session);
    const WatchSpec spec = consentSpec(setup);
    EXPECT_TRUE(h.server.requests().empty());

    const auto crop = CloudImage::png(pattern(300, 150));
    h.await<Answer>([&](auto done) { return setup.askTheModel(spec, crop, t0, h.main.executor(), done); });
    const auto requests = h.server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/v1/compile");
    EXPECT_EQ(Json::parse(requests[0].body), (Json{{"device", h.settings.deviceID()}, {"command", modelSentence},
                                                   {"image", toJson(*crop)}}));
}

// Local Only: no model request at all, also when switched on after the consent
// card; the answer still comes through the executor, never inside the call.
TEST(Privacy, LocalOnlyMakesNoModelRequest) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(200, judged));
    WatchSetup setup(box, h.settings, h.session);
    const WatchSpec spec = consentSpec(setup);
    h.settings.setLocalOnly(true);
    EXPECT_EQ(setup.compile(modelSentence, BaselineReading::empty()).kind(), Step::Kind::localOnly);
    EXPECT_FALSE(h.settings.client(h.session).has_value()) << "no client for the model's checks either";
    std::optional<Answer> answer;
    const CloudCall call =
        setup.askTheModel(spec, CloudImage::png(pattern(30, 20)), t0, h.main.executor(), [&](Answer a) { answer = a; });
    EXPECT_FALSE(answer.has_value());
    h.main.runPending();
    EXPECT_EQ(answer, (Answer{Answer::Unreachable{}}));
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(h.server.connections(), 0u);
}

// Chat messages still go under Local Only, as text; it is read at every bark.
TEST(Privacy, LocalOnlyBarksGoAsTextReadAtEachBark) {
    CloudHarness h;
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    TelegramLink link(h.settings, h.session, h.main.executor());
    EXPECT_EQ(bark(h, link, "w_FIRST1", pattern(64, 32)), Result::sent(true));
    h.settings.setLocalOnly(true);
    EXPECT_EQ(bark(h, link, "w_SECOND", pattern(64, 32)), Result::sent(false));
    EXPECT_EQ(bark(h, link, "w_THIRD1", pattern(64, 32)), Result::sent(false));
    const auto requests = h.server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(Json::parse(requests[0].body).contains("image"));
    for (std::size_t i = 1; i < requests.size(); ++i) EXPECT_EQ(requests[i].body.find("base64"), std::string::npos);
}

// No chat linked, or no server address: nothing sent, nothing remembered.
TEST(Privacy, ABarkWithoutChatOrServerSendsAndKeepsNothing) {
    for (bool connected : {false, true}) {
        CloudHarness h;
        h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
        h.store->set(TelegramLink::connectedKey, connected);
        if (connected) h.store->set(CloudSettings::baseURLKey, std::string(""));
        TelegramLink link(h.settings, h.session, h.main.executor());
        EXPECT_EQ(bark(h, link, "w_AAAAAA", pattern(20, 20)), Result::skipped()) << connected;
        EXPECT_TRUE(link.recent().entries.empty()) << connected;
        EXPECT_FALSE(h.store->object(TelegramLink::recentKey).has_value()) << connected;
        EXPECT_TRUE(h.server.requests().empty()) << connected;
    }
}

// While a model pause is in force the model is not asked; once over, it is.
TEST(Privacy, AModelPauseStopsModelRequests) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(200, judged));
    h.settings.pauseModel(600.0, t0);
    WatchSetup setup(box, h.settings, h.session);
    const WatchSpec spec = consentSpec(setup);
    for (Date now : {t0, t0 + seconds{599}})
        EXPECT_EQ(ask(h, setup, spec, now), (Answer{Answer::UsedUp{t0 + seconds{600}}}));
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(ask(h, setup, spec, t0 + seconds{600}).kind(), Answer::Kind::setup);
    EXPECT_EQ(h.server.requests().size(), 1u);
}

// An address that is not usable means no client: nothing is sent anywhere.
// "127.1" reaches this loopback server if anything tried it, so a slip
// would show in the log rather than leave the machine.
TEST(Privacy, NoUsableAddressNoRequestAnywhere) {
    CloudHarness h;
    const std::string port = std::to_string(h.server.port());
    for (const std::string& address : {std::string(), std::string("   \n"), std::string("not an address"),
                                       std::string("http://[::1"), std::string("http:/v1"), "http://127.1:" + port,
                                       "ftp://127.0.0.1:" + port, "ws://127.0.0.1:" + port,
                                       std::string("file:///tmp/kestrove")}) {
        SCOPED_TRACE(address);
        h.store->set(CloudSettings::baseURLKey, address);
        h.store->set(TelegramLink::connectedKey, true);
        EXPECT_FALSE(h.settings.client(h.session).has_value());
        EXPECT_FALSE(h.settings.messagingClient(h.session).has_value());
        WatchSetup setup(box, h.settings, h.session);
        EXPECT_NE(setup.compile(modelSentence, BaselineReading::empty()).kind(), Step::Kind::consent);
        EXPECT_EQ(ask(h, setup, barking("w_AAAAAA")), (Answer{Answer::Unreachable{}}));

        TelegramLink link(h.settings, h.session, h.main.executor());
        auto watches = std::make_shared<testing::FakeWatchControl>();
        watches->add(barking("w_AAAAAA"), WatchStatus::watching);
        link.setWatches(watches);
        EXPECT_EQ(bark(h, link, "w_AAAAAA", pattern(8, 8)), Result::skipped());
        EXPECT_TRUE(h.await<Actions>([&](auto done) { return link.pollActions(t0, done); }).empty());
        EXPECT_EQ(h.await<CloudResult<PairResponse>>([&](auto done) { return link.startPairing(done); }).error(),
                  CloudError::notSetUp());
        EXPECT_EQ(h.await<CloudResult<bool>>([&](auto done) { return link.checkPairing(done); }).error(),
                  CloudError::notSetUp());
        h.awaitDone([&](auto done) { return link.checkAtLaunch(done); });
        // Disconnecting without a server is done locally, with nothing left pending.
        EXPECT_TRUE(h.await<bool>([&](auto done) { return link.disconnect(done); }));
        EXPECT_FALSE(link.connected());
        EXPECT_FALSE(h.store->object(TelegramLink::unpairPendingKey).has_value());
    }
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(h.server.connections(), 0u);
}

// A picture sent is the box's crop, shrunk to the limit, never more.
TEST(Privacy, PicturesSentAreOnlyTheCropWithinTheLimit) {
    CloudHarness h;
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    TelegramLink link(h.settings, h.session, h.main.executor());
    for (const Image& crop : {pattern(3000, 1500), pattern(200, 100)}) {
        SCOPED_TRACE(crop.width);
        EXPECT_EQ(bark(h, link, "w_AAAAAA", crop), Result::sent(true));
        const Json body = Json::parse(h.server.requests().back().body);
        const auto png = testing::decodePng(*testing::base64Decode(body.at("image").at("base64").get<std::string>()));
        ASSERT_TRUE(png.has_value());
        // The very pixels of the crop, shrunk: nothing else of the screen.
        EXPECT_EQ(png->image, CloudImage::downscaled(crop, CloudImage::maxSide));
        EXPECT_LE(std::max(png->image.width, png->image.height), CloudImage::maxSide);
    }
}

// Chat buttons end only running watches (paused ones too) and bring back
// only watches that barked in the last hour, as they were at the bark; ids and
// actions the server makes up change nothing.
TEST(Privacy, ChatButtonsActOnlyOnWhatTheyMay) {
    CloudHarness h;
    h.store->set(TelegramLink::connectedKey, true);
    h.server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent": true})"));
    TelegramLink link(h.settings, h.session, h.main.executor());
    auto watches = std::make_shared<testing::FakeWatchControl>();
    link.setWatches(watches);
    bark(h, link, "w_OLD000", std::nullopt, t0 - minutes{61});
    for (const char* id : {"w_RECENT", "w_GONE00", "w_RUNNIN"}) bark(h, link, id, std::nullopt, t0 - minutes{59});
    watches->add(barking("w_RECENT"), WatchStatus::finished);
    watches->add(barking("w_RUNNIN"), WatchStatus::watching);
    watches->add(barking("w_FINISH"), WatchStatus::finished);
    watches->add(barking("w_OLD000"), WatchStatus::finished);
    watches->add(barking("w_PAUSED"), WatchStatus::paused);
    auto poll = [&](const std::string& actions) {
        h.server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [)" + actions + "]}"));
        return h.await<Actions>([&](auto done) { return link.pollActions(t0, done); }).size();
    };
    const auto before = watches->records;
    EXPECT_EQ(poll(R"({"watch": "w_MADEUP", "action": "stop"}, {"watch": "w_MADEUP", "action": "keep"},
        {"watch": "w_FINISH", "action": "stop"}, {"watch": "w_FINISH", "action": "keep"},
        {"watch": "w_OLD000", "action": "keep"}, {"watch": "w_RUNNIN", "action": "keep"},
        {"watch": "w_RUNNIN", "action": "delete"}, {"watch": "w_RUNNIN", "action": "Stop"},
        {"watch": "w_RUNNIN", "action": "pause"}, {"watch": "../w_RUNNIN", "action": "stop"})"),
              10u);  // every action received is returned
    EXPECT_EQ(watches->records, before);
    EXPECT_TRUE(watches->calls.empty()) << watches->calls.front();

    poll(R"({"watch": "w_RECENT", "action": "keep"}, {"watch": "w_GONE00", "action": "keep"},
        {"watch": "w_RUNNIN", "action": "stop"}, {"watch": "w_PAUSED", "action": "stop"})");
    EXPECT_EQ(watches->calls, (std::vector<std::string>{"startAgain w_RECENT", "startAgain w_GONE00", "end w_RUNNIN",
                                                        "end w_PAUSED"}));
    for (const char* id : {"w_RECENT", "w_GONE00"}) {
        EXPECT_EQ(watches->records.at(id).status, WatchStatus::watching);
        EXPECT_EQ(watches->records.at(id).spec, barking(id));
    }
    EXPECT_EQ(watches->records.at("w_RUNNIN").status, WatchStatus::finished);
    EXPECT_EQ(watches->records.at("w_PAUSED").status, WatchStatus::finished);
}

}  // namespace
}  // namespace kestrove
