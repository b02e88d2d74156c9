#include "core/windows/bound_window.hpp"

#include <algorithm>

namespace kestrove {

bool BoundWindow::holds(const WindowInfo& listed) {
    if (closed_ || listed.id != anchor_.id) return false;
    if (!WindowTracking::isSameWindow(anchor_, listed)) {
        closed_ = true;
        return false;
    }
    if (!listed.life.counted()) return true;
    const auto seen = std::find_if(lives_.begin(), lives_.end(),
                                   [&](const WindowLife& l) { return l.list == listed.life.list; });
    if (seen == lives_.end()) {
        lives_.push_back(listed.life);
        return true;
    }
    if (seen->serial == listed.life.serial) return true;
    closed_ = true;
    return false;
}

}  // namespace kestrove
