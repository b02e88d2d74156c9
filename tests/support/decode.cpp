#include "support/decode.hpp"

#include <cstring>

#include <png.h>

namespace kestrove::testing {

std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int pad = 0;
        std::uint32_t v = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            char c = text[i + j];
            if (c == '=' && last && j >= 2) {
                ++pad;
                v <<= 6;
                continue;
            }
            int d = value(c);
            if (d < 0 || pad) return std::nullopt;
            v = v << 6 | static_cast<std::uint32_t>(d);
        }
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        if (pad < 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
        if (pad < 1) out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

std::optional<DecodedPng> decodePng(const std::vector<std::uint8_t>& bytes) {
    png_image img;
    std::memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, bytes.data(), bytes.size())) return std::nullopt;
    DecodedPng out;
    out.channels = PNG_IMAGE_SAMPLE_CHANNELS(img.format);
    img.format = PNG_FORMAT_RGBA;
    out.image = Image(static_cast<int>(img.width), static_cast<int>(img.height));
    if (!png_image_finish_read(&img, nullptr, out.image.rgba.data(), 0, nullptr)) {
        png_image_free(&img);
        return std::nullopt;
    }
    return out;
}

}  // namespace kestrove::testing
