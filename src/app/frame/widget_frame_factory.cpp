#include "app/frame/widget_frame_factory.hpp"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

#include "app/frame/frame_controller.hpp"
#include "app/frame/frame_window.hpp"

namespace kestrove {

FrameDelay qtFrameDelay() {
    return [](std::chrono::milliseconds wait, std::function<void(std::chrono::milliseconds)> then) {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point due = Clock::now() + wait;
        QTimer::singleShot(wait, Qt::PreciseTimer, QCoreApplication::instance(), [due, then = std::move(then)] {
            then(std::max(std::chrono::milliseconds(0),
                          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - due)));
        });
    };
}

WidgetFrameFactory::WidgetFrameFactory(const Screens& screens, FrameDesktop& desktop, FrameDelay delay,
                                       std::shared_ptr<OwnWindows> own)
    : screens_(screens), desktop_(desktop), delay_(std::move(delay)), own_(std::move(own)),
      windows_(std::make_shared<std::vector<QPointer<FrameWindow>>>()) {
    desktop_.setEvents({
        .compositingChanged =
            [this] {
                for (FrameWindow* w : windows()) w->setCompositing(desktop_.compositing());
            },
        .restacked = [this] { restack(); },
    });
}

WidgetFrameFactory::~WidgetFrameFactory() { desktop_.setEvents({}); }

std::unique_ptr<Frame> WidgetFrameFactory::make(const WatchRegion& region, WatchStatus status, int interval) {
    auto windows = windows_;
    const bool compositing = desktop_.compositing();
    return std::make_unique<FrameController>(region, status, interval, screens_, delay_,
                                             [this, windows, compositing](const FrameModel& model) {
                                                 std::weak_ptr<bool> alive = alive_;
                                                 auto window = std::make_unique<FrameWindow>(
                                                     model, compositing, own_, [this, alive] {
                                                         if (alive.lock()) restack();
                                                     });
                                                 windows->emplace_back(window.get());
                                                 return window;
                                             });
}

std::vector<FrameWindow*> WidgetFrameFactory::windows() const {
    auto& list = *windows_;
    list.erase(std::remove_if(list.begin(), list.end(), [](const auto& w) { return w.isNull(); }), list.end());
    std::vector<FrameWindow*> out;
    for (const auto& w : list) out.push_back(w.data());
    return out;
}

void WidgetFrameFactory::restack() {
    std::vector<std::uint32_t> frames, floating;
    for (FrameWindow* w : windows()) frames.push_back(w->windowId());
    if (frames.empty()) return;
    if (own_)
        for (const OwnWindow& w : *own_->all())
            if (w.kind == OwnWindow::Kind::floating) floating.push_back(w.id);
    desktop_.stack(frames, floating);
}

}  // namespace kestrove
