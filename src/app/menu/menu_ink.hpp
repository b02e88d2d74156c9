#pragma once
// The panel's two fixed colours. (Its scheme and secondary text are
// WindowStyle's, as in the other windows.)

#include <QColor>

namespace kestrove::MenuInk {

// Dark text on white (the free monitor's button, the picture buttons).
QColor ink();
// Secondary text on the monitors' dark face.
QColor dim();

}  // namespace kestrove::MenuInk
