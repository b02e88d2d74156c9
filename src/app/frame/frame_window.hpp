#pragma once
// The frame's window: override-redirect, click-through, never focused, on
// top of other windows. With a compositing manager it is translucent; without
// one it is opaque, painted as if over black, and its shape is cut to what it
// paints, so the box and everything around the ring stay the screen's own.

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "app/engine/frame.hpp"
#include "app/frame/frame_surface.hpp"
#include "app/platform/own_windows.hpp"

namespace kestrove {

class FrameWindow final : public QWidget, public FrameSurface {
public:
    // Tells `own` (when given) where it paints, so pictures of the display
    // leave it out; `shown` runs each time it shows (its stacking is the
    // factory's).
    FrameWindow(const FrameModel& model, bool compositing, std::shared_ptr<OwnWindows> own = nullptr,
                std::function<void()> shown = nullptr);
    ~FrameWindow() override;

    Rect geometry() const override { return frame_; }
    void setGeometry(const Rect& window) override;
    void layOut(Size regionSize, bool tagOnTop) override;
    void redraw() override;
    void show() override;
    void hide() override;
    bool isShown() const override { return isVisible(); }
    std::vector<Rect> shownAreas() const override;

    // A compositing manager came or went: the window is made again with
    // the other visual (and a new id).
    void setCompositing(bool compositing);
    bool compositing() const { return compositing_; }

    std::uint32_t windowId() const { return static_cast<std::uint32_t>(winId()); }
    // What the window shows, premultiplied: transparent where it leaves the
    // screen alone.
    QImage render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateMask();
    // Without a compositor the box's inside is painted only when a blink
    // shows it; its first paint would also fault in the backing store's
    // pages (15 MB for a screen-sized box, 10-30 ms). They are painted ahead
    // in the backing store, unseen, a band of rows at a time.
    void warmSoon();
    void warmStep();
    // What it paints, in points from its window's corner, shown or not.
    std::vector<Rect> paintedInWindow() const;
    void tellWherePainted();
    // Its window leaves OwnWindows a second from now.
    void forgetSoon();

    const FrameModel& model_;
    Rect frame_;
    QPointF offset_;  // the window's rectangle on whole points: where the drawing starts
    Size regionSize_;
    bool tagOnTop_ = true;
    bool compositing_;
    std::shared_ptr<OwnWindows> own_;
    std::function<void()> shown_;
    QRect hollow_;        // the inside the shape leaves out between blinks
    QSize warmedFor_;     // the window size the warming below was for
    int warmedTo_ = 0;    // the first row of the inside not painted yet
    bool warmingSoon_ = false;
    std::vector<Rect> told_;
    int telling_ = 0;  // the latest narrowing waiting to be told
};

}  // namespace kestrove
