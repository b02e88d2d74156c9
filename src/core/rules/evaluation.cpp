#include "core/rules/evaluation.hpp"

#include <algorithm>
#include <cmath>

#include "core/rules/new_line_rule.hpp"
#include "core/rules/rules.hpp"
#include "core/foundation/text.hpp"
#include "core/reading/text_match.hpp"

namespace kestrove::LocalCompiler {

namespace {

Evaluation judged(bool met, bool readable = true) {
    Evaluation e;
    e.met = met;
    e.readable = readable;
    return e;
}

// A countdown rule waits for the clock it was made from, the first one in
// reading order, to show zeros. Its text is that clock in zeros ("00:00"),
// but a clock that drops its leading zero on the way down ends on "0:00",
// so the clock counts as run out when it reads as its own zero form. Other
// clocks in the box (a second timer already at zero) do not count.
Evaluation countdown(const std::vector<OCRLine>& lines, const std::string& zeros) {
    if (lines.empty()) return judged(true, false);
    const BaselineReading reading(lines);
    if (const std::optional<std::string> shown = Rules::countdown(reading)) return judged(Rules::zero(*shown) == *shown);
    // No clock at all: the countdown has gone (and with it what we read),
    // unless its zeros stand in a form the clock pattern does not take ("00 : 00").
    return judged(true, TextMatch::contains(lines, zeros));
}

Evaluation textAppears(const WatchSpec& spec, const std::vector<OCRLine>& lines) {
    const std::string t = spec.target.text.value_or("");
    const bool countdownRule = spec.ruleFrom && Rules::zero(t) == t && t.find(':') != std::string::npos;
    if (countdownRule) return countdown(lines, t);
    return judged(TextMatch::contains(lines, t));
}

// A text the sentence names is exact. A text the compiler took from the box
// for a subject ("it is gone", "the error is gone": the rule has a
// description) is that line, so it has gone only when no line shows its
// words: "Uploading 3 of 12 files" is still there as "Uploading 4 of 12 files".
Evaluation textGone(const WatchSpec& spec, const std::vector<OCRLine>& lines) {
    const std::string t = spec.target.text.value_or("");
    if (TextMatch::contains(lines, t)) return judged(false);
    if (!spec.target.description || spec.ruleFrom) return judged(true);
    const std::string words = TextMatch::stripNumbers(t);
    if (words.empty()) return judged(true);
    std::vector<OCRLine> wordsRead = lines;
    for (OCRLine& line : wordsRead) line.text = TextMatch::stripNumbers(line.text);
    return judged(!TextMatch::contains(wordsRead, words));
}

Evaluation numberCompare(const WatchSpec& spec, const std::vector<OCRLine>& lines) {
    const std::optional<ValueUnit> u = spec.target.unit;
    std::vector<ReadNumber> numbers = BaselineReading(lines).numbers(isTime(u));
    if (u == ValueUnit::percent && spec.ruleFrom)
        std::erase_if(numbers, [](const ReadNumber& n) { return n.unit != ValueUnit::percent; });
    std::optional<ReadNumber> n = pickNumber(numbers, u, spec.target.anchor);
    if (!n) return judged(spec.ruleFrom.has_value(), false);
    const double v = n->valueIn(u);
    Evaluation e = judged(holds(spec.comparator, v, spec.value.value_or(0)));
    e.value = v;
    e.display = n->display();
    return e;
}

Evaluation newLine(const WatchSpec& spec, const std::vector<OCRLine>& lines,
                   const std::optional<std::vector<std::string>>& baselineLines) {
    static const std::vector<std::string> none;
    const std::vector<std::string>& seen = baselineLines ? *baselineLines : spec.baseline.lines ? *spec.baseline.lines : none;
    std::vector<std::string> fresh = NewLineRule::newLines(seen, lines);
    if (fresh.empty()) return {};
    Evaluation e = judged(true);
    e.display = std::move(fresh.front());
    return e;
}

}  // namespace

Evaluation evaluate(const WatchSpec& spec, const std::vector<OCRLine>& lines,
                    const std::optional<std::vector<std::string>>& baselineLines) {
    switch (spec.type) {
    case WatchType::textGone: return textGone(spec, lines);
    case WatchType::textAppears: return textAppears(spec, lines);
    case WatchType::numberCompare: return numberCompare(spec, lines);
    case WatchType::newLine: return newLine(spec, lines, baselineLines);
    case WatchType::anyChange:     // pixel changes are judged elsewhere
    case WatchType::stateReached:  // the model judges these
    case WatchType::newItem: return {};
    }
    return {};
}

bool fitsUnit(const ReadNumber& number, std::optional<ValueUnit> unit) {
    if (!unit || !number.unit || number.unit == unit) return true;
    return isTime(*unit) && isTime(*number.unit);
}

std::optional<ReadNumber> pickNumber(const std::vector<ReadNumber>& numbers, std::optional<ValueUnit> unit,
                                     std::optional<Anchor> anchor) {
    const ReadNumber* best = nullptr;
    double bestDistance = 0;
    auto distance = [&](const ReadNumber& n) { return std::hypot(n.anchor->x - anchor->x, n.anchor->y - anchor->y); };
    for (const ReadNumber& n : numbers) {
        if (!fitsUnit(n, unit)) continue;
        if (!best) {
            best = &n;
            if (!anchor) break;
            if (n.anchor) bestDistance = distance(n);
            continue;
        }
        if (!n.anchor) continue;
        const double d = distance(n);
        // Strictly nearer replaces, so a tie keeps the earlier number.
        if (best->anchor ? d < bestDistance : std::isfinite(d)) {
            best = &n;
            bestDistance = d;
        }
    }
    if (!best) return std::nullopt;
    return *best;
}

}  // namespace kestrove::LocalCompiler
