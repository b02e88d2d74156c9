#pragma once
// The frame's windows: override-redirect, click-through, never focused, on
// top of other windows. The frame is drawn in the bands around its box (the
// tag in the band where it sits), and during a blink in a window of one flat
// colour over the box; nothing covers the box otherwise, so a large box costs
// what a small one does. With a compositing manager they are translucent;
// without one opaque, painted as if over black, and their shape is cut to
// what they paint, so the box and everything around the ring stay the
// screen's own.

#include <QImage>
#include <QObject>
#include <QRegion>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/engine/frame.hpp"
#include "app/frame/frame_parts.hpp"
#include "app/frame/frame_surface.hpp"
#include "app/platform/own_windows.hpp"

namespace kestrove {

class FrameWindow final : public QObject, public FrameSurface {
public:
    // Tells `own` (when given) where it paints, so pictures of the display
    // leave it out; `shown` runs each time it shows (its stacking is the
    // factory's); `background` has the X server paint the blink's fill.
    FrameWindow(const FrameModel& model, bool compositing, std::shared_ptr<OwnWindows> own = nullptr,
                std::function<void()> shown = nullptr, PaintBackground background = nullptr);
    ~FrameWindow() override;

    Rect geometry() const override { return frame_; }
    void setGeometry(const Rect& window) override;
    void layOut(Size regionSize, bool tagOnTop) override;
    void redraw() override;
    void show() override;
    void hide() override;
    bool isShown() const override { return shown_; }
    std::vector<Rect> shownAreas() const override;

    // A compositing manager came or went: its windows are made again with
    // the other visual (and new ids).
    void setCompositing(bool compositing);
    bool compositing() const { return drawing_.compositing; }

    // Its windows made so far, shown or not: they are stacked together.
    std::vector<std::uint32_t> windowIds() const;
    // The rectangle all of it lies in, on whole points.
    QRect whole() const { return whole_; }
    // Its windows in use: the bands, and the fill while it shows. `where` is
    // in the whole rectangle; `id` is none until the window is made.
    struct Part {
        std::uint32_t id = 0;
        QRect where;
    };
    std::vector<Part> parts() const;
    // What shows of it without a compositor, in the whole rectangle; none
    // with one (the bands are not cut then).
    QRegion shape() const;
    // What the frame shows, premultiplied: transparent where it leaves the
    // screen alone.
    QImage render() const;
    // For checks that must not be seen.
    void setOpacity(double opacity);

private:
    // The bands and the hollow they leave for the current layout.
    void arrange();
    // What it paints, in points from its whole rectangle's corner, shown or not.
    std::vector<Rect> paintedInWindow() const;
    void showFill();

    Rect frame_;
    QRect whole_;
    FrameDrawing drawing_;
    std::shared_ptr<OwnWindows> own_;
    std::function<void()> onShown_;
    PaintBackground background_;
    std::array<std::unique_ptr<FrameBand>, 4> bands_;
    int bandsInUse_ = 0;
    QRect hollow_;  // what the fill covers; none when the box is too small for one
    std::unique_ptr<FrameFill> fill_;
    double opacity_ = 1;
    bool shown_ = false;
};

}  // namespace kestrove
