#include "app/platform/window_tracker.hpp"

#include <QTimer>

namespace kestrove {

WindowTracker::WindowTracker(AsyncWindowList& windows, const Screens& screens) : windows_(windows), screens_(screens) {}

WindowTracker::~WindowTracker() = default;

void WindowTracker::setRunning(bool running) {
    if (running == isRunning()) return;
    if (!running) {
        timer_.reset();
        asking_.cancel();
        return;
    }
    timer_ = std::make_unique<QTimer>();
    // Coarse: Qt may shift a tick by 5 % of the interval, well inside 50 ms.
    timer_->setTimerType(Qt::CoarseTimer);
    timer_->setInterval(interval);
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { tick(); });
    timer_->start();
    tick();
}

void WindowTracker::tick() {
    if (!onTick_ || asking_.active()) return;
    asking_ = windows_.list(owner, WindowListOptions::onScreenOnly, [this](ListedWindows listed) {
        // Without a list the frames stay where they are until the next one.
        if (!listed || !onTick_) return;
        onTick_(listed.value(), ScreenSpace::displays(screens_.screens()));
    });
}

}  // namespace kestrove
