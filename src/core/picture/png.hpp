#pragma once
// PNG encoding of pictures sent to the server and of saved crops, and
// decoding of the crops read back (libpng).

#include <cstdint>
#include <optional>
#include <vector>

#include "core/picture/image.hpp"

namespace kestrove {

// 8-bit RGB: the fourth byte of each pixel is ignored (flatten translucent
// pictures first). Absent for an invalid picture or when the encoder fails.
std::optional<std::vector<std::uint8_t>> encodePngRGB(const Image& image);

// Pictures larger than this many pixels are not decoded (no screen gives one).
inline constexpr std::uint64_t maxDecodedPixels = std::uint64_t{1} << 26;

// Any PNG as RGBA (alpha 255 where the file has none). Absent for data that
// is not a whole PNG, or a picture beyond maxDecodedPixels.
std::optional<Image> decodePng(const std::vector<std::uint8_t>& bytes);

}  // namespace kestrove
