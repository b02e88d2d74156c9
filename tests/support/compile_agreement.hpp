#pragma once
// Whether the local compiler and the rule evaluation agree on the reading a
// watch was made from: a rule compiled as not met yet is not met by that
// reading, one already true is met by it, a number rule can read its number,
// and every number offered to pick gives such a rule. Shared by the tests
// and the fuzzer.

#include <optional>
#include <string>
#include <string_view>

#include "core/rules/evaluation.hpp"
#include "core/rules/local_compiler.hpp"

namespace kestrove::testing {

// The fault of one compiled rule on its own first reading, if any.
inline std::optional<std::string> ruleFault(const WatchSpec& spec, const BaselineReading& reading) {
    switch (spec.type) {
    case WatchType::textAppears:
    case WatchType::textGone:
    case WatchType::numberCompare:
    case WatchType::newLine: break;
    default: return std::nullopt;  // judged by pixels or the model
    }
    const Evaluation e = LocalCompiler::evaluate(spec, reading.lines);
    const std::string rule = std::string(rawValue(spec.type)) + " \"" + spec.target.text.value_or("") + "\"";
    if (e.met != spec.baseline.currentlyMet)
        return rule + (e.met ? " is met by the reading it was made from as not met"
                             : " is not met by the reading it was made from as met");
    if (spec.type == WatchType::numberCompare && !e.readable) return rule + " cannot read its number";
    return std::nullopt;
}

// The fault of compiling `sentence` over `reading`, picking each number
// offered in turn, if any.
inline std::optional<std::string> compileAgreementFault(std::string_view sentence, const BaselineReading& reading) {
    const WatchRegion region{1, 0, 0, 400, 100, 1, std::nullopt};
    const auto ids = [] { return std::string("w_ALT000"); };
    auto compile = [&](const std::optional<ReadNumber>& chosen) {
        return LocalCompiler::compile(sentence, reading, region, chosen, "w_TEST00", Date{}, ids);
    };
    const CompileOutcome o = compile(std::nullopt);
    if (const auto* which = o.as<CompileOutcome::WhichNumber>()) {
        for (const ReadNumber& n : which->candidates) {
            const CompileOutcome picked = compile(n);
            if (picked.kind() != CompileOutcome::Kind::confirm && picked.kind() != CompileOutcome::Kind::alreadyTrue)
                return "picking \"" + n.text + "\" gives no rule";
            if (auto fault = ruleFault(*picked.spec(), reading)) return "after picking \"" + n.text + "\": " + *fault;
        }
        return std::nullopt;
    }
    if (o.kind() != CompileOutcome::Kind::confirm && o.kind() != CompileOutcome::Kind::alreadyTrue &&
        o.kind() != CompileOutcome::Kind::alreadyVisible)
        return std::nullopt;  // no rule to start, only a question or a fallback
    if (auto fault = ruleFault(*o.spec(), reading)) return fault;
    if (const auto* visible = o.as<CompileOutcome::AlreadyVisible>()) return ruleFault(visible->alternative, reading);
    return std::nullopt;
}

}  // namespace kestrove::testing
