#pragma once
// Finds the numbers of one line of text: amounts in either separator
// convention ("1,234.5" and "1.234,5"), signs, percentages, currencies before
// or after the amount, clock times and durations written with unit words.

#include <optional>
#include <string_view>
#include <vector>

#include "core/reading/read_number.hpp"
#include "core/foundation/text.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove::NumberParser {

// Every number of `text`, sorted by location (UTF-16 offsets into `text`);
// each has line 0 and no anchor.
// A clock ("12:30", "1:05:30") always hides the digits inside it. With
// preferTime the clock itself becomes a number of seconds (two parts read as
// minutes and seconds), the single letters h, m and s count as units, and
// neighbouring time numbers are merged into one number of seconds
// ("1 hour and 30 minutes" is 5400). A minus right before a currency sign
// right before the digits signs the amount ("−$48.20" is -48.20, its span
// starting at the minus); thin and no-break spaces group digits in threes.
std::vector<ReadNumber> numbers(std::string_view text, bool preferTime);

struct Literal {
    double value = 0;
    int decimals = 0;  // digits after the decimal separator
    bool operator==(const Literal&) const = default;
};

// Reads a written amount such as "-1.234,50" or "1'000". With one "." and
// three digits after it, `commaDecimalHint` makes the "." group thousands.
// Absent for anything but ASCII digits, "." and "," (after a leading minus and
// grouping spaces and apostrophes), and for a value too large to hold.
std::optional<Literal> parseLiteral(std::string_view s, bool commaDecimalHint);

// "%", "eur", "dollars", "min", … to their unit; the single letters h, m and s
// only when allowShort. Case and surrounding whitespace do not matter.
std::optional<ValueUnit> unit(std::string_view word, bool allowShort);

// Merges time numbers that stand next to each other in `text`, with only
// spaces, commas and "and" between them, into one number of seconds.
// `numbers` must be sorted by location.
std::vector<ReadNumber> mergeDurations(const std::vector<ReadNumber>& numbers, std::string_view text);

// The compiled patterns, shared read-only.
const text::Regex& numberPattern();
const text::Regex& clockPattern();
const text::Regex& unitAfter();
const text::Regex& unitBefore();
const text::Regex& commaDecimalEvidence();

}  // namespace kestrove::NumberParser
