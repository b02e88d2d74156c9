#pragma once
// Makes the frames the watch manager asks for, each in its own FrameWindow,
// and keeps an eye on them all: it raises them again when another window
// comes above them, switches them when a compositing manager comes or goes,
// and tells where they paint (so display checks can skip boxes under them).

#include <QPointer>

#include <vector>

#include "app/engine/frame.hpp"
#include "app/frame/frame_desktop.hpp"
#include "app/frame/frame_surface.hpp"
#include "app/platform/screen_space.hpp"

namespace kestrove {

class FrameWindow;

// Steps through QTimer on the main thread (precise: the flash counts in
// fifths of a second).
FrameDelay qtFrameDelay();

class WidgetFrameFactory final : public FrameFactory, public OwnWindows {
public:
    // `screens` and `desktop` outlive the factory and its frames.
    WidgetFrameFactory(const Screens& screens, FrameDesktop& desktop, FrameDelay delay = qtFrameDelay());
    ~WidgetFrameFactory() override;

    std::unique_ptr<Frame> make(const WatchRegion& region, WatchStatus status, int interval) override;
    std::vector<Rect> shownAreas() const override;

    // The windows of the frames alive now.
    std::vector<FrameWindow*> windows() const;

private:
    void raiseIfCovered();

    const Screens& screens_;
    FrameDesktop& desktop_;
    FrameDelay delay_;
    // Each frame owns its window; a closed one drops out by itself.
    std::shared_ptr<std::vector<QPointer<FrameWindow>>> windows_;
};

}  // namespace kestrove
