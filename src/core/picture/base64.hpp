#pragma once
// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).

#include <cstdint>
#include <span>
#include <string>

namespace kestrove {

std::string base64Encode(std::span<const std::uint8_t> bytes);

}  // namespace kestrove
