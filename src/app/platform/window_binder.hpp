#pragma once
// Binds a freshly drawn box to the window under it.

#include "app/platform/screen_space.hpp"
#include "app/platform/selected_region.hpp"
#include "app/platform/window_list.hpp"

namespace kestrove::WindowBinder {

// The selection with its region anchored to the window that holds the box,
// or unchanged when no window takes it.
SelectedRegion bind(const SelectedRegion& selection, WindowList& windows, const Screens& screens);

}  // namespace kestrove::WindowBinder
