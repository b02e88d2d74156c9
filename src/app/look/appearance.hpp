#pragma once
// Light or dark appearance, as the palette tells it (Qt 6.4 has no
// colour-scheme API; the developer modes set a light or dark palette).

#include <QPalette>

namespace kestrove::Appearance {

// Dark: the palette's window colour is darker than mid-grey.
inline bool isDark(const QPalette& palette) { return palette.color(QPalette::Window).lightnessF() < 0.5; }

}  // namespace kestrove::Appearance
