#include "app/frame/widget_frame_factory.hpp"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

#include "app/frame/frame_controller.hpp"
#include "app/frame/frame_window.hpp"

namespace kestrove {

FrameDelay qtFrameDelay() {
    return [](std::chrono::milliseconds wait, std::function<void()> then) {
        QTimer::singleShot(wait, Qt::PreciseTimer, QCoreApplication::instance(), std::move(then));
    };
}

WidgetFrameFactory::WidgetFrameFactory(const Screens& screens, FrameDesktop& desktop, FrameDelay delay)
    : screens_(screens), desktop_(desktop), delay_(std::move(delay)),
      windows_(std::make_shared<std::vector<QPointer<FrameWindow>>>()) {
    desktop_.setEvents({
        .compositingChanged =
            [this] {
                for (FrameWindow* w : windows()) w->setCompositing(desktop_.compositing());
            },
        .restacked = [this] { raiseIfCovered(); },
    });
}

WidgetFrameFactory::~WidgetFrameFactory() { desktop_.setEvents({}); }

std::unique_ptr<Frame> WidgetFrameFactory::make(const WatchRegion& region, WatchStatus status, int interval) {
    auto windows = windows_;
    const bool compositing = desktop_.compositing();
    return std::make_unique<FrameController>(region, status, interval, screens_, delay_,
                                             [windows, compositing](const FrameModel& model) {
                                                 auto window = std::make_unique<FrameWindow>(model, compositing);
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

std::vector<Rect> WidgetFrameFactory::shownAreas() const {
    std::vector<Rect> out;
    for (FrameWindow* w : windows()) {
        auto areas = w->shownAreas();
        out.insert(out.end(), areas.begin(), areas.end());
    }
    return out;
}

void WidgetFrameFactory::raiseIfCovered() {
    std::vector<FrameWindow*> shown;
    std::vector<std::uint32_t> ids;
    for (FrameWindow* w : windows()) {
        if (!w->isShown()) continue;
        shown.push_back(w);
        ids.push_back(w->windowId());
    }
    if (shown.empty() || !desktop_.anyAbove(ids)) return;
    for (FrameWindow* w : shown) w->raise();
}

}  // namespace kestrove
