#include "app/look/signal_chip.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "app/look/brand.hpp"
#include "app/look/hover_flag.hpp"

namespace kestrove {

namespace {

constexpr double padX = 6;
constexpr double padY = 2;
constexpr double radius = 5;

QSize ceilSize(const QSizeF& s) {
    return {static_cast<int>(std::ceil(s.width())), static_cast<int>(std::ceil(s.height()))};
}

}  // namespace

SignalChip::SignalChip(QString text, int size, QWidget* parent) : QWidget(parent), text_(std::move(text)), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SignalChip::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateGeometry();
    update();
}

QSizeF SignalChip::chipSize(const QString& text, int size) {
    const QFontMetricsF m(Brand::labelFont(size));
    return {m.horizontalAdvance(text) + 2 * padX, m.height() + 2 * padY};
}

QSize SignalChip::sizeHint() const { return ceilSize(chipSize(text_, size_)); }

void SignalChip::paint(QPainter& p, const QRectF& rect, const QString& text, int size, double brightness) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    p.fillPath(shape, Brand::brightened(Brand::signal(), brightness));
    p.setFont(Brand::labelFont(size));
    p.setPen(Brand::brightened(Brand::onSignal(), brightness));
    p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    p.restore();
}

void SignalChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint(p, rect(), text_, size_);
}

SignalChipButton::SignalChipButton(const QString& text, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), hover_(new HoverFlag(this)) {
    setText(text);
    setAccessibleName(QStringLiteral("Use ") + text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) action();
    });
}

bool SignalChipButton::hovered() const { return hover_->on(); }

QSize SignalChipButton::sizeHint() const { return ceilSize(SignalChip::chipSize(text(), fontSize)); }

void SignalChipButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    SignalChip::paint(p, rect(), text(), fontSize, hovered() ? hoverBrightness : 0);
}

}  // namespace kestrove
