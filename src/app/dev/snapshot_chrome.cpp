#include "app/dev/snapshot_chrome.hpp"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "app/frame/frame_painter.hpp"
#include "app/look/brand.hpp"
#include "app/look/mark_glyph.hpp"

namespace kestrove::SnapshotChrome {

namespace {

QColor grey(double white, double alpha = 1) {
    QColor c = QColor::fromRgbF(float(white), float(white), float(white));
    c.setAlphaF(float(alpha));
    return c;
}

// A soft shadow: the shape drawn ever wider and fainter.
void shadow(QPainter& p, const QRectF& r, double radius, double blur, QPointF offset, QColor colour) {
    p.save();
    p.setPen(Qt::NoPen);
    const int steps = std::max(1, int(blur / 2));
    const double alpha = colour.alphaF() / steps;
    for (int i = steps; i >= 1; --i) {
        const double grow = blur * i / steps / 2;
        QColor c = colour;
        c.setAlphaF(float(alpha));
        p.setBrush(c);
        p.drawRoundedRect(r.translated(offset).adjusted(-grow, -grow, grow, grow), radius + grow, radius + grow);
    }
    p.restore();
}

QImage canvas(QSizeF points, QColor ground) {
    QImage image(points.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(ground);
    return image;
}

}  // namespace

QColor desktop(bool dark) { return dark ? grey(0.12) : QColor::fromRgbF(0.86f, 0.87f, 0.90f); }

QImage panel(const QImage& content, bool dark) {
    const double pad = 28, radius = 14;
    const QSizeF size = content.deviceIndependentSize();
    QImage out = canvas(size + QSizeF(2 * pad, 2 * pad), desktop(dark));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(QPointF(pad, pad), size);
    shadow(p, box, radius, 14, {0, 6}, grey(0, 0.22));
    p.drawImage(box, content);
    return out;
}

QImage window(const QImage& content, const QString& title, bool dark) {
    const double pad = 32, radius = 5;
    const QSizeF size = content.deviceIndependentSize() + QSizeF(2, titleBar + 1);  // the border round it
    QImage out = canvas(size + QSizeF(2 * pad, 2 * pad), desktop(dark));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(QPointF(pad, pad), size);
    shadow(p, box, radius, 16, {0, 8}, grey(0, 0.22));
    // Rounded at the top only, as the window manager's frame is.
    const auto frame = [radius](const QRectF& r) {
        QPainterPath shape;
        shape.addRoundedRect(r, radius, radius);
        shape.addRect(r.adjusted(0, radius, 0, 0));
        return shape.simplified();
    };
    p.fillPath(frame(box), dark ? QColor(52, 52, 55) : QColor(222, 222, 224));
    p.drawImage(QRectF(box.topLeft() + QPointF(1, titleBar), content.deviceIndependentSize()), content);

    const QColor ink = dark ? grey(0.9) : grey(0.2);
    const QRectF bar(box.x(), box.y(), box.width(), titleBar);
    p.setFont(Brand::font(12, QFont::Bold));
    p.setPen(ink);
    p.drawText(bar.adjusted(36, 0, -36, 0), Qt::AlignCenter, title);
    // The close box: a cross in the title's ink, no colour of its own.
    const QPointF c(bar.right() - titleBar / 2.0 - 2, bar.center().y());
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
    p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(dark ? grey(1, 0.16) : grey(0, 0.3), 1));
    p.drawPath(frame(box.adjusted(0.5, 0.5, -0.5, -0.5)));  // the line on whole pixels
    return out;
}

QImage frameScene(const FrameModel& model, const Sample& sample, bool dark) {
    const QSizeF box = sample.points();
    const double overlayWidth = std::max(190.0, box.width() + 10);
    QImage out = canvas({overlayWidth + 60, box.height() + 28 + 60}, dark ? grey(0.17) : QColor(Qt::white));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(QRectF(QPointF(35, 53), box), sample.picture);
    p.translate(30, 30);
    FramePainter::paint(p, model, {box.width(), box.height()}, true);
    return out;
}

QImage statusItem(bool dark) {
    QImage out(600, 96, QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(4);
    out.fill(dark ? grey(0.16) : grey(0.93));
    const QColor ink = dark ? Qt::white : Qt::black;
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    const QSize mark = MarkGlyph::statusSize(18);
    // Top-left origin: 3 points up from the bottom of 24 is 3 down from the top.
    MarkGlyph::paintStatus(p, QRectF(12, 3, mark.width(), mark.height()), 1.0, ink);
    p.setFont(Brand::font(13, QFont::Medium));
    p.setPen(ink);
    p.drawText(QPointF(12 + mark.width(), 24 - 4 - p.fontMetrics().descent()), QStringLiteral(" 2"));
    MarkGlyph::paintStatus(p, QRectF(90, 3, mark.width(), mark.height()), 1.32, ink);
    return out;
}

}  // namespace kestrove::SnapshotChrome
