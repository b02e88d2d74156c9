#include "app/creation/mode_picker.hpp"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/look/appearance.hpp"
#include "app/creation/panel_ink.hpp"
#include "app/creation/panel_texts.hpp"

namespace kestrove {

namespace {

constexpr int padX = 10, segmentHeight = 22;

QString title(WatchMode mode) { return mode == WatchMode::once ? PanelText::once : PanelText::everyTime; }

}  // namespace

ModePicker::ModePicker(WatchMode mode, std::function<void(WatchMode)> picked, QWidget* parent)
    : QWidget(parent), mode_(mode), picked_(std::move(picked)) {
    setFont(PanelInk::font(12));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(PanelText::howOften);
}

void ModePicker::setMode(WatchMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    update();
}

QRect ModePicker::segment(WatchMode mode) const {
    const QFontMetrics m(font());
    const int first = m.horizontalAdvance(title(WatchMode::once)) + 2 * padX;
    if (mode == WatchMode::once) return {0, 0, first, segmentHeight};
    return {first, 0, m.horizontalAdvance(title(WatchMode::everyTime)) + 2 * padX, segmentHeight};
}

QSize ModePicker::sizeHint() const { return {segment(WatchMode::everyTime).right() + 1, segmentHeight}; }

void ModePicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF whole = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(whole, 6, 6);
    p.fillPath(outline, PanelInk::primary(palette(), 0.06));
    // The chosen segment on a raised fill.
    const QRectF chosen = QRectF(segment(mode_)).adjusted(2, 2, -2, -2);
    QPainterPath knob;
    knob.addRoundedRect(chosen, 4.5, 4.5);
    p.fillPath(knob, Appearance::isDark(palette()) ? QColor(99, 99, 102) : QColor(Qt::white));
    p.setPen(QPen(PanelInk::primary(palette(), 0.12), 0.5));
    p.drawPath(knob);
    p.setPen(QPen(PanelInk::primary(palette(), 0.1), 0.5));
    p.drawPath(outline);
    p.setPen(PanelInk::primary(palette()));
    for (WatchMode m : {WatchMode::once, WatchMode::everyTime})
        p.drawText(segment(m), Qt::AlignCenter | Qt::TextSingleLine, title(m));
}

void ModePicker::mousePressEvent(QMouseEvent* event) {
    for (WatchMode m : {WatchMode::once, WatchMode::everyTime})
        if (segment(m).contains(event->position().toPoint()) && picked_) picked_(m);
}

void ModePicker::keyPressEvent(QKeyEvent* event) {
    if (!picked_) return QWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Left) return picked_(WatchMode::once);
    if (event->key() == Qt::Key_Right) return picked_(WatchMode::everyTime);
    QWidget::keyPressEvent(event);
}

}  // namespace kestrove
