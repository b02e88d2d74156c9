#pragma once
// Decoders the product does not need but the tests do, to read back what the
// product wrote.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/picture/image.hpp"

namespace kestrove::testing {

// Strict standard Base64 with padding; absent on any fault.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

struct DecodedPng {
    Image image;   // RGBA, alpha 255 where the file has none
    int channels;  // as stored: 3 for RGB, 4 for RGBA
};
std::optional<DecodedPng> decodePng(const std::vector<std::uint8_t>& bytes);

}  // namespace kestrove::testing
