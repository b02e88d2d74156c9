#include "app/platform/window_tracker.hpp"

namespace kestrove {

WindowTracker::WindowTracker(AsyncWindowList& windows, const Screens& screens) : windows_(windows), screens_(screens) {}

WindowTracker::~WindowTracker() = default;

void WindowTracker::setRunning(bool running) {
    if (running == running_) return;
    running_ = running;
    told_.reset();
    if (!running) {
        asking_.cancel();
        return;
    }
    ask();
}

void WindowTracker::tellAgain() {
    told_.reset();
    if (running_) ask();
}

void WindowTracker::ask() {
    if (!onTick_) return;
    std::vector<Rect> displays = ScreenSpace::displays(screens_.screens());
    ToldWindows told = displays == toldDisplays_ ? told_ : nullptr;
    asking_ = windows_.listChanged(owner, WindowListOptions::onScreenOnly, std::move(told), interval,
                                   [this, displays = std::move(displays)](ListedWindows listed) {
                                       if (!listed || !onTick_) return;
                                       told_ = std::make_shared<const std::vector<WindowInfo>>(listed.value());
                                       toldDisplays_ = displays;
                                       onTick_(listed.value(), displays);
                                       // The handler may have stopped the tracker.
                                       if (running_ && !asking_.active()) ask();
                                   });
}

}  // namespace kestrove
