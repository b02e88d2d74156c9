#include "app/dev/sample.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include "app/look/brand.hpp"
#include "app/look/qt_image.hpp"

namespace kestrove {

namespace {

QColor grey(double white) {
    const int v = static_cast<int>(white * 255 + 0.5);
    return QColor(v, v, v);
}
QColor background(bool dark) { return dark ? grey(0.13) : Qt::white; }
QColor ink(bool dark) { return dark ? grey(0.95) : grey(0.08); }
QColor muted(bool dark) { return dark ? grey(0.62) : grey(0.42); }
const QColor systemBlue(0, 122, 255);

QFont mono(int pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(pixelSize);
    return f;
}

}  // namespace

Sample Sample::make(const std::vector<Line>& lines, QSizeF size, QColor ground, const Extra& extra) {
    const double W = size.width(), H = size.height();
    QImage picture(static_cast<int>(2 * W), static_cast<int>(2 * H), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(2);
    picture.fill(ground);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    std::vector<OCRLine> read;
    double top = 18;  // from the top edge, in points
    for (const Line& line : lines) {
        QFont font = line.font;
        font.setStrikeOut(line.strike);
        const QFontMetricsF metrics(font);
        const double w = metrics.horizontalAdvance(line.text);
        const double h = metrics.height();
        p.setFont(font);
        p.setPen(line.colour);
        p.drawText(QPointF(18, top + metrics.ascent()), line.text);
        read.push_back({line.text.toStdString(), {18 / W, top / H, w / W, h / H}, 1.0});
        top += h + 6;
    }
    if (extra) extra(p, QRectF(0, 0, W, H));
    p.end();
    WatchRegion region;
    region.displayID = 1;
    region.x = 812;
    region.y = 340;
    region.w = W;
    region.h = H;
    region.scale = 2;
    return {picture, BaselineReading(std::move(read)), region};
}

Image Sample::image() const { return imageFromQImage(picture); }

Sample Sample::price(bool dark, const QString& text) {
    return make({{QStringLiteral("Wireless headphones"), Brand::font(15), muted(dark)},
                 {text, Brand::font(40, QFont::Bold), ink(dark)}},
                {300, 110}, background(dark));
}

Sample Sample::twoPrices(bool dark) {
    return make({{QStringLiteral("Was 299,00 €"), Brand::font(16), muted(dark), true},
                 {QStringLiteral("Now 249,00 €"), Brand::font(30, QFont::Bold), ink(dark)}},
                {300, 100}, background(dark));
}

Sample Sample::soldOut(bool dark) {
    return make({{QStringLiteral("Wireless headphones"), Brand::font(15), muted(dark)},
                 {QStringLiteral("Sold out"), Brand::font(32, QFont::Bold), ink(dark)}},
                {300, 100}, background(dark));
}

Sample Sample::minutes(bool dark) {
    return make({{QStringLiteral("Uploading 3 files"), Brand::font(17, QFont::Medium), ink(dark)},
                 {QStringLiteral("About 7 minutes remaining"), Brand::font(13), muted(dark)}},
                {300, 84}, background(dark));
}

Sample Sample::timer(bool dark) {
    // The product's face has digits of one width already.
    return make({{QStringLiteral("00:42"), Brand::font(44, QFont::DemiBold), ink(dark)}}, {220, 96}, background(dark));
}

Sample Sample::chat(bool dark) {
    return make({{QStringLiteral("Ilo: are you there?"), Brand::font(14), ink(dark)},
                 {QStringLiteral("You: one sec"), Brand::font(14), muted(dark)},
                 {QStringLiteral("Ilo: ok"), Brand::font(14), ink(dark)}},
                {280, 104}, background(dark));
}

Sample Sample::exporting(bool dark) {
    return make({{QStringLiteral("Exporting… 45%"), Brand::font(18, QFont::Medium), ink(dark)}}, {320, 84},
                background(dark), [dark](QPainter& p, const QRectF& r) {
                    // 18 points above the bottom edge.
                    const QRectF track(18, r.height() - 18 - 6, r.width() - 36, 6);
                    p.setPen(Qt::NoPen);
                    p.setBrush(dark ? grey(0.3) : grey(0.88));
                    p.drawRoundedRect(track, 3, 3);
                    p.setBrush(systemBlue);
                    p.drawRoundedRect(QRectF(track.topLeft(), QSizeF(0.45 * track.width(), 6)), 3, 3);
                });
}

Sample Sample::build() {
    return make({{QStringLiteral("$ make release"), mono(14), grey(0.6)},
                 {QStringLiteral("Compiling 34 of 120"), mono(14), grey(0.92)}},
                {320, 90}, grey(0.11));
}

Sample Sample::spinner(bool dark) {
    return make({}, {200, 120}, background(dark), [](QPainter& p, const QRectF& r) {
        QPen pen(systemBlue, 5);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        // Counter-clockwise from 30° through 270°, in sixteenths of a degree.
        p.drawArc(QRectF(r.center() - QPointF(22, 22), QSizeF(44, 44)), 30 * 16, 270 * 16);
    });
}

Sample Sample::blank(bool dark) {
    return make({}, {260, 80}, background(dark), [](QPainter& p, const QRectF& r) {
        QColor dot(142, 142, 147);
        dot.setAlphaF(0.25f);
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        p.drawEllipse(QRectF(r.center() - QPointF(14, 14), QSizeF(28, 28)));
    });
}

}  // namespace kestrove
