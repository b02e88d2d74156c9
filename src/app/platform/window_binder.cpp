#include "app/platform/window_binder.hpp"

namespace kestrove::WindowBinder {

SelectedRegion bind(const SelectedRegion& selection, WindowList& windows, const Screens& screens) {
    const auto list = windows.list(WindowListOptions::onScreenOnly);
    const auto displays = ScreenSpace::displays(screens.screens());
    auto window = WindowTracking::pick(selection.rect, list, displays, selection.screen.visibleFrame);
    if (!window) return selection;
    window->bundleID = windows.bundleID(window->id);
    SelectedRegion bound = selection;
    bound.region.window = WindowTracking::anchor(selection.rect, *window);
    return bound;
}

}  // namespace kestrove::WindowBinder
