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

// Inside a catch block: one "<where>: <what>" line for the exception being
// handled ("an unknown exception" when it is not a std::exception). For the
// workers, which log what they caught and go on.
void logCaughtException(std::string_view where);

}  // namespace kestrove
