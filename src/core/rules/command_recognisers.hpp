#pragma once
// The sentence recognisers of CommandParser, tried by parse in this order:
// text gone, explicit text, quoted text appearing, number comparison, any
// change, new item, "X appears", state reached. Each takes the cleaned
// sentence `c`, its lower-case contraction-expanded form and its quoted
// passage, and gives a ParsedCommand or absent.

#include <optional>
#include <string>
#include <string_view>

#include "core/rules/command_parser.hpp"

namespace kestrove::CommandParser {

std::optional<ParsedCommand> parseTextGone(std::string_view c, std::string_view lower, const std::optional<std::string>& quoted);
std::optional<ParsedCommand> parseExplicitTextAppears(std::string_view c, std::string_view lower,
                                                      const std::optional<std::string>& quoted);
// A quoted text that appears, or a sentence that is only the quoted text.
std::optional<ParsedCommand> parseQuotedAppears(std::string_view lower, const std::optional<std::string>& quoted);
std::optional<ParsedCommand> parseAnyChange(std::string_view lower);
std::optional<ParsedCommand> parseNewItem(std::string_view c, std::string_view lower);
// "X appears" without quotes.
std::optional<ParsedCommand> parseAppears(std::string_view c, std::string_view lower);
bool isStateReached(std::string_view lower);

}  // namespace kestrove::CommandParser
