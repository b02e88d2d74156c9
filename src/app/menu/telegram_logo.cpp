#include "app/menu/telegram_logo.hpp"

#include <QPainter>

#include <algorithm>

#include "core/picture/telegram_mark.hpp"

namespace kestrove {

namespace {

QPainterPath toPainterPath(const VectorPath& vector) {
    QPainterPath out;
    out.setFillRule(Qt::OddEvenFill);
    auto at = [](const Point& p) { return QPointF(p.x, p.y); };
    for (const PathElement& e : vector.elements) {
        switch (e.kind) {
        case PathElement::Kind::move: out.moveTo(at(e.points[0])); break;
        case PathElement::Kind::line: out.lineTo(at(e.points[0])); break;
        case PathElement::Kind::quad: out.quadTo(at(e.points[0]), at(e.points[1])); break;
        case PathElement::Kind::cubic: out.cubicTo(at(e.points[0]), at(e.points[1]), at(e.points[2])); break;
        case PathElement::Kind::close: out.closeSubpath(); break;
        }
    }
    return out;
}

}  // namespace

TelegramLogo::TelegramLogo(QWidget* parent) : QWidget(parent) { setAccessibleName(QStringLiteral("Telegram")); }

const QPainterPath& TelegramLogo::path() {
    static const QPainterPath made = toPainterPath(TelegramMark::path());
    return made;
}

void TelegramLogo::paint(QPainter& painter, const QRectF& rect) {
    const double s = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.x() + (rect.width() - s) / 2, rect.y() + (rect.height() - s) / 2);
    painter.scale(s / TelegramMark::size, s / TelegramMark::size);
    painter.setPen(Qt::NoPen);
    // The white disc lies just inside the mark's circle and shows through the plane.
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(0.3, 0.3, 23.4, 23.4));
    const auto& blue = TelegramMark::blue;
    painter.setBrush(QColor::fromRgbF(static_cast<float>(blue.red), static_cast<float>(blue.green), static_cast<float>(blue.blue)));
    painter.drawPath(path());
    painter.restore();
}

void TelegramLogo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint(p, rect());
}

}  // namespace kestrove
