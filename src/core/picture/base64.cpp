#include "core/picture/base64.hpp"

namespace kestrove {

std::string base64Encode(std::span<const std::uint8_t> bytes) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t v = std::uint32_t{bytes[i]} << 16 | std::uint32_t{bytes[i + 1]} << 8 | bytes[i + 2];
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += alphabet[v & 63];
    }
    std::size_t left = bytes.size() - i;
    if (left > 0) {
        std::uint32_t v = std::uint32_t{bytes[i]} << 16;
        if (left == 2) v |= std::uint32_t{bytes[i + 1]} << 8;
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += left == 2 ? alphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

}  // namespace kestrove
