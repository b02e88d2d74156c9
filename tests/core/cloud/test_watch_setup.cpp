// What reaches the network, and when, is proven in test_privacy.cpp.
#include <gtest/gtest.h>

#include <functional>

#include "core/cloud/watch_setup.hpp"
#include "cloud_samples.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;
using testing::CloudHarness;
using testing::judged;
using testing::ScriptedAnswer;
using testing::t0;
using Answer = WatchSetup::Answer;
using Step = WatchSetup::Step;

const WatchRegion box{1, 10, 20, 200, 100, 1, std::nullopt};
const BaselineReading screen({{"Build #512", {0.05, 0.05, 0.6, 0.3}, 0.95},
                              {"Exporting… 45%", {0.05, 0.5, 0.9, 0.4}, 0.92}});

Answer ask(CloudHarness& h, std::optional<CloudImage> crop = CloudImage{"image/png", "iVBORw0KGgo="}) {
    WatchSetup setup(box, h.settings, h.session);
    return h.await<Answer>([&](auto done) { return setup.askTheModel(judged(), crop, t0, h.main.executor(), done); });
}

TEST(WatchSetup, WhatNeedsTheModelDependsOnTheServer) {
    const std::tuple<const char*, std::function<void(CloudHarness&)>, Step::Kind> cases[] = {
        {"ready", [](CloudHarness&) {}, Step::Kind::consent},
        {"Local Only", [](CloudHarness& h) { h.settings.setLocalOnly(true); }, Step::Kind::localOnly},
        {"no address", [](CloudHarness& h) { h.store->set(CloudSettings::baseURLKey, std::string(" ")); },
         Step::Kind::notSetUp},
    };
    for (const auto& [what, prepare, kind] : cases) {
        CloudHarness h;
        prepare(h);
        const Step step =
            WatchSetup(box, h.settings, h.session).compile("a new message arrives", BaselineReading::empty(), t0);
        ASSERT_EQ(step.kind(), kind) << what;
        const WatchSpec* fallback = nullptr;
        if (auto* x = step.as<Step::Consent>()) {
            EXPECT_EQ(x->spec.type, WatchType::newItem) << what;
            EXPECT_EQ(x->spec.region, box) << what;
            EXPECT_EQ(x->spec.createdAt, t0) << what;
            fallback = &x->fallback;
        }
        if (auto* x = step.as<Step::LocalOnly>()) fallback = &x->fallback;
        if (auto* x = step.as<Step::NotSetUp>()) fallback = &x->fallback;
        ASSERT_NE(fallback, nullptr) << what;
        EXPECT_EQ(fallback->type, WatchType::anyChange) << what;
        EXPECT_EQ(fallback->fallbackFrom, WatchType::newItem) << what;
    }
}

TEST(WatchSetup, LocalOutcomesArePassedOnAndTooVagueGoesToTheModelWhenItCanBeAsked) {
    CloudHarness h;
    WatchSetup setup(box, h.settings, h.session);
    const Step local = setup.compile("\"Done\" appears", screen, t0);
    ASSERT_NE(local.as<Step::Decided>(), nullptr);
    EXPECT_EQ(local.as<Step::Decided>()->outcome.kind(), CompileOutcome::Kind::confirm);
    EXPECT_EQ(local.as<Step::Decided>()->outcome.spec()->region, box);
    EXPECT_EQ(local.as<Step::Decided>()->outcome.spec()->createdAt, t0) << "made at the caller's time";

    const Step asked = setup.compile("  Tell me when the vibe is right!", screen, t0);
    const auto* consent = asked.as<Step::Consent>();
    ASSERT_NE(consent, nullptr);
    EXPECT_EQ(std::tie(consent->spec.command, consent->spec.type, consent->fallback.fallbackFrom),
              std::make_tuple("the vibe is right", WatchType::stateReached, WatchType::stateReached));
    EXPECT_NE(consent->fallback.id, consent->spec.id);

    h.settings.setLocalOnly(true);
    const Step vague = setup.compile("the vibe is right", screen, t0);
    ASSERT_NE(vague.as<Step::Decided>(), nullptr);
    ASSERT_NE(vague.as<Step::Decided>()->outcome.as<CompileOutcome::TooVague>(), nullptr);
    EXPECT_FALSE(vague.as<Step::Decided>()->outcome.as<CompileOutcome::TooVague>()->examples.empty());
    h.settings.setLocalOnly(false);
    EXPECT_EQ(setup.compile("   ", screen, t0).kind(), Step::Kind::decided);
}

// An answer is judged and clears the stored pause; a used-up answer stores a
// new one; every other failure is unreachable and leaves the pause alone.
TEST(WatchSetup, AnswersAndThePauseTheyLeave) {
    constexpr const char* confirming = R"({"type": "state_reached", "type_confidence": 0.9, "referent_visible": 0.9,
                                           "currently_met": 0.1, "too_vague": 0.1})";
    const Answer unreachable{Answer::Unreachable{}};
    const std::optional<Date> kept = t0 - minutes{59};  // stored earlier, over by now
    const std::tuple<ScriptedAnswer, Answer, std::optional<Date>> cases[] = {
        {ScriptedAnswer::json(200, confirming),
         Answer{Answer::Setup{JudgeSetup::decide(decodeWire<CompileResponse>(confirming), judged())}}, std::nullopt},
        {ScriptedAnswer::json(503, R"({"error": "busy", "resets_in": 600})"), Answer{Answer::UsedUp{t0 + seconds{600}}},
         t0 + seconds{600}},
        {ScriptedAnswer::json(429, R"({"error": "daily_limit"})"), Answer{Answer::UsedUp{std::nullopt}},
         t0 + seconds{900}},
        {ScriptedAnswer::json(500, ""), unreachable, kept},
        {ScriptedAnswer::json(429, ""), unreachable, kept},
        {ScriptedAnswer::json(502, ""), unreachable, kept},
        {ScriptedAnswer::json(200, R"({"type": "state_reached"})"), unreachable, kept},
        {ScriptedAnswer::with(ScriptedAnswer::Behaviour::closeWithoutReply), unreachable, kept},
    };
    for (const auto& [reply, answer, until] : cases) {
        SCOPED_TRACE(std::to_string(reply.status) + " " + reply.body);
        CloudHarness h;
        h.settings.pauseModel(60.0, t0 - hours{1});
        h.server.answer("/v1/compile", reply);
        EXPECT_EQ(ask(h), answer);
        EXPECT_EQ(h.store->number(CloudSettings::pauseUntilKey),
                  until ? std::optional(duration<double>(until->time_since_epoch()).count()) : std::nullopt);
    }
    CloudHarness h;
    EXPECT_EQ(ask(h, std::nullopt), unreachable);  // no crop: nothing to send
    EXPECT_TRUE(h.server.requests().empty());
}

}  // namespace
}  // namespace kestrove
