#pragma once
// The program's one log: single lines to the system log and to standard
// error, each beginning "Kestrove: ". No levels.

#include <string>
#include <string_view>

namespace kestrove {

inline constexpr std::string_view logPrefix = "Kestrove: ";

// "Kestrove: " followed by `message`.
std::string logLineText(std::string_view message);

// Writes one line; a newline inside `message` is written as a space so that
// one call stays one line.
void logLine(std::string_view message);

}  // namespace kestrove
