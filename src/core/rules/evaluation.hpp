#pragma once
// Judging a compiled rule against the lines read in its box now.

#include <optional>
#include <string>
#include <vector>

#include "core/reading/read_number.hpp"
#include "core/reading/reading.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

struct Evaluation {
    bool met = false;
    // Number rules: the number read, in the rule's unit.
    std::optional<double> value;
    // What the box shows for this rule: the number as displayed, or the first new line.
    std::optional<std::string> display;
    // False when the reading lacks what the rule looks at (no number, no clock).
    bool readable = true;
    bool operator==(const Evaluation&) const = default;
};

namespace LocalCompiler {

// Whether the rule holds on `lines`. `baselineLines` are the lines already
// seen by a new-line rule; absent, the rule's own stored lines. Kinds a model
// judges, and any change, are never met here.
Evaluation evaluate(const WatchSpec& spec, const std::vector<OCRLine>& lines,
                    const std::optional<std::vector<std::string>>& baselineLines = std::nullopt);

// A number a rule in `unit` can read: any number for a rule without a unit,
// else one without a unit, in the same unit, or in any time unit for a time rule.
bool fitsUnit(const ReadNumber& number, std::optional<ValueUnit> unit);

// The number among `numbers` a rule watches: the first that fits `unit`, or,
// with an anchor, the fitting one nearest to it (the earlier on a tie; a
// number without an anchor never beats one with an anchor).
std::optional<ReadNumber> pickNumber(const std::vector<ReadNumber>& numbers, std::optional<ValueUnit> unit,
                                     std::optional<Anchor> anchor);

}  // namespace LocalCompiler

}  // namespace kestrove
