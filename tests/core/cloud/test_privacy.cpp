// What leaves the machine. Every server caller here talks to a loopback
// server whose log shows each request; nothing may reach the network.

#include <gtest/gtest.h>

#include "cloud_samples.hpp"
#include "core/cloud/watch_setup.hpp"
#include "support/decode.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;
using testing::Chat;
using testing::CloudHarness;
using testing::ScriptedAnswer;
using testing::t0;
using testing::watch;
using Answer = WatchSetup::Answer;
using Step = WatchSetup::Step;
using Result = TelegramLink::NotifyResult;
using Actions = std::vector<ChatAction>;

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

WatchSpec consentSpec(const WatchSetup& setup) {
    const Step step = setup.compile(modelSentence, BaselineReading::empty(), t0);
    EXPECT_EQ(step.kind(), Step::Kind::consent) << "a model-judged sentence asks for consent";
    return step.as<Step::Consent>() ? step.as<Step::Consent>()->spec : WatchSpec{};
}

const std::optional<CloudImage> crop = CloudImage::png(pattern(30, 20));

Answer ask(CloudHarness& h, const WatchSetup& setup, const WatchSpec& spec, Date now = t0) {
    return h.await<Answer>([&](auto done) { return setup.askTheModel(spec, crop, now, h.main.executor(), done); });
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
            setup.compile(sentence, screen, t0);
            setup.compile(sentence, BaselineReading::empty(), t0);
        }
    }
    h.main.runPending();
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(h.server.connections(), 0u);
}

// The crop goes to the model only through askTheModel, after consent, and not
// while a model pause is in force. Local Only, switched on even after the
// consent card, sends nothing; the answer still comes through the executor.
TEST(Privacy, TheCropReachesTheModelOnlyAfterConsentOutsideAPauseAndLocalOnly) {
    CloudHarness h;
    h.server.answer("/v1/compile", ScriptedAnswer::json(200, judged));
    h.settings.pauseModel(600.0, t0);
    WatchSetup setup(box, h.settings, h.session);
    const WatchSpec spec = consentSpec(setup);
    EXPECT_EQ(ask(h, setup, spec, t0 + seconds{599}), (Answer{Answer::UsedUp{t0 + seconds{600}}}));
    EXPECT_TRUE(h.server.requests().empty());
    EXPECT_EQ(ask(h, setup, spec, t0 + seconds{600}).kind(), Answer::Kind::setup);
    const auto requests = h.server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/v1/compile");
    EXPECT_EQ(Json::parse(requests[0].body), (Json{{"device", h.settings.deviceID()}, {"command", modelSentence},
                                                   {"image", toJson(*crop)}}));

    h.settings.setLocalOnly(true);
    EXPECT_EQ(setup.compile(modelSentence, BaselineReading::empty(), t0).kind(), Step::Kind::localOnly);
    std::optional<Answer> answer;
    const CloudCall call =
        setup.askTheModel(spec, crop, t0 + hours{1}, h.main.executor(), [&](Answer a) { answer = a; });
    EXPECT_FALSE(answer.has_value());
    h.main.runPending();
    EXPECT_EQ(answer, (Answer{Answer::Unreachable{}}));
    EXPECT_EQ(h.server.requests().size(), 1u);
}

// A bark sends the box's crop shrunk to the limit, nothing else of the screen;
// under Local Only, read at every bark, it goes as text; without a chat it
// is neither sent nor remembered.
TEST(Privacy, ABarkSendsOnlyTheShrunkCropAndUnderLocalOnlyText) {
    Chat chat;
    for (const Image& image : {pattern(3000, 1500), pattern(200, 100)}) {
        SCOPED_TRACE(image.width);
        EXPECT_EQ(chat.bark(watch("w_AAAAAA"), std::nullopt, t0, image), Result::sent(true));
        const Json body = Json::parse(chat.server.requests().back().body);
        const auto png = testing::decodePng(*testing::base64Decode(body.at("image").at("base64").get<std::string>()));
        ASSERT_TRUE(png.has_value());
        // The very pixels of the crop, shrunk when too large: nothing else of the screen.
        const bool fits = image.width <= CloudImage::maxSide;
        EXPECT_EQ(png->image, fits ? image : CloudImage::downscaled(image, CloudImage::maxSide));
        EXPECT_EQ(std::max(png->image.width, png->image.height), fits ? image.width : CloudImage::maxSide);
    }
    chat.settings.setLocalOnly(true);
    EXPECT_EQ(chat.bark(watch("w_SECOND"), std::nullopt, t0, pattern(64, 32)), Result::sent(false));
    EXPECT_EQ(chat.server.requests().back().body.find("base64"), std::string::npos);
    chat.link->setConnected(false);
    EXPECT_EQ(chat.bark(watch("w_NOCHAT"), std::nullopt, t0, pattern(64, 32)), Result::skipped());
    EXPECT_FALSE(chat.link->recent().spec("w_NOCHAT", t0).has_value());
    EXPECT_EQ(chat.server.requests().size(), 3u);
}

// An address that is not usable means no client: nothing is sent anywhere.
// "127.1" reaches this loopback server if anything tried it, so a slip
// would show in the log rather than leave the machine.
TEST(Privacy, NoUsableAddressNoRequestAnywhere) {
    Chat chat;
    chat.watches->add(watch("w_AAAAAA"), WatchStatus::watching);
    const std::string port = std::to_string(chat.server.port());
    for (const std::string& address : {std::string(), std::string("   \n"), std::string("not an address"),
                                       std::string("http://[::1"), std::string("http:/v1"), "http://127.1:" + port,
                                       "ftp://127.0.0.1:" + port, "ws://127.0.0.1:" + port,
                                       std::string("file:///tmp/kestrove")}) {
        SCOPED_TRACE(address);
        chat.store->set(CloudSettings::baseURLKey, address);
        chat.store->set(TelegramLink::connectedKey, true);
        WatchSetup setup(box, chat.settings, chat.session);
        EXPECT_NE(setup.compile(modelSentence, BaselineReading::empty(), t0).kind(), Step::Kind::consent);
        EXPECT_EQ(ask(chat, setup, watch("w_AAAAAA")), (Answer{Answer::Unreachable{}}));

        EXPECT_EQ(chat.bark(watch("w_AAAAAA"), std::nullopt, t0, pattern(8, 8)), Result::skipped());
        EXPECT_FALSE(chat.store->object(TelegramLink::recentKey).has_value());
        EXPECT_TRUE(chat.poll().empty());
        EXPECT_EQ(chat.startPairing().error(), CloudError::notSetUp());
        EXPECT_EQ(chat.checkPairing().error(), CloudError::notSetUp());
        chat.awaitDone([&](auto done) { return chat.link->checkAtLaunch(done); });
        // Disconnecting without a server is done locally, with nothing left pending.
        EXPECT_TRUE(chat.disconnect());
        EXPECT_FALSE(chat.link->connected());
        EXPECT_FALSE(chat.pending());
    }
    EXPECT_TRUE(chat.server.requests().empty());
    EXPECT_EQ(chat.server.connections(), 0u);
}

// Chat buttons end only running watches (paused ones too) and bring back
// only watches that barked in the last hour, as they were at the bark; ids and
// actions the server makes up change nothing.
TEST(Privacy, ChatButtonsActOnlyOnWhatTheyMay) {
    Chat chat;
    auto& watches = *chat.watches;
    chat.bark(watch("w_OLD000"), std::nullopt, t0 - minutes{61});
    for (const char* id : {"w_RECENT", "w_GONE00", "w_RUNNIN"}) chat.bark(watch(id), std::nullopt, t0 - minutes{59});
    watches.add(watch("w_RECENT"), WatchStatus::finished);
    watches.add(watch("w_RUNNIN"), WatchStatus::watching);
    watches.add(watch("w_FINISH"), WatchStatus::finished);
    watches.add(watch("w_OLD000"), WatchStatus::finished);
    watches.add(watch("w_PAUSED"), WatchStatus::paused);
    auto poll = [&](const std::string& actions) {
        chat.server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": [)" + actions + "]}"));
        return chat.poll().size();
    };
    const auto before = watches.records;
    EXPECT_EQ(poll(R"({"watch": "w_MADEUP", "action": "stop"}, {"watch": "w_MADEUP", "action": "keep"},
        {"watch": "w_FINISH", "action": "stop"}, {"watch": "w_FINISH", "action": "keep"},
        {"watch": "w_OLD000", "action": "keep"}, {"watch": "w_RUNNIN", "action": "keep"},
        {"watch": "w_RUNNIN", "action": "delete"}, {"watch": "w_RUNNIN", "action": "Stop"},
        {"watch": "w_RUNNIN", "action": "pause"}, {"watch": "../w_RUNNIN", "action": "stop"})"),
              10u);  // every action received is returned
    EXPECT_EQ(watches.records, before);
    EXPECT_TRUE(watches.calls.empty()) << watches.calls.front();

    poll(R"({"watch": "w_RECENT", "action": "keep"}, {"watch": "w_GONE00", "action": "keep"},
        {"watch": "w_RUNNIN", "action": "stop"}, {"watch": "w_PAUSED", "action": "stop"})");
    EXPECT_EQ(watches.calls, (std::vector<std::string>{"startAgain w_RECENT", "startAgain w_GONE00", "end w_RUNNIN",
                                                       "end w_PAUSED"}));
    for (const char* id : {"w_RECENT", "w_GONE00"}) {
        EXPECT_EQ(watches.records.at(id).status, WatchStatus::watching);
        EXPECT_EQ(watches.records.at(id).spec, watch(id));
    }
    EXPECT_EQ(watches.records.at("w_RUNNIN").status, WatchStatus::finished);
    EXPECT_EQ(watches.records.at("w_PAUSED").status, WatchStatus::finished);
}

}  // namespace
}  // namespace kestrove
