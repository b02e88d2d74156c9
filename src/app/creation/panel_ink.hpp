#pragma once
// The colours and type of the new-watch panel, taken from the palette so the
// panel follows a light or dark appearance: primary is the palette's text,
// secondary the same text fainter.

#include <QColor>
#include <QFont>
#include <QPalette>

#include "app/look/brand.hpp"

namespace kestrove::PanelInk {

inline QColor primary(const QPalette& palette, double opacity = 1) {
    QColor c = palette.color(QPalette::WindowText);
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

inline QColor secondary(const QPalette& palette) { return primary(palette, 0.55); }

// The type of the panel: DejaVu Sans by pixel size.
inline QFont font(int pixelSize, QFont::Weight weight = QFont::Normal) { return Brand::font(pixelSize, weight); }

// The two appearances the panel is drawn in, on the Fusion style.
QPalette lightPalette();
QPalette darkPalette();

}  // namespace kestrove::PanelInk
