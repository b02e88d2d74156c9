#include "app/platform/screen_space.hpp"

namespace kestrove::ScreenSpace {

std::uint32_t displayID(std::string_view outputName) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : outputName) {
        h ^= c;
        h *= 16777619u;
    }
    return h == 0 ? 1 : h;
}

std::vector<Rect> displays(const std::vector<ScreenInfo>& screens) {
    std::vector<Rect> out;
    out.reserve(screens.size());
    for (const auto& s : screens) out.push_back(s.frame);
    return out;
}

std::optional<ScreenInfo> screenFor(const Rect& rect, const std::vector<ScreenInfo>& screens) {
    if (screens.empty()) return std::nullopt;
    std::size_t best = 0;
    double bestArea = -1;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const auto overlap = screens[i].frame.intersection(rect);
        const double area = overlap ? overlap->width * overlap->height : 0;
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return screens[best];
}

std::optional<ScreenInfo> screenWithID(std::uint32_t displayID, const std::vector<ScreenInfo>& screens) {
    for (const auto& s : screens)
        if (s.displayID == displayID) return s;
    return std::nullopt;
}

double scaleAtPixels(const Rect& pixels, const std::vector<ScreenInfo>& screens) {
    std::vector<ScreenInfo> inPixels = screens;
    for (ScreenInfo& s : inPixels) {
        if (!(s.scale > 0)) s.scale = 1;
        s.frame = {s.frame.x * s.scale, s.frame.y * s.scale, s.frame.width * s.scale, s.frame.height * s.scale};
    }
    const auto screen = screenFor(pixels, inPixels);
    return screen ? screen->scale : 1;
}

}  // namespace kestrove::ScreenSpace
