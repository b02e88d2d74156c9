#include "app/look/mark_glyph.hpp"

#include <QPainter>

#include <cmath>

namespace kestrove::MarkGlyph {

namespace {

// The drawn part of the glyph, strokes included.
constexpr QRectF statusBox{4, 3, 59, 55};

}  // namespace

const QPainterPath& brackets() {
    static const QPainterPath path = [] {
        // Each corner is an arc of radius 4 tangent to both legs.
        QPainterPath p;
        p.moveTo(8, 24);
        p.lineTo(8, 14);
        p.arcTo(QRectF(8, 10, 8, 8), 180, -90);
        p.lineTo(22, 10);
        p.moveTo(8, 40);
        p.lineTo(8, 50);
        p.arcTo(QRectF(8, 46, 8, 8), 180, 90);
        p.lineTo(22, 54);
        p.moveTo(42, 54);
        p.lineTo(52, 54);
        p.arcTo(QRectF(48, 46, 8, 8), 270, 90);
        p.lineTo(56, 40);
        return p;
    }();
    return path;
}

QSize statusSize(int height) {
    return {static_cast<int>(std::lround(height * statusBox.width() / statusBox.height())), height};
}

void paintStatus(QPainter& painter, const QRectF& rect, double dotScale, const QColor& ink) {
    const double scale = std::min(rect.width() / statusBox.width(), rect.height() / statusBox.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - statusBox.center().x() * scale,
                      rect.center().y() - statusBox.center().y() * scale);
    painter.scale(scale, scale);
    painter.setPen(QPen(ink, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(brackets());
    if (dotScale > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        const double r = dotRadius * dotScale;
        painter.drawEllipse(dotCentre, r, r);
    }
    painter.restore();
}

QImage statusImage(double dotScale, int height, qreal devicePixelRatio) {
    const QSize points = statusSize(height);
    QImage image(points * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintStatus(p, QRectF(QPointF(0, 0), QSizeF(points)), dotScale);
    p.end();
    image.setText(QStringLiteral("Description"), QStringLiteral("Kestrove"));
    return image;
}

}  // namespace kestrove::MarkGlyph
