#include "app/engine/qt_clock.hpp"

#include <memory>

#include <QTimer>

#include "app/platform/shared_wakes.hpp"

namespace kestrove {

Pending QtClock::after(std::chrono::milliseconds delay, std::function<void()> fire) {
    auto completion = std::make_shared<Completion>();
    // The timer dies with the handle's cancel, so a dropped timer never fires.
    auto* timer = new QTimer;
    timer->setSingleShot(true);
    timer->setTimerType(delay <= std::chrono::seconds(1) ? Qt::PreciseTimer : Qt::CoarseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, completion, fire = std::move(fire)]() mutable {
        timer->deleteLater();
        // Delivered inline: the timer already runs on the main thread.
        completion->deliver([](std::function<void()> work) { work(); }, std::move(fire));
    });
    completion->onCancel([timer] { QMetaObject::invokeMethod(timer, &QObject::deleteLater); });
    timer->start(std::max<std::chrono::milliseconds>(delay, std::chrono::milliseconds(0)));
    return Pending(completion);
}

Pending QtClock::at(std::chrono::steady_clock::time_point when, std::function<void()> fire) {
    return SharedWakes::at(when, std::move(fire));
}

}  // namespace kestrove
