#pragma once
// Drawing the box to watch: one overlay per screen, each showing a picture
// of its screen taken just before it appears, and the finished box handed
// back as a SelectedRegion, or nothing when the user cancels (Escape, a
// right click). Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/platform/screen_capturer.hpp"
#include "app/platform/screen_space.hpp"
#include "app/platform/selected_region.hpp"

class QObject;

namespace kestrove {

class OverlayWindow;
struct SelectionState;

// What the new-watch road needs of the selection.
class RegionSelection {
public:
    using Completion = std::function<void(std::optional<SelectedRegion>)>;
    virtual ~RegionSelection() = default;
    // From begin until the completion is called.
    virtual bool running() const = 0;
    // Ignored while a selection runs. The completion runs once, never inside
    // this call, after the overlays are gone.
    virtual void begin(Completion completion) = 0;
};

class RegionSelector final : public RegionSelection {
public:
    RegionSelector(const Screens& screens, ScreenCapturer& capturer);
    ~RegionSelector() override;

    bool running() const override;
    void begin(Completion completion) override;
    // Ends a running selection with nothing.
    void cancel();
    // The overlays on screen, one per screen; none while the pictures are taken.
    std::vector<OverlayWindow*> overlays() const;

private:
    void pictured(std::size_t index, Captured picture);
    void open();
    void finish(std::optional<Rect> rect, std::optional<ScreenInfo> screen);

    const Screens& screens_;
    ScreenCapturer& capturer_;
    std::unique_ptr<QObject> context_;  // our timers end with it
    Completion completion_;
    std::vector<ScreenInfo> shown_;
    std::vector<std::optional<Image>> pictures_;
    std::vector<Pending> captures_;
    std::size_t waiting_ = 0;
    bool preparing_ = false;
    std::unique_ptr<SelectionState> state_;
    std::vector<std::unique_ptr<OverlayWindow>> windows_;
};

}  // namespace kestrove
