#include "core/cloud/judge_setup.hpp"

#include "core/rules/local_compiler.hpp"

namespace kestrove {

JudgeSetup JudgeSetup::decide(const CompileResponse& r, const WatchSpec& spec) {
    WatchSpec s = spec;
    s.confidence = std::map<std::string, double>{{"type", r.typeConfidence}, {"referent_visible", r.referentVisible}};
    s.baseline.currentlyMet = r.currentlyMet > currentlyMetOver;
    if (auto mode = r.watchMode()) s.mode = *mode;
    // The model may only move the watch between the kinds it judges itself.
    if (auto type = r.watchType(); type && needsCloud(*type)) s.type = *type;

    if (r.tooVague > tooVagueOver) return TooVague{};
    if (r.typeConfidence < typeConfidenceUnder) {
        if (auto top = r.topTwoTypes(); top.size() == 2) return TwoReadings{s, std::move(top)};
    }
    if (r.watchType() == WatchType::anyChange) return Confirm{LocalCompiler::anyChangeSpec(s)};
    if (r.referentVisible < referentVisibleUnder) return NotVisible{s};
    if (r.currentlyMet > currentlyMetOver) return AlreadyTrue{s, LocalCompiler::anyChangeFallback(s)};
    return Confirm{s};
}

std::optional<WatchSpec> JudgeSetup::spec(WatchType kind, const WatchSpec& from) {
    switch (kind) {
    case WatchType::anyChange:
        return LocalCompiler::anyChangeSpec(from);
    case WatchType::stateReached:
    case WatchType::newItem: {
        WatchSpec s = from;
        s.type = kind;
        return s;
    }
    case WatchType::textAppears:
    case WatchType::textGone:
    case WatchType::numberCompare:
    case WatchType::newLine:
        break;
    }
    return std::nullopt;
}

}  // namespace kestrove
