#pragma once
// What sets each snapshot in a believable scene: a floating panel over a
// desktop, a window with a title bar, a watched box with its frame, and the
// strip of the tray with the status item.

#include <QImage>

#include "app/dev/sample.hpp"
#include "app/engine/frame.hpp"

namespace kestrove::SnapshotChrome {

// The desktop's flat colour behind panels and windows.
QColor desktop(bool dark);

// The panel as it draws itself (its corners transparent), with a shadow,
// 28 points of desktop around it.
QImage panel(const QImage& content, bool dark);
// The content in a window as a Linux window manager decorates it: a title
// bar with the title and a close box, a thin border, a shadow, 32 points of
// desktop around it.
QImage window(const QImage& content, const QString& title, bool dark);
// The title bar's height in `window`.
inline constexpr int titleBar = 26;
// The sample under the frame of `model`, the tag on top, 30 points around.
QImage frameScene(const FrameModel& model, const Sample& sample, bool dark);
// 150 × 24 points at 4 pixels a point: two marks and a count, in white on
// dark grey or black on light grey, whatever the palette.
QImage statusItem(bool dark);

}  // namespace kestrove::SnapshotChrome
