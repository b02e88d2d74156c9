#include "app/frame/frame_painter.hpp"

#include <QPainter>
#include <QPainterPath>

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

void stroke(QPainter& p, const QRectF& r, double radius, const QColor& colour, double width, bool dashed) {
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
    const bool lost = model.status == WatchStatus::lostSight && !model.flashing;
    stroke(p, grown(r, 3.5), 7.5, withAlpha(Qt::black, 0.22), 1, lost);
    stroke(p, grown(r, 2.5), 6.5, withAlpha(Qt::white, lost ? 0.85 : 0.9), 1, lost);
    stroke(p, grown(r, 1), 5, lost ? Brand::mutedLine() : Brand::signal(), 2, lost);
    p.restore();

    const Point tag = FrameGeometry::tagOrigin(regionSize, tagOnTop);
    StateTag::paint(p, {tag.x, tag.y}, QString::fromStdString(model.tagText()), model.tagTone());
}

}  // namespace kestrove::FramePainter
