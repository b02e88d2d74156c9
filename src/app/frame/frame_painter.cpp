#include "app/frame/frame_painter.hpp"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <vector>

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

// The line along a rounded rectangle, walked clockwise from the end of its
// top-left corner: four sides and four quarter circles. Sides are drawn as
// plain rectangles and only the corners as curves, several times cheaper for
// a large box than stroking the whole outline (dashed or not). On whole
// points every side ends on a pixel edge, so no two pieces overlap.
class Outline {
public:
    // Qt blends a translucent fill taller than about a hundred rows on worker
    // threads, which here costs several times the work: long sides go in bands.
    static constexpr double band = 64;

    Outline(const QRectF& r, double radius)
        : r_(r), radius_(std::min({radius, r.width() / 2, r.height() / 2})) {}

    double length() const { return 2 * (side(0) + side(1)) + 2 * M_PI * radius_; }

    // The part of the line from `from` to `to` along it; corners go to `arcs`.
    void draw(QPainter& p, QPainterPath& arcs, double from, double to, const QColor& colour, double width) const {
        const double quarter = M_PI / 2 * radius_;
        double at = 0;
        for (int i = 0; i < 4; ++i) {
            const double a = std::max(from, at), b = std::min(to, at + side(i));
            for (double t = a; t < b; t += band) p.fillRect(sideRect(i, t - at, std::min(t + band, b) - at, width), colour);
            at += side(i);
            const double c = std::max(from, at), d = std::min(to, at + quarter);
            if (d > c) {
                const QRectF square = corner(i);
                const double start = 90 - 90 * i - (c - at) / radius_ * 180 / M_PI;
                arcs.arcMoveTo(square, start);
                arcs.arcTo(square, start, -(d - c) / radius_ * 180 / M_PI);
            }
            at += quarter;
        }
    }

private:
    double side(int i) const { return (i % 2 ? r_.height() : r_.width()) - 2 * radius_; }
    // Side i from t0 to t1 along it: top left to right, right downwards,
    // bottom right to left, left upwards.
    QRectF sideRect(int i, double t0, double t1, double width) const {
        const double h = width / 2, x0 = r_.left() + radius_, y0 = r_.top() + radius_;
        const double x1 = r_.right() - radius_, y1 = r_.bottom() - radius_;
        switch (i) {
            case 0: return QRectF(QPointF(x0 + t0, r_.top() - h), QPointF(x0 + t1, r_.top() + h));
            case 1: return QRectF(QPointF(r_.right() - h, y0 + t0), QPointF(r_.right() + h, y0 + t1));
            case 2: return QRectF(QPointF(x1 - t1, r_.bottom() - h), QPointF(x1 - t0, r_.bottom() + h));
            default: return QRectF(QPointF(r_.left() - h, y1 - t1), QPointF(r_.left() + h, y1 - t0));
        }
    }
    // The square of the corner after side i: top right, bottom right, bottom left, top left.
    QRectF corner(int i) const {
        const double d = 2 * radius_;
        const QPointF at[] = {{r_.right() - d, r_.top()}, {r_.right() - d, r_.bottom() - d},
                              {r_.left(), r_.bottom() - d}, {r_.left(), r_.top()}};
        return {at[i], QSizeF(d, d)};
    }

    QRectF r_;
    double radius_;
};

// Dashes are 6 points on, 4 off, starting with a dash.
void stroke(QPainter& p, const QRectF& r, double radius, const QColor& colour, double width, bool dashed) {
    const Outline outline(r, radius);
    QPainterPath arcs;
    const double length = outline.length();
    if (!dashed) outline.draw(p, arcs, 0, length, colour, width);
    for (double at = 0; dashed && at < length; at += 10) outline.draw(p, arcs, at, at + 6, colour, width);
    p.strokePath(arcs, QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
}

constexpr double fillRadius = 4;

// The pixel `colour` blended over `ground` gives. Over transparent that is
// `colour` itself, set as it is; over an opaque ground the blend is done
// once, on one pixel, so the rounding is the painter's own.
QColor flatColour(const QColor& ground, const QColor& colour) {
    if (ground.alpha() == 0) return colour;
    QImage one(1, 1, QImage::Format_ARGB32_Premultiplied);
    one.fill(ground);
    QPainter p(&one);
    p.fillRect(QRect(0, 0, 1, 1), colour);
    p.end();
    return QColor::fromRgba(one.pixel(0, 0));
}

}  // namespace

QRect flatInside(const QPainter& p, const FrameModel& model, Size regionSize, bool tagOnTop) {
    const bool faded = model.status == WatchStatus::paused && !model.flashing;  // see paint
    if (!model.flashOn || faded || p.transform().type() > QTransform::TxTranslate || p.opacity() < 1) return {};
    const Rect box = FrameGeometry::boxInView(regionSize, tagOnTop);
    const QRectF inside = p.transform().mapRect(QRectF(box.x, box.y, box.width, box.height))
                              .adjusted(fillRadius, fillRadius, -fillRadius, -fillRadius);
    const int left = static_cast<int>(std::ceil(inside.left())), top = static_cast<int>(std::ceil(inside.top()));
    const int right = static_cast<int>(std::floor(inside.right())),
              bottom = static_cast<int>(std::floor(inside.bottom()));
    if (right <= left || bottom <= top) return {};
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void fillInBands(QPainter& p, const QRect& rect, const QColor& colour) {
    const int band = static_cast<int>(Outline::band);
    for (int y = rect.top(); y <= rect.bottom(); y += band)
        p.fillRect(QRect(rect.left(), y, rect.width(), std::min(band, rect.bottom() + 1 - y)), colour);
}

namespace {

// The blink's fill: the rounded box in the signal colour at 45 %, blended in
// bands of rows (see Outline::band); over a known ground its flat inside is
// set at once.
void fillBlink(QPainter& p, const FrameModel& model, Size regionSize, bool tagOnTop, const QRectF& r,
               std::optional<QColor> ground) {
    const QColor colour = withAlpha(Brand::signal(), 0.45);
    const QRect flat = ground ? flatInside(p, model, regionSize, tagOnTop) : QRect();
    // The pixels of the fill left to blend, on the device: the strips
    // around the flat inside. Each is its own rectangle in the clip, so
    // no band of rows holds more spans than Qt blends on this thread.
    std::vector<QRect> around;
    const QTransform moved = p.transform();
    if (!flat.isEmpty()) {
        p.resetTransform();
        p.setCompositionMode(QPainter::CompositionMode_Source);
        fillInBands(p, flat, flatColour(*ground, colour));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setTransform(moved);
        const QRect all = moved.mapRect(r).toAlignedRect().adjusted(-2, -2, 2, 2);
        around = {QRect(QPoint(all.left(), all.top()), QPoint(all.right(), flat.top() - 1)),
                  QRect(QPoint(all.left(), flat.bottom() + 1), all.bottomRight()),
                  QRect(QPoint(all.left(), flat.top()), QPoint(flat.left() - 1, flat.bottom())),
                  QRect(QPoint(flat.right() + 1, flat.top()), QPoint(all.right(), flat.bottom()))};
    }
    QPainterPath fill;
    fill.addRoundedRect(r, fillRadius, fillRadius);
    for (double y = r.top(); y < r.bottom(); y += Outline::band) {  // see Outline::band
        const QRectF band(r.left(), y, r.width(), std::min(Outline::band, r.bottom() - y));
        if (flat.isEmpty()) {
            p.setClipRect(band);
            p.fillPath(fill, colour);
            continue;
        }
        const QRect rows = moved.mapRect(band).toAlignedRect();
        for (const QRect& strip : around) {
            if (strip.isEmpty() || !strip.intersects(rows)) continue;
            p.setClipRect(band);
            p.resetTransform();
            p.setClipRect(strip, Qt::IntersectClip);
            p.setTransform(moved);
            p.fillPath(fill, colour);
        }
    }
}

}  // namespace

void paint(QPainter& p, const FrameModel& model, Size regionSize, bool tagOnTop, std::optional<QColor> ground) {
    const Rect box = FrameGeometry::boxInView(regionSize, tagOnTop);
    const QRectF r(box.x, box.y, box.width, box.height);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // A paused watch's line and fill fade; its tag stays in full.
    p.setOpacity(model.status == WatchStatus::paused && !model.flashing ? 0.4 : 1);
    if (model.flashOn) fillBlink(p, model, regionSize, tagOnTop, r, ground);
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
