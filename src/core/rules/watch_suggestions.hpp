#pragma once
// Example sentences the new-watch panel offers for a box, made from what the
// box shows: its busy wording and its most telling number.

#include <string>
#include <vector>

#include "core/reading/read_number.hpp"
#include "core/reading/reading.hpp"

namespace kestrove::LocalCompiler {

// At most three: "this changes", then a text-gone or quoted example, then a
// number example. Without `includeQuotedExample` the generic examples
// (it says "Done", "the number drops below 100") are left out.
std::vector<std::string> suggestions(const BaselineReading& reading, bool includeQuotedExample);

// A sentence about `n` that is not true yet: "it reaches 100%", "less than
// 10 minutes remaining", "the price drops below 100".
std::string numberSuggestion(const ReadNumber& n);

// A round number below x (100 gives 50, 101 gives 100, 37 gives 30); 0 when
// x is not above 1.
double niceBelow(double x);

}  // namespace kestrove::LocalCompiler
