#include "app/menu/app_badge.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "app/look/brand.hpp"
#include "app/look/mark_view.hpp"

namespace kestrove {

AppBadge::AppBadge(QWidget* parent) : QWidget(parent), mark_(new MarkView(Brand::signal(), this)) {
    QPalette p = mark_->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    mark_->setPalette(p);
    // A picture only: nothing for assistive technology to read.
    setAccessibleName(QString());
}

QRectF AppBadge::square() const {
    const double s = std::min(width(), height());
    return {(width() - s) / 2, (height() - s) / 2, s, s};
}

double AppBadge::borderWidth() const { return std::max(square().width() / 96, 0.5); }

void AppBadge::resizeEvent(QResizeEvent*) {
    const QRectF sq = square();
    const double inset = 0.2 * sq.width();
    mark_->setGeometry(sq.adjusted(inset, inset, -inset, -inset).toRect());
}

void AppBadge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF sq = square();
    QLinearGradient fill(sq.topLeft(), sq.bottomLeft());
    fill.setColorAt(0, QColor(90, 164, 240));
    fill.setColorAt(1, QColor(181, 220, 252));
    QPainterPath shape;
    shape.addRoundedRect(sq, cornerRadius(), cornerRadius());
    p.fillPath(shape, fill);
    // The edge is drawn inside the shape.
    const double w = borderWidth();
    const QRectF inner = sq.adjusted(w / 2, w / 2, -w / 2, -w / 2);
    QColor edge(47, 111, 184);
    edge.setAlphaF(0.45f);
    p.setPen(QPen(edge, w));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(inner, cornerRadius() - w / 2, cornerRadius() - w / 2);
}

}  // namespace kestrove
