#pragma once
// The windows a frame is drawn in: a band of its ring (with the tag where
// it sits), and the fill of its box during a blink. Each is only as large as
// what it shows, so a large box costs what a small one does. FrameWindow
// places them; each tells OwnWindows where it paints.

#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/engine/frame.hpp"
#include "app/platform/own_windows.hpp"

namespace kestrove {

// What every part of one frame draws from.
struct FrameDrawing {
    const FrameModel& model;
    Size regionSize;
    bool tagOnTop = true;
    QPointF shift;  // where the drawing starts in the frame's whole window
    bool compositing = false;
};

// Tells OwnWindows where one window paints, in points from its corner. A
// narrower drawing is told a moment late: the server shows the old pixels
// until the repaint reaches it.
class PaintedTeller {
public:
    PaintedTeller(std::shared_ptr<OwnWindows> own, QObject* context) : own_(std::move(own)), context_(context) {}
    void tell(std::uint32_t id, const std::vector<Rect>& now);
    // Its window leaves OwnWindows a second from now (the server may show
    // it until it has done the destroying).
    void forgetSoon(std::uint32_t id);
    bool listening() const { return own_ != nullptr; }

private:
    std::shared_ptr<OwnWindows> own_;
    QObject* context_;
    std::vector<Rect> told_;
    bool registered_ = false;  // told at least once since it was made
    int telling_ = 0;          // the latest narrowing waiting to be told
};

// One rectangle of the frame's whole window, drawn by the frame's painter.
class FrameBand final : public QWidget {
public:
    FrameBand(const FrameDrawing& drawing, std::shared_ptr<OwnWindows> own);
    ~FrameBand() override;

    // `part` in the whole window, whose corner is at `corner` on screen.
    void place(const QRect& part, QPoint corner);
    const QRect& part() const { return part_; }
    // Draws again; `painted` is where the whole drawing paints, in points
    // from the whole window's corner.
    void redraw(const std::vector<Rect>& painted);
    void tellWherePainted(const std::vector<Rect>& painted);
    // A compositing manager came or went: made again with the other visual,
    // hidden until shown again.
    void remake();
    std::uint32_t windowId() const { return static_cast<std::uint32_t>(winId()); }
    bool made() const { return testAttribute(Qt::WA_WState_Created); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateMask();

    const FrameDrawing& drawing_;
    QRect part_;
    PaintedTeller teller_;
};

// Paints the pixel of its window's visual that shows `rgba` (premultiplied).
using PaintBackground = std::function<void(std::uint32_t window, std::uint32_t pixel)>;

// The blink's fill: one flat colour the X server paints as the window's
// background, so no picture of the box's size is ever made.
class FrameFill final : public QWindow {
public:
    FrameFill(bool compositing, const PaintBackground& background, std::shared_ptr<OwnWindows> own);
    ~FrameFill() override;

    // Where it paints while a flash runs: all of it.
    void tellWherePainted(bool flashing);
    std::uint32_t windowId() const { return static_cast<std::uint32_t>(winId()); }
    // The pixel that shows the fill: premultiplied, and opaque without a
    // compositor (as if over black, like the bands).
    static std::uint32_t pixel(bool compositing);

private:
    PaintedTeller teller_;
};

}  // namespace kestrove
