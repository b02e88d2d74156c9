// Keeping the rest of the system in step with the watches: the keep-awake
// hold, the window tracker and bound frames following their windows, and
// unbound frames placed again when the screens change.

#include <algorithm>

#include "app/engine/watch_manager.hpp"

namespace kestrove {

void WatchManager::updateKeepAwake() {
    const bool wanted = services_.defaults->boolean(keepAwakeKey) && activeCount() > 0;
    // Only a change of the wanted state reaches the system, or a hold still
    // missing after a refusal: that is asked for again at every change.
    if (keepAwakeWanted_ == wanted && !(wanted && !services_.keepAwake.held())) return;
    keepAwakeWanted_ = wanted;
    services_.keepAwake.set(wanted);
}

void WatchManager::updateTracker() {
    const bool bound = std::any_of(records_.begin(), records_.end(), [this](const WatchRecord& r) {
        return r.spec.region.window && frames_.contains(r.id());
    });
    tracker_.setRunning(bound);
}

void WatchManager::followWindows(const std::vector<WindowInfo>& windows, const std::vector<Rect>& displays) {
    for (const WatchRecord& r : records_) {
        const auto& region = r.spec.region;
        if (!region.window) continue;
        if (Frame* f = frame(r.id()))
            f->follow(WindowTracking::framePlace(*region.window, region.size(), windows, displays));
    }
}

void WatchManager::screenNotice(ScreenNotice notice) {
    // Sleep, wake, lock and unlock move ScreenState's flag, which the
    // runners read through screensAvailable(); sleep and lock are told on.
    if (notice == ScreenNotice::displaysSlept || notice == ScreenNotice::screenLocked) {
        if (auto away = onScreensAway) away();
    }
    if (notice != ScreenNotice::parametersChanged) return;
    // Bound frames are placed by the tracker's next answer.
    tracker_.tellAgain();
    for (auto& [id, slot] : frames_) {
        const WatchRecord* r = record(id);
        if (r && !r->spec.region.window) slot.frame->place();
    }
}

}  // namespace kestrove
