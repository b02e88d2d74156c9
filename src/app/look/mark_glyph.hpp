#pragma once
// The product mark: three rounded corner brackets and a dot in the open
// corner, in a 64 × 64 unit box with y down.

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSize>

class QPainter;

namespace kestrove::MarkGlyph {

inline constexpr QPointF dotCentre{50, 15};
inline constexpr double dotRadius = 9;

// Three open strokes: top left, bottom left, bottom right.
const QPainterPath& brackets();

// The tray picture: `height` points high, as wide as the mark's drawn part
// at that height (24 for 22); the dot's radius scaled by `dotScale`.
QSize statusSize(int height);
// Draws the picture into any rectangle, centred, keeping its proportions.
void paintStatus(QPainter& painter, const QRectF& rect, double dotScale, const QColor& ink = Qt::black);
// Black on transparent, with `devicePixelRatio` pixels a point; its
// "Description" text is the product's name.
QImage statusImage(double dotScale, int height, qreal devicePixelRatio = 1);

}  // namespace kestrove::MarkGlyph
