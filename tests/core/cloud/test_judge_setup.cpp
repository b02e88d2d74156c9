#include <gtest/gtest.h>

#include <string>

#include "cloud_samples.hpp"
#include "core/cloud/judge_setup.hpp"
#include "core/rules/local_compiler.hpp"

using namespace kestrove;
using kestrove::testing::judged;

namespace {

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

// The answer above with one change, decided for judged().
template <typename Change>
JudgeSetup decide(Change change) {
    CompileResponse r = answer();
    change(r);
    return JudgeSetup::decide(r, judged());
}

std::string name(const JudgeSetup& j) {
    static const char* names[] = {"confirm", "twoReadings", "notVisible", "alreadyTrue", "tooVague"};
    return names[static_cast<int>(j.kind())];
}

}  // namespace

// Each threshold is strict, and the steps are taken in a fixed order.
TEST(JudgeSetup, ThresholdsAndTheirOrder) {
    using R = CompileResponse&;
    const std::tuple<const char*, void (*)(R), const char*> cases[] = {
        {"too_vague at 0.6", [](R r) { r.tooVague = 0.6; }, "confirm"},
        {"too_vague at 0.61", [](R r) { r.tooVague = 0.61; }, "tooVague"},
        {"type_confidence at 0.7, two kinds", [](R r) { r.typeConfidence = 0.7; r.types = {{{"new_item", 0.4}}}; },
         "confirm"},
        {"type_confidence at 0.69, two kinds", [](R r) { r.typeConfidence = 0.69; r.types = {{{"new_item", 0.4}}}; },
         "twoReadings"},
        {"type_confidence at 0.69, one kind", [](R r) { r.typeConfidence = 0.69; }, "confirm"},
        {"type_confidence at 0.69, the only other name no kind",
         [](R r) { r.typeConfidence = 0.69; r.types = {{{"sparkles", 0.4}, {"state_reached", 0.3}}}; }, "confirm"},
        {"referent_visible at 0.5", [](R r) { r.referentVisible = 0.5; }, "confirm"},
        {"referent_visible at 0.49", [](R r) { r.referentVisible = 0.49; }, "notVisible"},
        {"currently_met at 0.8", [](R r) { r.currentlyMet = 0.8; }, "confirm"},
        {"currently_met at 0.81", [](R r) { r.currentlyMet = 0.81; }, "alreadyTrue"},
        {"too vague beats every other step",
         [](R r) { r.tooVague = 0.9, r.typeConfidence = 0.1, r.types = {{{"new_item", 0.5}}}, r.referentVisible = 0; },
         "tooVague"},
        {"two readings beat any change",
         [](R r) { r.type = "any_change", r.typeConfidence = 0.5, r.types = {{{"new_item", 0.4}}}; }, "twoReadings"},
        {"any change beats not visible and already true",
         [](R r) { r.type = "any_change", r.referentVisible = 0.1, r.currentlyMet = 0.95; }, "confirm"},
        {"not visible beats already true", [](R r) { r.referentVisible = 0.1, r.currentlyMet = 0.95; }, "notVisible"},
    };
    for (const auto& [what, change, expected] : cases) EXPECT_EQ(name(decide(change)), expected) << what;
}

TEST(JudgeSetup, TheAnswerIsFoldedIntoTheSpec) {
    using R = CompileResponse&;
    WatchSpec expected = judged();
    expected.type = WatchType::newItem;
    expected.mode = WatchMode::everyTime;
    expected.confidence = std::map<std::string, double>{{"type", 0.75}, {"referent_visible", 0.66}};
    const auto folded = decide([](R r) {
        r.type = "new_item", r.typeConfidence = 0.75, r.referentVisible = 0.66, r.currentlyMet = 0.8, r.mode = "every_time";
    });
    EXPECT_EQ(folded.as<JudgeSetup::Confirm>()->spec, expected);
    // Text kinds and unknown names leave the kind; unknown modes leave the mode.
    for (const char* type : {"text_gone", "any_thing", "number_compare"}) {
        const auto kept = decide([type](R r) { r.type = type, r.mode = "weekly"; }).as<JudgeSetup::Confirm>()->spec;
        EXPECT_EQ(std::pair(kept.type, kept.mode), std::pair(WatchType::stateReached, WatchMode::once)) << type;
    }
    const auto two = decide([](R r) { r.typeConfidence = 0.5, r.types = {{{"new_item", 0.4}}}; });
    EXPECT_EQ(two.as<JudgeSetup::TwoReadings>()->kinds,
              (std::vector<WatchType>{WatchType::stateReached, WatchType::newItem}));
    EXPECT_EQ(two.as<JudgeSetup::TwoReadings>()->spec.confidence->at("type"), 0.5);
}

// An any-change answer is the watch itself; already true offers a fallback under a new id.
TEST(JudgeSetup, AnyChangeAnswersAndAlreadyTrueFallbacks) {
    using R = CompileResponse&;
    const WatchSpec same =
        decide([](R r) { r.type = "any_change", r.referentVisible = 0.1, r.currentlyMet = 0.95; })
            .as<JudgeSetup::Confirm>()->spec;
    EXPECT_EQ(std::tie(same.type, same.id, same.command),
              std::make_tuple(WatchType::anyChange, "w_JUDGE1", "the build finishes"));
    EXPECT_FALSE(same.fallbackFrom.has_value());

    const auto t = decide([](R r) { r.currentlyMet = 0.9; });
    ASSERT_NE(t.as<JudgeSetup::AlreadyTrue>(), nullptr);
    EXPECT_TRUE(t.as<JudgeSetup::AlreadyTrue>()->spec.baseline.currentlyMet);
    const WatchSpec& fallback = t.as<JudgeSetup::AlreadyTrue>()->fallback;
    EXPECT_EQ(std::tie(fallback.type, fallback.fallbackFrom, fallback.baseline.currentlyMet),
              std::make_tuple(WatchType::anyChange, WatchType::stateReached, false));
    EXPECT_NE(fallback.id, "w_JUDGE1");
}

TEST(JudgeSetup, SpecForAChosenKind) {
    for (WatchType kind : allCases<WatchType>()) {
        std::optional<WatchSpec> expected;
        if (kind == WatchType::anyChange) expected = LocalCompiler::anyChangeSpec(judged());
        if (kind == WatchType::stateReached || kind == WatchType::newItem) expected = judged(), expected->type = kind;
        EXPECT_EQ(JudgeSetup::spec(kind, judged()), expected) << rawValue(kind);
    }
}
