#include "app/dev/ax_rules.hpp"

#include <chrono>

#include "core/rules/evaluation.hpp"
#include "core/rules/local_compiler.hpp"

namespace kestrove::DevAX {

std::optional<DirectAgreement::Verdict> compileRule(Rule& rule, const std::vector<OCRLine>& picture,
                                                    const DirectAnswer& direct, const WatchRegion& region,
                                                    bool onScreenOnly) {
    const CompileOutcome outcome = LocalCompiler::compile(rule.sentence, BaselineReading(picture), region,
                                                          std::nullopt, WatchSpec::makeID(),
                                                          std::chrono::system_clock::now());
    const auto* confirmed = outcome.as<CompileOutcome::Confirm>();
    if (!confirmed) return std::nullopt;
    const std::vector<OCRLine>* lines = direct.lines();
    const DirectAgreement::Verdict verdict =
        lines ? DirectAgreement::check(confirmed->spec, picture, *lines) : DirectAgreement::differs("no answer");
    rule.spec = DirectAgreement::adopt(confirmed->spec, picture,
                                       lines ? std::optional(*lines) : std::nullopt, onScreenOnly);
    rule.adopted = rule.spec->direct.has_value();
    rule.baselineLines = rule.spec->baseline.lines.value_or(std::vector<std::string>{});
    if (lines && rule.adopted) rule.decider.emplace(*rule.spec, *lines, true);
    return verdict;
}

Fired feedRule(Rule& rule, const Box& box, const PictureLook& look, const DirectAnswer& direct, int tick,
               double seconds) {
    Fired fired;
    if (!rule.spec) return fired;
    if (!look.lost && box.lines) {
        const Evaluation ev = LocalCompiler::evaluate(*rule.spec, *box.lines, rule.baselineLines);
        fired.picture = rule.spec->waitsForStillness() ? rule.settled.update(ev.met, look.changed)
                                                       : rule.gate.update(ev.met);
        if (fired.picture && !rule.pictureBark) rule.pictureBark = BarkRecord{tick, seconds, ev.display};
    }
    if (rule.decider) {
        const DirectDecider::Step step = rule.decider->take(direct);
        fired.direct = step.fired && rule.decider->confirm(look.lost ? std::nullopt : box.lines);
        if (fired.direct && !rule.directBark)
            rule.directBark = BarkRecord{tick, seconds, step.evaluation ? step.evaluation->display : std::nullopt};
    }
    return fired;
}

}  // namespace kestrove::DevAX
