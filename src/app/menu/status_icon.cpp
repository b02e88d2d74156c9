#include <QFontMetricsF>
#include <QPainter>

#include "app/look/brand.hpp"
#include "app/look/mark_glyph.hpp"
#include "app/menu/status_item.hpp"

namespace kestrove::StatusIcon {

QColor ink(const TrayLook& look, const QPalette& palette) {
    switch (look.scheme) {
        case ColorScheme::dark: return Qt::white;
        case ColorScheme::light: return Qt::black;
        case ColorScheme::noPreference: break;
    }
    if (look.trayText) return QColor(look.trayText->red, look.trayText->green, look.trayText->blue);
    return palette.color(QPalette::WindowText);
}

QImage render(const StatusLook& look, int side, qreal dpr, const QColor& ink) {
    QImage image(QSize(side, side) * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(0, 0, side, side);
    if (look.highlighted) {
        QColor ground = ink;
        ground.setAlphaF(0.2f);
        p.setPen(Qt::NoPen);
        p.setBrush(ground);
        p.drawRoundedRect(all, side * 0.2, side * 0.2);
    }
    MarkGlyph::paintStatus(p, all.adjusted(side * 0.08, side * 0.08, -side * 0.08, -side * 0.08), look.dotScale, ink);
    if (look.count >= 1) {
        const QString text = look.count > 99 ? QStringLiteral("99+") : QString::number(look.count);
        const QFont font = Brand::font(std::max(7, static_cast<int>(side * 0.46)), QFont::Bold, true);
        const QFontMetricsF m(font);
        const double h = side * 0.56;
        const double w = std::max(h, m.horizontalAdvance(text) + side * 0.18);
        const QRectF badge(side - w, side - h, w, h);
        p.setPen(Qt::NoPen);
        p.setBrush(Brand::signal());
        p.drawRoundedRect(badge, h / 2, h / 2);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(badge, Qt::AlignCenter, text);
    }
    p.end();
    return image;
}

}  // namespace kestrove::StatusIcon
