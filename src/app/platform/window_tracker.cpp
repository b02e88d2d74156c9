#include "app/platform/window_tracker.hpp"

#include "app/platform/shared_wakes.hpp"

namespace kestrove {

WindowTracker::WindowTracker(AsyncWindowList& windows, const Screens& screens) : windows_(windows), screens_(screens) {}

WindowTracker::~WindowTracker() = default;

void WindowTracker::setRunning(bool running) {
    if (running == running_) return;
    running_ = running;
    told_.reset();
    if (!running) {
        wake_ = Pending();
        asking_.cancel();
        return;
    }
    tick();
    wakeNext();
}

void WindowTracker::wakeNext() {
    // The next grid instant: a tick delayed by a busy thread does not make
    // the next one late too, and ticks it missed are not made up.
    wake_ = SharedWakes::at(gridAfter(std::chrono::steady_clock::now(), interval), [this] {
        tick();
        wakeNext();
    });
}

void WindowTracker::tick() {
    if (!onTick_ || asking_.active()) return;
    std::vector<Rect> displays = ScreenSpace::displays(screens_.screens());
    ToldWindows told = displays == toldDisplays_ ? told_ : nullptr;
    asking_ = windows_.listChanged(owner, WindowListOptions::onScreenOnly, std::move(told),
                                   [this, displays = std::move(displays)](ListedWindows listed) {
                                       // Without a list the frames stay where they are until the next one.
                                       if (!listed || !onTick_) return;
                                       told_ = std::make_shared<const std::vector<WindowInfo>>(listed.value());
                                       toldDisplays_ = displays;
                                       onTick_(listed.value(), displays);
                                   });
}

}  // namespace kestrove
