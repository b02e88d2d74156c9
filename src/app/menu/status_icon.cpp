#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/look/brand.hpp"
#include "app/look/mark_glyph.hpp"
#include "app/menu/status_item.hpp"

namespace kestrove::StatusIcon {

namespace {

// Luma on the 0-1 scale.
double luminance(int red, int green, int blue) { return (0.2126 * red + 0.7152 * green + 0.0722 * blue) / 255; }

}  // namespace

std::optional<double> ground(const Image& shown, const QImage& drawn) {
    const int w = shown.width;
    const int h = shown.height;
    if (!shown.isValid() || drawn.size() != QSize(w, h)) return std::nullopt;
    const QImage alpha = drawn.convertToFormat(QImage::Format_Alpha8);
    auto inked = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && alpha.constScanLine(y)[x] != 0; };
    // A pixel away from the ink too: the tray may place the picture a
    // pixel apart from ours, and the ink's soft edge is neither.
    auto bare = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (inked(x + dx, y + dy)) return false;
        return true;
    };
    std::vector<double> seen;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (bare(x, y)) {
                const std::uint8_t* p = shown.rgba.data() + (static_cast<std::size_t>(y) * w + x) * 4;
                seen.push_back(luminance(p[0], p[1], p[2]));
            }
    // The highlight leaves only the corners bare.
    if (seen.size() < std::max<std::size_t>(4, static_cast<std::size_t>(w) * h / 16)) return std::nullopt;
    // The middle one, so ink of an older picture of ours (a badge since
    // gone) that the screen still showed does not move it.
    const auto middle = seen.begin() + static_cast<std::ptrdiff_t>(seen.size() / 2);
    std::nth_element(seen.begin(), middle, seen.end());
    return *middle;
}

QColor ink(const TrayLook& look, const QPalette& palette, std::optional<double> ground) {
    // The tray's own pixels are what the mark is seen on: a desktop setting
    // that another tray theme contradicts must not hide it.
    if (ground) {
        const auto& text = look.trayText;
        if (text && std::abs(luminance(text->red, text->green, text->blue) - *ground) >= 0.4)
            return QColor(text->red, text->green, text->blue);
        // The farther of the two is at least half the scale away.
        return *ground < 0.5 ? Qt::white : Qt::black;
    }
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
