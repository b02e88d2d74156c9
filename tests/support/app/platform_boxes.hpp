#pragma once
// What the platform's desktop tests share: the test window's boxes selected
// as a user selects them, and a window's place in a list.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/platform/screen_space.hpp"
#include "app/platform/selected_region.hpp"
#include "app/platform/window_binder.hpp"
#include "test_window/layout.hpp"

namespace kestrove::desktop {

// A box of the test window on screen, its client area at `client`.
inline Rect onScreen(const Rect& client, const testwindow::Box& b) {
    return {client.x + b.x, client.y + b.y, double(b.w), double(b.h)};
}

// `box` selected on the screen showing most of it.
inline SelectedRegion select(const Rect& box, const Screens& screens) {
    return SelectedRegion::make(ScreenSpace::screenFor(box, screens.screens()).value_or(ScreenInfo{}), box);
}

// The same, bound to the window under it when `windows` are given.
inline WatchRegion regionOver(const Rect& box, const Screens& screens, WindowList* windows = nullptr) {
    const SelectedRegion selected = select(box, screens);
    return windows ? WindowBinder::bind(selected, *windows, screens).region : selected.region;
}

// Where window `id` stands in `list` (front first); -1 when absent.
inline std::ptrdiff_t placeOf(const std::vector<WindowInfo>& list, std::uint32_t id) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].id == id) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

inline std::optional<WindowInfo> listed(const std::vector<WindowInfo>& list, std::uint32_t id) {
    const std::ptrdiff_t at = placeOf(list, id);
    return at < 0 ? std::nullopt : std::optional<WindowInfo>(list[static_cast<std::size_t>(at)]);
}

}  // namespace kestrove::desktop
