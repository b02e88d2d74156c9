// The frame's drawing over a known ground: the blink's flat inside, set in
// one pass, gives the pixels blending the fill over that ground gives.
#include <gtest/gtest.h>

#include <QPainter>

#include "app/frame/frame_layout.hpp"
#include "app/frame/frame_painter.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

struct Case {
    const char* name;
    Size box;
    QPointF offset;  // where the drawing starts in the picture: off the grid too
    bool tagOnTop;
    WatchStatus status;
    QColor ground;
};

// The picture `paint` makes of `model` over `ground`. With `flatGiven`, the
// painter is told the ground and the flat inside first holds another colour,
// so a pixel there left unset or blended over it shows.
QImage drawn(const Case& c, const FrameModel& model, bool flatGiven, QRect* flat = nullptr) {
    const Rect view = FrameGeometry::boxInView(c.box, c.tagOnTop);
    QImage image(static_cast<int>(view.maxX() + 40), static_cast<int>(view.maxY() + 40),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(c.ground);
    QPainter p(&image);
    p.translate(c.offset);
    if (flatGiven) {
        const QRect inside = FramePainter::flatInside(p, model, c.box, c.tagOnTop);
        if (flat) *flat = inside;
        p.save();
        p.resetTransform();
        p.fillRect(inside, Qt::green);
        p.restore();
        FramePainter::paint(p, model, c.box, c.tagOnTop, c.ground);
    } else {
        FramePainter::paint(p, model, c.box, c.tagOnTop);
    }
    p.end();
    return image;
}

TEST(FramePainter, TheBlinksFlatInsideIsSetToThePixelsBlendingGives) {
    offscreen::app();
    const QColor black(Qt::black), clear(Qt::transparent);
    const Case cases[] = {
        {"large, on the grid, over black", {900, 700}, {0, 0}, true, WatchStatus::watching, black},
        {"large, on the grid, over nothing", {900, 700}, {0, 0}, true, WatchStatus::watching, clear},
        {"off the grid, tag below", {333, 251}, {0.5, 0.25}, false, WatchStatus::watching, black},
        {"off the grid, over nothing", {333, 251}, {0.3, 0.7}, true, WatchStatus::watching, clear},
        {"paused while it barks", {400, 300}, {0, 0}, true, WatchStatus::paused, black},
        {"lost sight while it barks", {400, 300}, {0.5, 0.5}, true, WatchStatus::lostSight, clear},
        {"too small for a flat inside", {7, 6}, {0.5, 0}, true, WatchStatus::watching, black},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameModel model;
        model.status = c.status;
        model.flashing = true;
        model.flashOn = true;
        model.barkTime = "10:42";
        QRect flat;
        const QImage fast = drawn(c, model, true, &flat);
        EXPECT_EQ(fast, drawn(c, model, false));
        // Each case with room for one has a flat inside, so the comparison covers it.
        EXPECT_EQ(flat.isEmpty(), c.box.w < 10) << flat.width() << " x " << flat.height();
    }
}

// Outside a blink nothing is set at once: the painter leaves the box alone.
TEST(FramePainter, WithoutABlinkThereIsNoFlatInside) {
    offscreen::app();
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    FrameModel model;
    model.flashing = true;  // the hold after the last blink
    EXPECT_TRUE(FramePainter::flatInside(p, model, {150, 120}, true).isEmpty());
    model.flashOn = true;
    EXPECT_FALSE(FramePainter::flatInside(p, model, {150, 120}, true).isEmpty());
    p.scale(2, 2);  // drawn scaled, the fill is blended as before
    EXPECT_TRUE(FramePainter::flatInside(p, model, {150, 120}, true).isEmpty());
}

}  // namespace
}  // namespace kestrove
