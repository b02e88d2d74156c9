#include <gtest/gtest.h>

#include <string>

#include "core/cloud/judge_setup.hpp"

using namespace kestrove;
using namespace std::chrono;

namespace {

WatchSpec judged() {
    WatchSpec s;
    s.id = "w_JUDGE1";
    s.command = "the build finishes";
    s.type = WatchType::stateReached;
    s.target.description = "the build finishes";
    s.mode = WatchMode::once;
    s.region = {3, 10, 20, 400, 80, 2, std::nullopt};
    s.baseline.currentText = "Building…";
    s.createdAt = sys_days{year{2026} / 3 / 1} + hours{9};
    return s;
}

// An answer that confirms as it stands; each case moves one score.
CompileResponse answer() {
    CompileResponse r;
    r.type = "state_reached";
    r.typeConfidence = 0.9;
    r.referentVisible = 0.9;
    r.currentlyMet = 0.1;
    r.tooVague = 0.1;
    return r;
}

std::string name(const JudgeSetup& j) {
    static const char* names[] = {"confirm", "twoReadings", "notVisible", "alreadyTrue", "tooVague"};
    return names[static_cast<int>(j.kind())];
}

}  // namespace

TEST(JudgeSetup, EachThresholdIsStrict) {
    struct Case {
        const char* what;
        void (*change)(CompileResponse&);
        const char* expected;
    };
    const Case cases[] = {
        {"too_vague at 0.6", [](CompileResponse& r) { r.tooVague = 0.6; }, "confirm"},
        {"too_vague at 0.61", [](CompileResponse& r) { r.tooVague = 0.61; }, "tooVague"},
        {"type_confidence at 0.7 with two kinds",
         [](CompileResponse& r) { r.typeConfidence = 0.7; r.types = {{{"new_item", 0.4}}}; }, "confirm"},
        {"type_confidence at 0.69 with two kinds",
         [](CompileResponse& r) { r.typeConfidence = 0.69; r.types = {{{"new_item", 0.4}}}; }, "twoReadings"},
        {"type_confidence at 0.69 with one kind", [](CompileResponse& r) { r.typeConfidence = 0.69; }, "confirm"},
        {"type_confidence at 0.69, the only other name no kind",
         [](CompileResponse& r) { r.typeConfidence = 0.69; r.types = {{{"sparkles", 0.4}, {"state_reached", 0.3}}}; },
         "confirm"},
        {"referent_visible at 0.5", [](CompileResponse& r) { r.referentVisible = 0.5; }, "confirm"},
        {"referent_visible at 0.49", [](CompileResponse& r) { r.referentVisible = 0.49; }, "notVisible"},
        {"currently_met at 0.8", [](CompileResponse& r) { r.currentlyMet = 0.8; }, "confirm"},
        {"currently_met at 0.81", [](CompileResponse& r) { r.currentlyMet = 0.81; }, "alreadyTrue"},
    };
    for (const Case& c : cases) {
        CompileResponse r = answer();
        c.change(r);
        EXPECT_EQ(name(JudgeSetup::decide(r, judged())), c.expected) << c.what;
    }
}

TEST(JudgeSetup, StepsAreTakenInOrder) {
    struct Case {
        const char* what;
        void (*change)(CompileResponse&);
        const char* expected;
    };
    const Case cases[] = {
        {"too vague beats every other step",
         [](CompileResponse& r) {
             r.tooVague = 0.9; r.typeConfidence = 0.1; r.types = {{{"new_item", 0.5}}};
             r.referentVisible = 0; r.currentlyMet = 1;
         },
         "tooVague"},
        {"two readings beat any change",
         [](CompileResponse& r) { r.type = "any_change"; r.typeConfidence = 0.5; r.types = {{{"new_item", 0.4}}}; },
         "twoReadings"},
        {"any change beats not visible and already true",
         [](CompileResponse& r) { r.type = "any_change"; r.referentVisible = 0.1; r.currentlyMet = 0.95; }, "confirm"},
        {"not visible beats already true",
         [](CompileResponse& r) { r.referentVisible = 0.1; r.currentlyMet = 0.95; }, "notVisible"},
    };
    for (const Case& c : cases) {
        CompileResponse r = answer();
        c.change(r);
        EXPECT_EQ(name(JudgeSetup::decide(r, judged())), c.expected) << c.what;
    }
}

TEST(JudgeSetup, TheAnswerIsFoldedIntoTheSpec) {
    CompileResponse r = answer();
    r.type = "new_item";
    r.typeConfidence = 0.75;
    r.referentVisible = 0.66;
    r.currentlyMet = 0.8;
    r.mode = "every_time";
    const JudgeSetup cDecision = JudgeSetup::decide(r, judged());
    const auto* c = cDecision.as<JudgeSetup::Confirm>();
    ASSERT_NE(c, nullptr);
    WatchSpec expected = judged();
    expected.type = WatchType::newItem;
    expected.mode = WatchMode::everyTime;
    expected.confidence = std::map<std::string, double>{{"type", 0.75}, {"referent_visible", 0.66}};
    expected.baseline.currentlyMet = false;
    EXPECT_EQ(c->spec, expected);

    // Text kinds and unknown names leave the kind; unknown modes leave the mode.
    for (const char* type : {"text_gone", "any_thing", "number_compare"}) {
        CompileResponse other = answer();
        other.type = type;
        other.mode = "weekly";
        const JudgeSetup keptDecision = JudgeSetup::decide(other, judged());
        const auto* kept = keptDecision.as<JudgeSetup::Confirm>();
        ASSERT_NE(kept, nullptr) << type;
        EXPECT_EQ(kept->spec.type, WatchType::stateReached) << type;
        EXPECT_EQ(kept->spec.mode, WatchMode::once) << type;
    }
}

TEST(JudgeSetup, TwoReadingsCarryTheTopTwoKinds) {
    CompileResponse r = answer();
    r.typeConfidence = 0.5;
    r.types = {{{"new_item", 0.4}, {"state_reached", 0.4}, {"nonsense", 0.9}}};
    const JudgeSetup twoDecision = JudgeSetup::decide(r, judged());
    const auto* two = twoDecision.as<JudgeSetup::TwoReadings>();
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->kinds, (std::vector<WatchType>{WatchType::stateReached, WatchType::newItem}));
    EXPECT_EQ(two->spec.confidence->at("type"), 0.5);
}

TEST(JudgeSetup, AnyChangeAnswersAndAlreadyTrueFallbacks) {
    CompileResponse any = answer();
    any.type = "any_change";
    any.referentVisible = 0.1;
    any.currentlyMet = 0.95;
    const JudgeSetup cDecision = JudgeSetup::decide(any, judged());
    const auto* c = cDecision.as<JudgeSetup::Confirm>();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->spec.type, WatchType::anyChange);
    EXPECT_EQ(c->spec.id, "w_JUDGE1");
    EXPECT_FALSE(c->spec.fallbackFrom.has_value());
    EXPECT_EQ(c->spec.command, "the build finishes");

    CompileResponse met = answer();
    met.currentlyMet = 0.9;
    const JudgeSetup tDecision = JudgeSetup::decide(met, judged());
    const auto* t = tDecision.as<JudgeSetup::AlreadyTrue>();
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->spec.baseline.currentlyMet);
    EXPECT_EQ(t->spec.id, "w_JUDGE1");
    EXPECT_EQ(t->fallback.type, WatchType::anyChange);
    EXPECT_NE(t->fallback.id, "w_JUDGE1");
    EXPECT_EQ(t->fallback.fallbackFrom, WatchType::stateReached);
    EXPECT_FALSE(t->fallback.baseline.currentlyMet);
}

TEST(JudgeSetup, SpecForAChosenKind) {
    const WatchSpec from = judged();
    for (WatchType kind : allCases<WatchType>()) {
        const auto s = JudgeSetup::spec(kind, from);
        switch (kind) {
        case WatchType::anyChange:
            ASSERT_TRUE(s.has_value());
            EXPECT_EQ(s->type, WatchType::anyChange);
            EXPECT_EQ(s->id, from.id);
            EXPECT_FALSE(s->fallbackFrom.has_value());
            break;
        case WatchType::stateReached:
        case WatchType::newItem: {
            WatchSpec expected = from;
            expected.type = kind;
            EXPECT_EQ(s, expected) << rawValue(kind);
            break;
        }
        default:
            EXPECT_FALSE(s.has_value()) << rawValue(kind);
        }
    }
}
