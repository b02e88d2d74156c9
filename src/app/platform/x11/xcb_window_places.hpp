#pragma once
// WindowPlaces asked of the X server on Qt's own connection (one round
// trip), as QCursor::pos() asks for the pointer's place.

#include "app/platform/window_places.hpp"

namespace kestrove {

class XcbWindowPlaces final : public WindowPlaces {
public:
    std::optional<PixelRect> rootFrame(std::uint32_t window) const override;
};

}  // namespace kestrove
