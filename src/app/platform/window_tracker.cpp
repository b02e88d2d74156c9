#include "app/platform/window_tracker.hpp"

#include <QTimer>

namespace kestrove {

WindowTracker::WindowTracker(WindowList& windows, const Screens& screens) : windows_(windows), screens_(screens) {}

WindowTracker::~WindowTracker() = default;

void WindowTracker::setRunning(bool running) {
    if (running == isRunning()) return;
    if (!running) {
        timer_.reset();
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
    if (!onTick_) return;
    onTick_(windows_.list(WindowListOptions::onScreenOnly), ScreenSpace::displays(screens_.screens()));
}

}  // namespace kestrove
