#include <gtest/gtest.h>

#include <functional>

#include "core/cloud/watch_setup.hpp"
#include "support/cloud_harness.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;
using testing::CloudHarness;
using testing::ScriptedAnswer;
using Answer = WatchSetup::Answer;

const Date t0 = sys_days{year{2026} / 3 / 1} + hours{9};
const WatchRegion box{1, 10, 20, 200, 100, 1, std::nullopt};

WatchSpec judged() {
    WatchSpec s;
    s.id = "w_JUDGE1";
    s.command = "the build finishes";
    s.type = WatchType::stateReached;
    s.target.description = "the build finishes";
    s.region = box;
    s.createdAt = t0;
    return s;
}

const CloudImage crop{"image/png", "iVBORw0KGgo="};
constexpr const char* confirming =
    R"({"type": "state_reached", "type_confidence": 0.9, "referent_visible": 0.9, "currently_met": 0.1, "too_vague": 0.1})";

const BaselineReading screen({
    {"Build #512", {0.05, 0.05, 0.6, 0.3}, 0.95},
    {"Exporting… 45%", {0.05, 0.5, 0.9, 0.4}, 0.92},
});

TEST(WatchSetupCompile, WhatNeedsTheModelDependsOnTheServer) {
    struct Case {
        const char* what;
        std::function<void(CloudHarness&)> prepare;
        WatchSetup::Step::Kind kind;
    };
    const Case cases[] = {
        {"ready", [](CloudHarness&) {}, WatchSetup::Step::Kind::consent},
        {"Local Only", [](CloudHarness& h) { h.settings.setLocalOnly(true); }, WatchSetup::Step::Kind::localOnly},
        {"no address", [](CloudHarness& h) { h.store->set(CloudSettings::baseURLKey, std::string(" ")); },
         WatchSetup::Step::Kind::notSetUp},
    };
    for (const Case& c : cases) {
        CloudHarness h;
        c.prepare(h);
        WatchSetup setup(box, h.settings, h.session);
        const WatchSetup::Step step = setup.compile("a new message arrives", BaselineReading::empty());
        ASSERT_EQ(step.kind(), c.kind) << c.what;
        const WatchSpec* fallback = nullptr;
        if (auto* x = step.as<WatchSetup::Step::Consent>()) {
            EXPECT_EQ(x->spec.type, WatchType::newItem) << c.what;
            EXPECT_EQ(x->spec.region, box) << c.what;
            fallback = &x->fallback;
        }
        if (auto* x = step.as<WatchSetup::Step::LocalOnly>()) fallback = &x->fallback;
        if (auto* x = step.as<WatchSetup::Step::NotSetUp>()) fallback = &x->fallback;
        ASSERT_NE(fallback, nullptr) << c.what;
        EXPECT_EQ(fallback->type, WatchType::anyChange) << c.what;
        EXPECT_EQ(fallback->fallbackFrom, WatchType::newItem) << c.what;
        EXPECT_TRUE(h.server.requests().empty()) << c.what;
    }
}

TEST(WatchSetupCompile, LocalOutcomesArePassedOnUnchanged) {
    CloudHarness h;
    WatchSetup setup(box, h.settings, h.session);
    const WatchSetup::Step step = setup.compile("\"Done\" appears", screen);
    const auto* decided = step.as<WatchSetup::Step::Decided>();
    ASSERT_NE(decided, nullptr);
    const auto* confirm = decided->outcome.as<CompileOutcome::Confirm>();
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm->spec.type, WatchType::textAppears);
    EXPECT_EQ(confirm->spec.target.text, "Done");
    EXPECT_EQ(confirm->spec.region, box);
}

TEST(WatchSetupCompile, TooVagueGoesToTheModelOnlyWhenItCanBeAsked) {
    CloudHarness h;
    WatchSetup setup(box, h.settings, h.session);
    const WatchSetup::Step asked = setup.compile("  Tell me when the vibe is right!", screen);
    const auto* consent = asked.as<WatchSetup::Step::Consent>();
    ASSERT_NE(consent, nullptr);
    const WatchSpec& s = consent->spec;
    EXPECT_EQ(s.command, "the vibe is right");
    EXPECT_EQ(s.type, WatchType::stateReached);
    EXPECT_EQ(s.target, (WatchTarget{"the vibe is right", std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(s.comparator, Comparison::none);
    EXPECT_EQ(s.mode, WatchMode::once);
    EXPECT_EQ(s.region, box);
    EXPECT_EQ(s.baseline, (Baseline{std::nullopt, false, std::nullopt, screen.prominentLine(28), std::nullopt}));
    EXPECT_FALSE(s.confidence || s.fallbackFrom || s.ruleFrom || s.direct);
    EXPECT_EQ(consent->fallback.type, WatchType::anyChange);
    EXPECT_EQ(consent->fallback.fallbackFrom, WatchType::stateReached);
    EXPECT_NE(consent->fallback.id, s.id);

    h.settings.setLocalOnly(true);
    const WatchSetup::Step local = setup.compile("the vibe is right", screen);
    const auto* decided = local.as<WatchSetup::Step::Decided>();
    ASSERT_NE(decided, nullptr);
    const auto* vague = decided->outcome.as<CompileOutcome::TooVague>();
    ASSERT_NE(vague, nullptr);
    EXPECT_FALSE(vague->examples.empty());

    h.settings.setLocalOnly(false);
    const WatchSetup::Step empty = setup.compile("   ", screen);
    ASSERT_NE(empty.as<WatchSetup::Step::Decided>(), nullptr);
    EXPECT_TRUE(h.server.requests().empty());
}

class AskTheModel : public ::testing::Test {
protected:
    CloudHarness h;
    WatchSetup setup{box, h.settings, h.session};

    Answer ask(std::optional<CloudImage> image = crop, Date now = t0) {
        return h.await<Answer>([&](auto done) { return setup.askTheModel(judged(), image, now, h.main.executor(), done); });
    }
};

TEST_F(AskTheModel, AnAnswerIsJudgedAndClearsThePause) {
    h.settings.pauseModel(60.0, t0 - hours{1});  // over by now, still stored
    h.server.answer("/v1/compile", ScriptedAnswer::json(200, confirming));
    const Answer a = ask();
    CompileResponse r = decodeWire<CompileResponse>(confirming);
    EXPECT_EQ(a, (Answer{Answer::Setup{JudgeSetup::decide(r, judged())}}));
    EXPECT_FALSE(h.store->object(CloudSettings::pauseUntilKey).has_value());

    const auto requests = h.server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Json::parse(requests[0].body),
              (Json{{"device", h.settings.deviceID()},
                    {"command", "the build finishes"},
                    {"image", {{"content_type", "image/png"}, {"base64", "iVBORw0KGgo="}}}}));
}

TEST_F(AskTheModel, AStoredPauseAnswersUsedUpWithoutARequest) {
    h.settings.pauseModel(600.0, t0);
    EXPECT_EQ(ask(crop, t0 + seconds{599}), (Answer{Answer::UsedUp{t0 + seconds{600}}}));
    EXPECT_TRUE(h.server.requests().empty());

    h.server.answer("/v1/compile", ScriptedAnswer::json(200, confirming));
    EXPECT_EQ(ask(crop, t0 + seconds{600}).kind(), Answer::Kind::setup);
    EXPECT_EQ(h.server.requests().size(), 1u);
}

TEST_F(AskTheModel, UsedUpAnswersStoreThePause) {
    struct Case {
        const char* what;
        ScriptedAnswer answer;
        std::optional<Date> back;
        Date until;
    };
    const Case cases[] = {
        {"busy for 600 s", ScriptedAnswer::json(503, R"({"error": "busy", "resets_in": 600})"), t0 + seconds{600},
         t0 + seconds{600}},
        {"day used up, no time", ScriptedAnswer::json(429, R"({"error": "daily_limit"})"), std::nullopt,
         t0 + seconds{900}},
    };
    for (const Case& c : cases) {
        CloudHarness fresh;
        fresh.server.answer("/v1/compile", c.answer);
        WatchSetup s(box, fresh.settings, fresh.session);
        const Answer a =
            fresh.await<Answer>([&](auto done) { return s.askTheModel(judged(), crop, t0, fresh.main.executor(), done); });
        EXPECT_EQ(a, (Answer{Answer::UsedUp{c.back}})) << c.what;
        const auto pause = fresh.settings.modelPause(t0);
        ASSERT_TRUE(pause.has_value()) << c.what;
        EXPECT_EQ(pause->until, c.until) << c.what;
    }
}

TEST_F(AskTheModel, EveryOtherFailureIsUnreachable) {
    struct Case {
        const char* what;
        ScriptedAnswer answer;
    };
    const Case cases[] = {
        {"server error", ScriptedAnswer::json(500, "")},
        {"too many requests", ScriptedAnswer::json(429, "")},
        {"model down", ScriptedAnswer::json(502, "")},
        {"odd answer", ScriptedAnswer::json(200, R"({"type": "state_reached"})")},
        {"hang-up", ScriptedAnswer::with(ScriptedAnswer::Behaviour::closeWithoutReply)},
    };
    for (const Case& c : cases) {
        CloudHarness fresh;
        fresh.settings.pauseModel(60.0, t0 - hours{1});
        fresh.server.answer("/v1/compile", c.answer);
        WatchSetup s(box, fresh.settings, fresh.session);
        const Answer a =
            fresh.await<Answer>([&](auto done) { return s.askTheModel(judged(), crop, t0, fresh.main.executor(), done); });
        EXPECT_EQ(a, (Answer{Answer::Unreachable{}})) << c.what;
        EXPECT_TRUE(fresh.store->object(CloudSettings::pauseUntilKey).has_value()) << c.what << ": pause kept";
    }
    EXPECT_EQ(ask(std::nullopt), (Answer{Answer::Unreachable{}}));  // no crop: nothing to send
    EXPECT_TRUE(h.server.requests().empty());
}

TEST_F(AskTheModel, TheAnswerComesThroughTheExecutorEvenWithoutARequest) {
    h.settings.setLocalOnly(true);
    bool answered = false;
    const CloudCall call = setup.askTheModel(judged(), crop, t0, h.main.executor(), [&](Answer) { answered = true; });
    EXPECT_FALSE(answered);
    h.main.runPending();
    EXPECT_TRUE(answered);
}

}  // namespace
}  // namespace kestrove
