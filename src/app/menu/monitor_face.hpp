#pragma once
// The drawn parts of the panel's monitors: the dark card face, the corner
// bracket mark, the picture with its status rings, the state tag and the
// caption. Plain painting into the caller's rectangle, so the cards (and
// the wall's free monitor and tile) compose them without child widgets.

#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

#include "core/watch/watch_spec.hpp"

class QPainter;

namespace kestrove::MonitorFace {

// The card: a dark rounded face with a faint inner edge, in either scheme.
void paintBody(QPainter& painter, const QRectF& card, bool dark);
// Its shadow, one point down; the card's parent paints it before the card.
void paintShadow(QPainter& painter, const QRectF& card, bool dark);

// One top-left corner bracket in a square.
QPainterPath cornerBracket(const QRectF& square);

struct Corners {
    double size, stroke, inset, dot;
    QPointF dotInset;  // from the right and top edges
};
inline constexpr Corners freeCorners{34, 5, 22, 18, {22, 20}};
inline constexpr Corners tileCorners{14, 2.5, 9, 9, {9, 8}};
// Three brackets (top left, bottom left, bottom right) in `colour` and the
// red dot in the open corner.
void paintCorners(QPainter& painter, const QRectF& area, const Corners& corners, const QColor& colour);

// The picture (already at `rect`'s size) or the empty placeholder, half
// strength for a watch that is paused or has lost sight, and the rings
// around it for its status.
void paintFeed(QPainter& painter, const QRectF& rect, const QImage& picture, WatchStatus status);

// The state tag: 20 high, the text's width plus 8 each side, at most `limit`.
inline constexpr double tagHeight = 20;
double tagWidth(const QString& text, double limit);
void paintTag(QPainter& painter, const QRectF& rect, const QString& text, bool muted);

// "Bark when" and the sentence, or the bark's title once finished, white
// on the card; the large card's caption is one line (shrinking to 90 %
// first), the small card's two, each cut with an ellipsis.
struct CaptionText {
    WatchStatus status;
    QString sentence;
    QString woof;
};
void paintCaption(QPainter& painter, const QRectF& rect, const CaptionText& caption, int size, int lines);

// `text` in `font` on one line within `rect`, shrunk down to `minScale`
// when it is too wide, then cut at the tail.
void paintFitted(QPainter& painter, const QRectF& rect, const QFont& font, const QString& text, double minScale,
                 Qt::Alignment align);

}  // namespace kestrove::MonitorFace
