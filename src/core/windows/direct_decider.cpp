#include "core/windows/direct_decider.hpp"

#include <algorithm>

#include "core/rules/new_line_rule.hpp"

namespace kestrove {

DirectDecider::DirectDecider(WatchSpec spec, const std::vector<OCRLine>& baseline, bool armed)
    : spec_(std::move(spec)),
      gate_(std::max(spec_.debounceChecks, 1), armed),
      settled_(std::max(spec_.debounceChecks, 1), armed),
      baselineLines_(NewLineRule::normalized(baseline)) {}

bool DirectDecider::reportsEachNewLine() const {
    return spec_.mode == WatchMode::everyTime && spec_.type == WatchType::newLine;
}

DirectDecider::Step DirectDecider::take(const DirectAnswer& answer) {
    const std::vector<OCRLine>* lines = answer.lines();
    if (!lines) {
        // Silence breaks a run of met checks but neither re-arms the gates
        // nor counts as a change of text.
        gate_.breakStreak();
        settled_.breakStreak();
        return {};
    }
    std::vector<std::string> now = NewLineRule::normalized(*lines);
    const bool changed = !lastText_ || *lastText_ != now;
    lastText_ = now;
    currentLines_ = now;
    // New lines every time: lines that came right after a bark are the
    // baseline once the text kept still for a read.
    if (reportsEachNewLine() && gate_.settle(changed)) baselineLines_ = now;
    Evaluation ev = LocalCompiler::evaluate(spec_, *lines, baselineLines_);
    lastEvaluation_ = ev;
    bool fired = false;
    if (spec_.waitsForStillness()) {
        fired = settled_.update(ev.met, changed);
    } else {
        fired = gate_.update(ev.met);
        // The lines just reported are not reported again.
        if (fired && reportsEachNewLine()) baselineLines_ = std::move(now);
    }
    awaitingPicture_ = fired && (spec_.type == WatchType::textGone || !ev.readable || lines->empty());
    return {true, fired, std::move(ev)};
}

bool DirectDecider::confirm(const std::optional<std::vector<OCRLine>>& picture) {
    if (!awaitingPicture_) return true;
    awaitingPicture_ = false;
    if (picture && LocalCompiler::evaluate(spec_, *picture, baselineLines_).met) return true;
    // The picture still shows what the direct reading lost: judge afresh.
    gate_ = TriggerGate(gate_.required, true);
    settled_ = SettledGate(settled_.required, true);
    return false;
}

bool DirectDecider::armed() const { return spec_.waitsForStillness() ? settled_.armed : gate_.armed; }

void DirectDecider::markFired() {
    awaitingPicture_ = false;
    gate_.markFired();
    settled_.markFired();
    if (reportsEachNewLine() && !currentLines_.empty()) baselineLines_ = currentLines_;
}

}  // namespace kestrove
