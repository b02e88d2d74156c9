#include "app/frame/frame_painter.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include "app/frame/frame_layout.hpp"
#include "app/look/brand.hpp"
#include "app/look/state_tag.hpp"

namespace kestrove::FramePainter {

namespace {

QRectF grown(const QRectF& r, double by) { return r.adjusted(-by, -by, by, by); }

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

// A solid line: the straight sides as plain rectangles and only the corners
// as curves, several times cheaper for a large box than the whole outline.
// On whole points every piece ends on a pixel edge, so none overlaps another.
void solidStroke(QPainter& p, const QRectF& r, double radius, const QColor& colour, double width) {
    const double h = width / 2, d = 2 * radius;
    p.fillRect(QRectF(r.left() + radius, r.top() - h, r.width() - d, width), colour);
    p.fillRect(QRectF(r.left() + radius, r.bottom() - h, r.width() - d, width), colour);
    p.fillRect(QRectF(r.left() - h, r.top() + radius, width, r.height() - d), colour);
    p.fillRect(QRectF(r.right() - h, r.top() + radius, width, r.height() - d), colour);
    QPainterPath corners;
    const QRectF squares[] = {{r.left(), r.top(), d, d}, {r.right() - d, r.top(), d, d},
                              {r.right() - d, r.bottom() - d, d, d}, {r.left(), r.bottom() - d, d, d}};
    for (int i = 0; i < 4; ++i) {
        const double from = 180 - 90 * i;
        corners.arcMoveTo(squares[i], from);
        corners.arcTo(squares[i], from, -90);
    }
    p.strokePath(corners, QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
}

void stroke(QPainter& p, const QRectF& r, double radius, const QColor& colour, double width, bool dashed) {
    if (!dashed && r.width() >= 2 * radius && r.height() >= 2 * radius) return solidStroke(p, r, radius, colour, width);
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    if (dashed) {
        // 6 points on, 4 off whatever the width: Qt counts dashes in pen widths.
        pen.setDashPattern({6 / width, 4 / width});
        pen.setDashOffset(0);
    }
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.strokePath(path, pen);
}

}  // namespace

void paint(QPainter& p, const FrameModel& model, Size regionSize, bool tagOnTop) {
    const Rect box = FrameGeometry::boxInView(regionSize, tagOnTop);
    const QRectF r(box.x, box.y, box.width, box.height);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // A paused watch's line and fill fade; its tag stays in full.
    p.setOpacity(model.status == WatchStatus::paused && !model.flashing ? 0.4 : 1);
    if (model.flashOn) {
        QPainterPath fill;
        fill.addRoundedRect(r, 4, 4);
        p.fillPath(fill, withAlpha(Brand::signal(), 0.45));
    }
    // The lines' rounded corners would reach into the box's square corners:
    // our pixels there would be read as the box's own. Every pixel the box
    // touches stays out (rectangles, not a path, keep the clip cheap).
    const QRect boxPixels = r.toAlignedRect();
    p.setClipRegion(QRegion(boxPixels.adjusted(-8, -8, 8, 8)).subtracted(QRegion(boxPixels)));
    const bool lost = model.status == WatchStatus::lostSight && !model.flashing;
    stroke(p, grown(r, 3.5), 7.5, withAlpha(Qt::black, 0.22), 1, lost);
    stroke(p, grown(r, 2.5), 6.5, withAlpha(Qt::white, lost ? 0.85 : 0.9), 1, lost);
    stroke(p, grown(r, 1), 5, lost ? Brand::mutedLine() : Brand::signal(), 2, lost);
    p.restore();

    const Point tag = FrameGeometry::tagOrigin(regionSize, tagOnTop);
    StateTag::paint(p, {tag.x, tag.y}, QString::fromStdString(model.tagText()), model.tagTone());
}

}  // namespace kestrove::FramePainter
