#pragma once
// The one PNG encoder (libpng): pictures sent to the server, saved crops,
// notification pictures and the developer modes' files; and decoding of the
// crops read back.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/picture/image.hpp"

namespace kestrove {

struct PngStyle {
    // RGBA with straight alpha; otherwise 8-bit RGB and the fourth byte of
    // each pixel is ignored (flatten translucent pictures first).
    bool keepAlpha = false;
    // zlib's fastest level, for a file read once and soon (a notification's
    // picture, which a bark should not wait on).
    bool quick = false;
};

// Absent for an invalid picture or when the encoder fails.
std::optional<std::vector<std::uint8_t>> encodePng(const Image& image, PngStyle style = {});

// Pictures larger than this many pixels are not decoded (no screen gives one).
inline constexpr std::uint64_t maxDecodedPixels = std::uint64_t{1} << 26;

// Any PNG as RGBA (alpha 255 where the file has none). Absent for data that
// is not a whole PNG, or a picture beyond maxDecodedPixels.
std::optional<Image> decodePng(const std::vector<std::uint8_t>& bytes);

}  // namespace kestrove
