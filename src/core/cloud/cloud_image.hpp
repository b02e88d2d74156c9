#pragma once
// A picture in a server request: PNG bytes as Base64.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/picture/image.hpp"
#include "core/foundation/json_io.hpp"

namespace kestrove {

struct CloudImage {
    std::string contentType;  // "content_type"
    std::string base64;       // "base64"

    // The longest side, in pixels, of a picture sent to the server unless a
    // caller shrank its own limit after a tooLarge answer.
    static constexpr int maxSide = 1024;

    CloudImage() = default;
    CloudImage(std::string contentType, std::string base64)
        : contentType(std::move(contentType)), base64(std::move(base64)) {}
    // From PNG bytes: "image/png" and their Base64 text.
    explicit CloudImage(std::span<const std::uint8_t> png);

    // Shrunk to `maxSide` (never enlarged) and encoded as PNG; absent for a
    // picture without pixels or when encoding fails.
    static std::optional<CloudImage> png(const Image& picture, int maxSide = CloudImage::maxSide);
    // The picture with its longest side at most `maxSide`, by area average;
    // a picture that already fits comes back unchanged.
    static Image downscaled(const Image& picture, int maxSide);

    bool operator==(const CloudImage&) const = default;
};

Json toJson(const CloudImage& v);
void fromJson(const JsonReader& r, CloudImage& v);

}  // namespace kestrove
