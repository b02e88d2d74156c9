#pragma once
// One screen's window while a box is drawn: it covers the screen, bypasses
// the window manager and shows the picture of the screen taken just before
// it appeared, so the screen looks unchanged (also without a compositor).
// Once a drag begins every screen dims and the box is cut out on its own
// screen, with its size beside the pointer.

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "app/platform/screen_space.hpp"
#include "core/foundation/geometry.hpp"

namespace kestrove {

class OverlayWindow;

// Shared by the windows of one selection.
struct SelectionState {
    std::optional<Rect> rect;  // the box being drawn, global points
    Point cursor;              // the last dragged pointer position
    std::vector<OverlayWindow*> views;
};

class OverlayWindow : public QWidget {
public:
    // `finish` gets the box and its screen, or nothing for a cancel.
    using Finish = std::function<void(std::optional<Rect>, std::optional<ScreenInfo>)>;

    OverlayWindow(ScreenInfo screen, QImage picture, SelectionState& state, Finish finish);

    const ScreenInfo& screen() const { return screen_; }
    bool dimmed() const { return state_.rect.has_value(); }
    // Takes the keyboard for the whole selection, as soon as the window
    // can take it.
    void takeKeyboard();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Point pointer(const QMouseEvent* event) const;
    void redrawAll();
    void paintLabel(QPainter& p, const QRectF& local);

    ScreenInfo screen_;
    QImage picture_;
    SelectionState& state_;
    Finish finish_;
    std::optional<Point> start_;
    bool dragging_ = false;
    int grabTries_ = 0;
};

}  // namespace kestrove
