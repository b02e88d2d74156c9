#pragma once
// Makes the frames the watch manager asks for, each in its own FrameWindow,
// and keeps an eye on them all: it keeps them above other programs' windows
// and below our own floating ones, and switches them when a compositing
// manager comes or goes. Each frame tells OwnWindows where it paints.

#include <QPointer>

#include <vector>

#include "app/engine/frame.hpp"
#include "app/platform/frame_desktop.hpp"
#include "app/frame/frame_surface.hpp"
#include "app/platform/own_windows.hpp"
#include "app/platform/screen_space.hpp"

namespace kestrove {

class FrameWindow;

// Steps through QTimer on the main thread (precise: the flash counts in
// fifths of a second).
FrameDelay qtFrameDelay();

class WidgetFrameFactory final : public FrameFactory {
public:
    // `screens` and `desktop` outlive the factory and its frames. Without
    // `own` the frames are not known as ours and float under nothing.
    WidgetFrameFactory(const Screens& screens, FrameDesktop& desktop, FrameDelay delay = qtFrameDelay(),
                       std::shared_ptr<OwnWindows> own = nullptr);
    ~WidgetFrameFactory() override;

    std::unique_ptr<Frame> make(const WatchRegion& region, WatchStatus status, int interval) override;

    // The windows of the frames alive now.
    std::vector<FrameWindow*> windows() const;

private:
    // Above other programs, below our floating windows.
    void restack();

    const Screens& screens_;
    FrameDesktop& desktop_;
    FrameDelay delay_;
    std::shared_ptr<OwnWindows> own_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for the frames' callbacks
    // Each frame owns its window; a closed one drops out by itself.
    std::shared_ptr<std::vector<QPointer<FrameWindow>>> windows_;
};

}  // namespace kestrove
