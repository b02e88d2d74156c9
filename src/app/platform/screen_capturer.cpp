#include "app/platform/screen_capturer.hpp"

namespace kestrove {

CapturedBox withGrid(Captured captured) {
    if (!captured.ok()) return captured.error();
    BoxShot shot{std::move(captured).value(), std::nullopt};
    shot.grid = PixelDiff::grid(shot.image);
    return shot;
}

Captured pictureOf(CapturedBox captured) {
    if (!captured.ok()) return captured.error();
    return std::move(std::move(captured).value().image);
}

}  // namespace kestrove
