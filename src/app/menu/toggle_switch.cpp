#include "app/menu/toggle_switch.hpp"

#include <QPainter>

#include "app/look/brand.hpp"

namespace kestrove {

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
}

void ToggleSwitch::setOn(bool on) {
    if (on != isChecked()) setChecked(on);
}

// A press asks; it does not flip the switch itself.
void ToggleSwitch::nextCheckState() {
    if (auto flip = onFlip) flip(!isChecked());
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor off = palette().color(QPalette::WindowText);
    off.setAlphaF(0.22f);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? Brand::signal() : off);
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const double d = track.height() - 2;
    const double x = isChecked() ? track.right() - 1 - d : track.left() + 1;
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 1, d, d));
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), height() / 2.0, height() / 2.0);
    }
}

}  // namespace kestrove
