#include "app/look/state_tag.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "app/look/brand.hpp"

namespace kestrove {

namespace {

constexpr int fontSize = 10;
constexpr double tracking = 0.4;
constexpr double padX = 5;
constexpr double pillHeight = 16;

QFont tagFont() {
    QFont f = Brand::labelFont(fontSize);
    f.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return f;
}

// A rounded rectangle stroked 1 point wide just inside `outer`.
void ring(QPainter& p, const QRectF& outer, double radius, const QColor& colour) {
    QPainterPath path;
    path.addRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    p.strokePath(path, QPen(colour, 1));
}

}  // namespace

StateTag::StateTag(QString text, TagTone tone, QWidget* parent) : QWidget(parent), text_(std::move(text)), tone_(tone) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StateTag::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateGeometry();
    update();
}

void StateTag::setTone(TagTone tone) {
    if (tone == tone_) return;
    tone_ = tone;
    update();
}

QSizeF StateTag::pillSize(const QString& text) {
    return {QFontMetricsF(tagFont()).horizontalAdvance(text) + 2 * padX, pillHeight};
}

void StateTag::paint(QPainter& p, QPointF pillTopLeft, const QString& text, TagTone tone) {
    const QRectF pill(pillTopLeft, pillSize(text));
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath fill;
    fill.addRoundedRect(pill, 3, 3);
    p.fillPath(fill, tone == TagTone::signal ? Brand::signal() : Brand::muted());
    QColor light(Qt::white), dark(Qt::black);
    light.setAlphaF(0.9f);
    dark.setAlphaF(0.28f);
    ring(p, pill.adjusted(-1, -1, 1, 1), 3, light);
    ring(p, pill.adjusted(-2, -2, 2, 2), 4, dark);
    p.setFont(tagFont());
    p.setPen(Brand::onSignal());
    p.drawText(pill, Qt::AlignCenter | Qt::TextSingleLine, text);
    p.restore();
}

QSize StateTag::sizeHint() const {
    const QSizeF s = pillSize(text_);
    return {static_cast<int>(std::ceil(s.width() + 2 * rings)), static_cast<int>(std::ceil(s.height() + 2 * rings))};
}

void StateTag::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint(p, {rings, rings}, text_, tone_);
}

}  // namespace kestrove
