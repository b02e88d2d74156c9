#include "app/menu/monitor_buttons.hpp"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "app/look/brand.hpp"
#include "app/look/hover_flag.hpp"
#include "app/menu/menu_ink.hpp"
#include "core/copy/copy_catalogue.hpp"

namespace kestrove {

namespace {

// Room for the picture look's shadow below its circle.
constexpr int shadowRoom = 2;

}  // namespace

RoundButton::RoundButton(ActionGlyph glyph, const QString& label, Look look, QWidget* parent)
    : QAbstractButton(parent), glyph_(glyph), look_(look), hover_(new HoverFlag(this)) {
    setToolTip(label);
    setAccessibleName(label);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
    connect(this, &QAbstractButton::clicked, this, [this] {
        // A copy: the action may rebuild the card that holds this button.
        if (auto run = run_) run();
    });
}

void RoundButton::setAction(ActionGlyph glyph, const QString& label, std::function<void()> run) {
    run_ = std::move(run);
    if (glyph == glyph_ && label == toolTip()) return;
    glyph_ = glyph;
    setToolTip(label);
    setAccessibleName(label);
    update();
}

bool RoundButton::hovered() const { return hover_->on(); }

// The second press of a double click is the first one's: Pause has turned
// into Resume under it, and the user meant one press.
void RoundButton::mousePressEvent(QMouseEvent* event) {
    if (event->flags().testFlag(Qt::MouseEventCreatedDoubleClick)) {
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void RoundButton::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void RoundButton::setVeiled(bool veiled) {
    if (veiled == veiled_) return;
    veiled_ = veiled;
    update();
}

QSize RoundButton::sizeHint() const {
    const int d = static_cast<int>(diameter());
    return look_ == Look::onMonitor ? QSize(d, d) : QSize(d, d + shadowRoom);
}

QRectF RoundButton::circle() const { return QRectF(0, 0, diameter(), diameter()); }

bool RoundButton::hitButton(const QPoint& pos) const {
    const QPointF d = QPointF(pos) + QPointF(0.5, 0.5) - circle().center();
    return std::hypot(d.x(), d.y()) <= diameter() / 2;
}

void RoundButton::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    if (parentWidget()) parentWidget()->update();
}

void RoundButton::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    if (parentWidget()) parentWidget()->update();
}

void RoundButton::paintEvent(QPaintEvent*) {
    if (veiled_) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF c = circle();
    QColor fill, ink;
    double symbol = 0;
    if (look_ == Look::onMonitor) {
        fill = QColor::fromRgbF(1, 1, 1, hovered() ? 0.24f : 0.14f);
        ink = QColor::fromRgbF(1, 1, 1, 0.92f);
        symbol = 10;
    } else {
        // The shadow: black at 40 %, softened over its 1.5-point radius, one point down.
        for (const auto& [grow, alpha] : {std::pair{1.5, 0.12}, {0.75, 0.16}, {0.0, 0.2}}) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor::fromRgbF(0, 0, 0, static_cast<float>(alpha)));
            p.drawEllipse(c.translated(0, 1).adjusted(-grow / 2, -grow / 2, grow / 2, grow / 2));
        }
        fill = QColor::fromRgbF(1, 1, 1, hovered() ? 0.9f : 1.0f);
        ink = MenuInk::ink();
        symbol = 12;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(c);
    if (hasFocus()) {
        p.setPen(QPen(Brand::signal(), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c.adjusted(0.75, 0.75, -0.75, -0.75));
    }
    paintGlyph(p, QRectF(c.center() - QPointF(symbol / 2, symbol / 2), QSizeF(symbol, symbol)), glyph_, ink);
}

void paintGlyph(QPainter& p, const QRectF& b, ActionGlyph glyph, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double s = b.width();
    auto at = [&](double x, double y) { return b.topLeft() + QPointF(x * s, y * s); };
    switch (glyph) {
        case ActionGlyph::pause: {
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawRoundedRect(QRectF(at(0.14, 0.05), QSizeF(0.26 * s, 0.9 * s)), 0.06 * s, 0.06 * s);
            p.drawRoundedRect(QRectF(at(0.6, 0.05), QSizeF(0.26 * s, 0.9 * s)), 0.06 * s, 0.06 * s);
            break;
        }
        case ActionGlyph::play: {
            QPainterPath path;
            path.moveTo(at(0.18, 0.04));
            path.lineTo(at(0.94, 0.5));
            path.lineTo(at(0.18, 0.96));
            path.closeSubpath();
            p.setPen(QPen(colour, 0.08 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(colour);
            p.drawPath(path);
            break;
        }
        case ActionGlyph::again: {
            // An open circle turning clockwise, its head at the top right.
            const double w = 0.16 * s;
            const QRectF ring(at(0.1, 0.12), QSizeF(0.8 * s, 0.8 * s));
            QPainterPath arc;
            arc.arcMoveTo(ring, 60);
            arc.arcTo(ring, 60, 280);
            p.strokePath(arc, QPen(colour, w, Qt::SolidLine, Qt::RoundCap));
            QPainterPath head;
            head.moveTo(at(0.52, -0.02));
            head.lineTo(at(0.98, 0.12));
            head.lineTo(at(0.62, 0.44));
            head.closeSubpath();
            p.fillPath(head, colour);
            break;
        }
        case ActionGlyph::cross: {
            const QPen pen(colour, 0.17 * s, Qt::SolidLine, Qt::RoundCap);
            p.setPen(pen);
            p.drawLine(at(0.12, 0.12), at(0.88, 0.88));
            p.drawLine(at(0.88, 0.12), at(0.12, 0.88));
            break;
        }
    }
    p.restore();
}

ReadChip::ReadChip(const QString& text, int size, QWidget* parent) : QWidget(parent), text_(text), size_(size) {
    setAccessibleName(QString::fromUtf8(Copy::menuRead.data(), Copy::menuRead.size()) + QLatin1Char(' ') + text);
    setFixedSize(sizeHint());
}

void ReadChip::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(QString::fromUtf8(Copy::menuRead.data(), Copy::menuRead.size()) + QLatin1Char(' ') + text);
    setFixedSize(sizeHint());
    update();
}

QSize ReadChip::sizeHint() const {
    const QFontMetricsF m(Brand::font(size_, QFont::Bold, true));
    return {static_cast<int>(std::ceil(m.horizontalAdvance(text_) + 12)), static_cast<int>(std::lround(size_ * 1.45))};
}

void ReadChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 5, 5);
    p.fillPath(shape, Brand::signal());
    p.setPen(Qt::white);
    p.setFont(Brand::font(size_, QFont::Bold, true));
    p.drawText(QRectF(rect()), Qt::AlignCenter | Qt::TextSingleLine, text_);
}

}  // namespace kestrove
