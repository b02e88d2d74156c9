#pragma once
// The test of a new-line watch: which lines read now were not seen before,
// compared in a normal form that ignores case, spacing and clock times (a
// chat's or log's time stamps change without a new line appearing).

#include <string>
#include <string_view>
#include <vector>

#include "core/reading/reading.hpp"
#include "core/foundation/text.hpp"

namespace kestrove::NewLineRule {

// Clock times with optional seconds and am/pm, as they appear in a line.
const text::Regex& clock();

// Trimmed, lower-cased, clock times made "#:#", runs of white space one space.
std::string normalize(std::string_view line);

// The normal forms of the lines in reading order, without empty lines, lines
// that are only a clock time, lines without a letter or number, and repeats.
std::vector<std::string> normalized(const std::vector<OCRLine>& lines);

// The normal forms of the lines read now that are not among the stored texts
// (which are compared in their normal form too), in reading order.
std::vector<std::string> newLines(const std::vector<std::string>& baseline, const std::vector<OCRLine>& now);

bool met(const std::vector<std::string>& baseline, const std::vector<OCRLine>& now);

}  // namespace kestrove::NewLineRule
