#pragma once
// The drawing of a frame: a red line just outside the box edged by a light
// and a dark hairline, the fill of a blink, and the state tag.

#include <QColor>
#include <QRect>

#include <optional>

#include "app/engine/frame.hpp"
#include "core/foundation/geometry.hpp"

class QPainter;

namespace kestrove::FramePainter {

// Draws in view coordinates, the window's top-left corner at (0, 0).
// `ground`: the one colour under the box in the picture painted on (black,
// or transparent), when it is one: the blink's flat inside is then set in
// one pass instead of blended, the same pixels at a fraction of the work
// for a large box.
void paint(QPainter& painter, const FrameModel& model, Size regionSize, bool tagOnTop,
           std::optional<QColor> ground = std::nullopt);

// The part of the blink's fill `paint` sets in one pass over `ground`, in
// the painter's device pixels: whole pixels clear of its rounded corners.
// Empty without a blink or when the painter does more than move.
QRect flatInside(const QPainter& painter, const FrameModel& model, Size regionSize, bool tagOnTop);

// Fills `rect` (in the painter's current coordinates, within its clip) in
// bands of rows: Qt hands a fill of more than about a hundred rows to its
// worker threads, and on a busy machine the wait for them is several times
// the fill itself.
void fillInBands(QPainter& painter, const QRect& rect, const QColor& colour);

}  // namespace kestrove::FramePainter
