#include "app/look/spinner.hpp"

#include <QPainter>
#include <QTimer>

namespace kestrove {

Spinner::Spinner(int side, QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    setFixedSize(side, side);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(80);
    connect(timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % 12;
        update();
    });
}

void Spinner::showEvent(QShowEvent*) { timer_->start(); }
void Spinner::hideEvent(QHideEvent*) { timer_->stop(); }

void Spinner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double pen = std::max(1.5, width() / 8.0);
    const QRectF r = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor ink = palette().color(QPalette::WindowText);
    ink.setAlphaF(0.5f);
    QColor track = ink;
    track.setAlphaF(ink.alphaF() * 0.35f);
    p.setPen(QPen(track, pen));
    p.drawEllipse(r);
    p.setPen(QPen(ink, pen, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r, (90 - step_ * 30) * 16, -100 * 16);
}

}  // namespace kestrove
