#pragma once
// How the developer modes write numbers and lists in their output, the same
// in every locale.

#include <optional>
#include <string>
#include <vector>

namespace kestrove::DevText {

// The shortest decimal that reads back as the same double, with at least one
// decimal: "1.0", "0.93", "1e-05".
std::string real(double value);

// Truncated toward zero; 0 when absent, not finite or beyond 64 bits.
long long whole(std::optional<double> value);

// ["a", "b"]; [] when empty.
std::string quotedList(const std::vector<std::string>& items);

}  // namespace kestrove::DevText
