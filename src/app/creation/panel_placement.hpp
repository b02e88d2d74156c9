#pragma once
// Where the new-watch panel goes beside its box: below it, unless the room
// below is short and the room above is enough; always inside the screen's
// visible frame with a margin, even if it then covers part of the box.
// Global points, y down.

#include "core/foundation/geometry.hpp"

namespace kestrove::PanelPlacement {

inline constexpr double width = 400;
inline constexpr double initialHeight = 60;
inline constexpr double margin = 8;     // from every edge of the visible frame
inline constexpr double gap = 10;       // between box and panel
inline constexpr double roomNeeded = 250;

// Decided once, when the panel is made.
bool placeAbove(const Rect& box, const Rect& visible);

// The panel's frame for a content `height` (rounded up to a whole point).
Rect frame(const Rect& box, const Rect& visible, bool above, double height);

}  // namespace kestrove::PanelPlacement
