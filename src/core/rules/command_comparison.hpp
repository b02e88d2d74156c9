#pragma once
// The number half of the sentence parser: "the price drops below 200 €",
// "queue is 5 or less", "when it reaches a hundred". Used by CommandParser.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rules/command_parser.hpp"
#include "core/reading/read_number.hpp"

namespace kestrove::CommandParser {

// Comparison phrases in the order they are tried: a longer phrase stands
// before a shorter one it contains, so the order decides the comparator.
const std::vector<std::pair<std::string_view, Comparison>>& comparatorPhrases();

// A number comparison read from the lower-case, contraction-expanded sentence.
std::optional<ParsedCommand> parseNumberCompare(std::string_view lower);

// The first number of `text` (times preferred); one without a unit takes a
// unit word from the dozen characters behind it.
std::optional<ReadNumber> firstNumber(std::string_view text);

// A unit named in `text`: currency and percent words anywhere, duration
// words only at its start.
std::optional<ValueUnit> unitWord(std::string_view text);

// What a comparison speaks of, from the words before the phrase ("the
// price"), else from what follows the number ("… left"), else "price" for an
// amount of money.
std::optional<std::string> subjectFrom(std::string_view before, std::string_view after, std::optional<ValueUnit> unit);

}  // namespace kestrove::CommandParser
