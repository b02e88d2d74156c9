#include "support/decode.hpp"

#include "core/picture/png.hpp"

namespace kestrove::testing {

std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text) {
    static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0) return std::nullopt;
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with('=') ? 1 : 0;
    std::vector<std::uint8_t> out;
    std::uint32_t bits = 0;
    int held = 0;
    for (const char c : text.substr(0, text.size() - padding)) {
        const std::size_t digit = alphabet.find(c);
        if (digit == std::string_view::npos) return std::nullopt;
        bits = bits << 6 | static_cast<std::uint32_t>(digit);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(static_cast<std::uint8_t>(bits >> held));
        }
    }
    return out;
}

std::optional<DecodedPng> decodePng(const std::vector<std::uint8_t>& bytes) {
    std::optional<Image> image = kestrove::decodePng(bytes);
    if (!image) return std::nullopt;
    // The colour type in the header (byte 25): 6 is RGBA, 2 RGB.
    return DecodedPng{std::move(*image), bytes[25] == 6 ? 4 : 3};
}

}  // namespace kestrove::testing
