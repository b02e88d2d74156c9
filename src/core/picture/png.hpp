#pragma once
// PNG encoding of pictures sent to the server (libpng).

#include <cstdint>
#include <optional>
#include <vector>

#include "core/picture/image.hpp"

namespace kestrove {

// 8-bit RGB: the fourth byte of each pixel is ignored (flatten translucent
// pictures first). Absent for an invalid picture or when the encoder fails.
std::optional<std::vector<std::uint8_t>> encodePngRGB(const Image& image);

}  // namespace kestrove
