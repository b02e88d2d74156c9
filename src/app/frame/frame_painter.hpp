#pragma once
// The drawing of a frame: a red line just outside the box edged by a light
// and a dark hairline, the fill of a blink, and the state tag.

#include "app/engine/frame.hpp"
#include "core/foundation/geometry.hpp"

class QPainter;

namespace kestrove::FramePainter {

// Draws in view coordinates, the window's top-left corner at (0, 0).
void paint(QPainter& painter, const FrameModel& model, Size regionSize, bool tagOnTop);

}  // namespace kestrove::FramePainter
