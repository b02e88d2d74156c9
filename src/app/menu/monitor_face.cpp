#include "app/menu/monitor_face.hpp"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

#include "app/look/brand.hpp"
#include "app/menu/menu_ink.hpp"
#include "core/copy/copy_catalogue.hpp"

namespace kestrove::MonitorFace {

namespace {

constexpr double cardRadius = 8;

QColor white(double alpha) { return QColor::fromRgbF(1, 1, 1, static_cast<float>(alpha)); }
QColor black(double alpha) { return QColor::fromRgbF(0, 0, 0, static_cast<float>(alpha)); }

// A rounded rectangle stroked `width` wide just inside `outer`.
void innerStroke(QPainter& p, const QRectF& outer, double radius, double width, const QColor& colour) {
    const double h = width / 2;
    QPainterPath path;
    path.addRoundedRect(outer.adjusted(h, h, -h, -h), radius - h, radius - h);
    p.strokePath(path, QPen(colour, width));
}

QString fromView(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

void paintShadow(QPainter& p, const QRectF& card, bool dark) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(card.translated(0, 1), cardRadius, cardRadius);
    p.fillPath(path, black(dark ? 0.5 : 0.28));
    p.restore();
}

void paintBody(QPainter& p, const QRectF& card, bool dark) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(card, cardRadius, cardRadius);
    p.fillPath(path, dark ? QColor(12, 12, 13) : QColor(22, 22, 22));
    innerStroke(p, card, cardRadius, 0.5, white(dark ? 0.16 : 0.10));
    p.restore();
}

QPainterPath cornerBracket(const QRectF& r) {
    const double u = r.width() / 14;
    const QPointF o = r.topLeft();
    QPainterPath path;
    path.moveTo(o + QPointF(1.25 * u, 12.75 * u));
    path.lineTo(o + QPointF(1.25 * u, 5.5 * u));
    path.arcTo(QRectF(o + QPointF(1.25 * u, 1.25 * u), QSizeF(8.5 * u, 8.5 * u)), 180, -90);
    path.lineTo(o + QPointF(12.75 * u, 1.25 * u));
    return path;
}

void paintCorners(QPainter& p, const QRectF& area, const Corners& c, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF inner = area.adjusted(c.inset, c.inset, -c.inset, -c.inset);
    const QPainterPath bracket = cornerBracket(QRectF(0, 0, c.size, c.size));
    const QPen pen(colour, c.stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // Top left as drawn; bottom left mirrored top to bottom; bottom right both ways.
    const QTransform corners[] = {
        QTransform::fromTranslate(inner.left(), inner.top()),
        QTransform(1, 0, 0, -1, inner.left(), inner.bottom()),
        QTransform(-1, 0, 0, -1, inner.right(), inner.bottom()),
    };
    for (const QTransform& t : corners) p.strokePath(t.map(bracket), pen);
    p.setPen(Qt::NoPen);
    p.setBrush(Brand::signal());
    p.drawEllipse(QRectF(area.right() - c.dotInset.x() - c.dot, area.top() + c.dotInset.y(), c.dot, c.dot));
    p.restore();
}

void paintFeed(QPainter& p, const QRectF& rect, const QImage& picture, WatchStatus status) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool faded = status == WatchStatus::lostSight || status == WatchStatus::paused;
    {
        p.save();
        QPainterPath clip;
        clip.addRoundedRect(rect, 4, 4);
        p.setClipPath(clip);
        p.setOpacity(faded ? 0.5 : 1);
        if (picture.isNull())
            p.fillRect(rect, white(0.08));
        else
            p.drawImage(rect, picture);
        p.restore();
    }
    // The rings lie outside the picture: 0-2 points out, 2-3 and 3-4.
    struct Band {
        double out, width, radius;
        QColor colour;
    };
    std::vector<Band> bands;
    switch (status) {
        case WatchStatus::watching:
        case WatchStatus::finished:
            bands = {{2, 2, 6, Brand::signal()}, {3, 1, 7, white(0.9)}, {4, 1, 8, black(0.25)}};
            break;
        case WatchStatus::paused: {
            QColor faint = Brand::signal();
            faint.setAlphaF(0.38f);
            bands = {{2, 2, 6, faint}, {3, 1, 7, white(0.28)}};
            break;
        }
        case WatchStatus::lostSight: bands = {{2, 2, 6, Brand::mutedLine()}}; break;
    }
    for (const Band& b : bands) innerStroke(p, rect.adjusted(-b.out, -b.out, b.out, b.out), b.radius, b.width, b.colour);
    p.restore();
}

double tagWidth(const QString& text, double limit) {
    const QFontMetricsF m(Brand::font(12, QFont::Bold, true));
    return std::min(m.horizontalAdvance(text) + 16, limit);
}

void paintTag(QPainter& p, const QRectF& r, const QString& text, bool muted) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    innerStroke(p, r.adjusted(-2, -2, 2, 2), 6, 1, black(0.28));
    innerStroke(p, r.adjusted(-1, -1, 1, 1), 5, 1, white(0.9));
    QPainterPath pill;
    pill.addRoundedRect(r, 4, 4);
    p.fillPath(pill, muted ? Brand::muted() : Brand::signal());
    p.setPen(Qt::white);
    paintFitted(p, r.adjusted(8, 0, -8, 0), Brand::font(12, QFont::Bold, true), text, 0.8, Qt::AlignCenter);
    p.restore();
}

void paintFitted(QPainter& p, const QRectF& rect, const QFont& font, const QString& text, double minScale,
                 Qt::Alignment align) {
    const QFontMetricsF m(font);
    const double natural = m.horizontalAdvance(text);
    const double scale = natural > rect.width() ? std::max(rect.width() / natural, minScale) : 1.0;
    const double room = rect.width() / scale;
    const QString shown = natural > room ? m.elidedText(text, Qt::ElideRight, room) : text;
    const double w = std::min(m.horizontalAdvance(shown), room);
    p.save();
    p.setFont(font);
    double x = rect.left();
    if (align & Qt::AlignHCenter) x = rect.center().x() - w * scale / 2;
    if (align & Qt::AlignRight) x = rect.right() - w * scale;
    p.translate(x, rect.center().y());
    p.scale(scale, scale);
    p.drawText(QPointF(0, (m.ascent() - m.descent()) / 2), shown);
    p.restore();
}

void paintCaption(QPainter& p, const QRectF& rect, const CaptionText& c, int size, int lines) {
    const bool finished = c.status == WatchStatus::finished;
    const QString prefix = finished ? QString() : fromView(Copy::barkWhenLabel) + QLatin1Char(' ');
    const QString body = finished ? c.woof : c.sentence;
    const QFont regular = Brand::font(size), strong = Brand::font(size, QFont::DemiBold);
    const QFontMetricsF mr(regular), ms(strong);
    p.save();
    if (lines <= 1) {
        const double natural = mr.horizontalAdvance(prefix) + ms.horizontalAdvance(body);
        const double scale = natural > rect.width() ? std::max(rect.width() / natural, 0.9) : 1.0;
        const double room = rect.width() / scale - mr.horizontalAdvance(prefix);
        const QString shown = ms.horizontalAdvance(body) > room ? ms.elidedText(body, Qt::ElideRight, room) : body;
        p.translate(rect.left(), rect.center().y());
        p.scale(scale, scale);
        const double baseline = (ms.ascent() - ms.descent()) / 2;
        p.setFont(regular);
        p.setPen(MenuInk::dim());
        p.drawText(QPointF(0, baseline), prefix);
        p.setFont(strong);
        p.setPen(Qt::white);
        p.drawText(QPointF(mr.horizontalAdvance(prefix), baseline), shown);
        p.restore();
        return;
    }
    // The first line: the label, then as many words as fit (a word too long
    // for any line is broken); the second takes the rest, cut at the tail.
    const double firstRoom = rect.width() - mr.horizontalAdvance(prefix);
    qsizetype cut = 0;
    for (qsizetype i = 0; i <= body.size(); ++i) {
        if (i < body.size() && body[i] != QLatin1Char(' ')) continue;
        if (ms.horizontalAdvance(body.left(i)) > firstRoom) break;
        cut = i;
    }
    if (cut == 0 && ms.horizontalAdvance(body) > firstRoom) {
        while (cut < body.size() && ms.horizontalAdvance(body.left(cut + 1)) <= firstRoom) ++cut;
    } else if (ms.horizontalAdvance(body) <= firstRoom) {
        cut = body.size();
    }
    const QString first = body.left(cut), rest = body.mid(cut).trimmed();
    const double lineHeight = std::max(mr.height(), ms.height()) + 1;
    double baseline = rect.top() + ms.ascent();
    p.setFont(regular);
    p.setPen(MenuInk::dim());
    p.drawText(QPointF(rect.left(), baseline), prefix);
    p.setFont(strong);
    p.setPen(Qt::white);
    p.drawText(QPointF(rect.left() + mr.horizontalAdvance(prefix), baseline), first);
    if (!rest.isEmpty() && lines > 1) {
        baseline += lineHeight;
        p.drawText(QPointF(rect.left(), baseline), ms.elidedText(rest, Qt::ElideRight, rect.width()));
    }
    p.restore();
}

}  // namespace kestrove::MonitorFace
