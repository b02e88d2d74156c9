#pragma once
// The panel's two fixed colours, its scheme, and text that steps back.

#include <QColor>
#include <QPalette>

namespace kestrove::MenuInk {

// Dark text on white (the free monitor's button, the picture buttons).
QColor ink();
// Secondary text on the monitors' dark face.
QColor dim();

// Dark appearance: the palette's window colour is darker than mid-grey.
bool isDark(const QPalette& palette);
// The palette's text at half strength: the desk's second lines.
QColor secondary(const QPalette& palette);

}  // namespace kestrove::MenuInk
