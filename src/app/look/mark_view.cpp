#include "app/look/mark_view.hpp"

#include <QPainter>

#include <algorithm>

#include "app/look/mark_glyph.hpp"

namespace kestrove {

namespace {

// The view fits the brackets' strokes and the dot, not the status picture's margins.
constexpr QRectF glyphBox{5, 6, 54, 51};

}  // namespace

MarkView::MarkView(QColor dot, QWidget* parent) : QWidget(parent), dot_(dot) {
    // A picture: it takes no keyboard focus and has no name to read.
    setFocusPolicy(Qt::NoFocus);
}

void MarkView::setDot(const QColor& dot) {
    if (dot == dot_) return;
    dot_ = dot;
    update();
}

void MarkView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double scale = std::min(width() / glyphBox.width(), height() / glyphBox.height());
    p.translate(width() / 2.0 - glyphBox.center().x() * scale, height() / 2.0 - glyphBox.center().y() * scale);
    p.scale(scale, scale);
    QPen pen(palette().color(QPalette::WindowText), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setMiterLimit(10);
    p.setPen(pen);
    p.drawPath(MarkGlyph::brackets());
    p.setPen(Qt::NoPen);
    p.setBrush(dot_);
    p.drawEllipse(MarkGlyph::dotCentre, MarkGlyph::dotRadius, MarkGlyph::dotRadius);
}

}  // namespace kestrove
