#pragma once
// Where the display server has one of our windows now. Qt keeps some
// windows' places from when they were shown while their parents move them
// afterwards (a tray shifts its embedded icons about). Main thread.

#include <cstdint>
#include <optional>

#include "core/foundation/geometry.hpp"

namespace kestrove {

class WindowPlaces {
public:
    virtual ~WindowPlaces() = default;
    // `window`'s rectangle in root pixels; none when the server cannot tell.
    virtual std::optional<PixelRect> rootFrame(std::uint32_t window) const = 0;
};

}  // namespace kestrove
