#include "app/creation/key_panel.hpp"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/creation/panel_ink.hpp"

namespace kestrove {

KeyPanel::KeyPanel(double radius, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), radius_(radius) {
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility);
}

void KeyPanel::setContent(QWidget* content) {
    content_ = content;
    content_->setParent(this);
    content_->setGeometry(rect());
}

void KeyPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (content_) content_->setGeometry(rect());
    // Without a compositor nothing can be see-through: the corners are cut.
    QBitmap shape(size());
    shape.fill(Qt::color0);
    QPainter p(&shape);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::color1);
    p.drawRoundedRect(QRectF(rect()), radius_, radius_);
    p.end();
    setMask(shape);
}

void KeyPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF edge = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    QPainterPath shape;
    shape.addRoundedRect(edge, radius_, radius_);
    p.fillPath(shape, palette().color(QPalette::Window));
    p.setPen(QPen(PanelInk::primary(palette(), 0.1), 0.5));
    p.drawPath(shape);
}

void KeyPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) grab_ = event->position().toPoint();
}

void KeyPanel::mouseMoveEvent(QMouseEvent* event) {
    if (grab_) move(event->globalPosition().toPoint() - *grab_);
}

void KeyPanel::mouseReleaseEvent(QMouseEvent*) { grab_.reset(); }

}  // namespace kestrove
