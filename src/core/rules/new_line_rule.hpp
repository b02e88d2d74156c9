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

// What two lines must share to be the same line: the normal form without its
// lone symbols (words without a letter or number: a bullet, a prompt's "$",
// a cursor read as "_" or "█") and without a last one-character word that a
// text cursor reads as ("|", "l", "i", "o", "0", "q", "d"). A cursor that
// blinks, or turns hollow when its window loses the focus, makes no new line.
std::string sameLineKey(std::string_view normalForm);

// The normal forms of the lines read now whose key is not the key of any of
// the stored texts (which are normalised too), in reading order.
std::vector<std::string> newLines(const std::vector<std::string>& baseline, const std::vector<OCRLine>& now);

bool met(const std::vector<std::string>& baseline, const std::vector<OCRLine>& now);

}  // namespace kestrove::NewLineRule
